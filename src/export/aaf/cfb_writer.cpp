#include "export/aaf/cfb_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "export/aaf/cfb_format.h"
#include "export/aaf/cfb_names.h"

namespace vn::cfb {

namespace {

uint32_t addEntry(Tree& tree, uint32_t parent, std::string_view name, bool storage) {
  const auto id = static_cast<uint32_t>(tree.entries.size());
  TreeEntry& e = tree.entries.emplace_back();
  e.parent = parent;
  // A name too long to count is cut; it is refused as too long all the same.
  name = name.substr(0, 0xFFFF);
  e.nameAt = static_cast<uint32_t>(tree.names.size());
  e.nameSize = static_cast<uint16_t>(name.size());
  e.storage = storage;
  tree.names.append(name);
  return id;
}

}  // namespace

void clearTree(Tree& tree) {
  tree.entries.resize(1);
  tree.entries[kRootId] = TreeEntry{kRootParent, 0, 0, 0, true, 0, 0};
  tree.clsids.resize(1);
  tree.clsids[0] = Clsid{};
  tree.names.clear();
  tree.bytes.clear();
}

uint32_t addStorage(Tree& tree, uint32_t parent, std::string_view name, const Clsid& clsid) {
  const uint32_t id = addEntry(tree, parent, name, true);
  tree.entries[id].clsid = static_cast<uint32_t>(tree.clsids.size());
  tree.clsids.push_back(clsid);
  return id;
}

void setClsid(Tree& tree, uint32_t storage, const Clsid& clsid) {
  tree.clsids[tree.entries[storage].clsid] = clsid;
}

uint32_t addStreamOfTail(Tree& tree, uint32_t parent, std::string_view name, size_t from) {
  const uint32_t id = addEntry(tree, parent, name, false);
  tree.entries[id].dataAt = from;
  tree.entries[id].dataSize = tree.bytes.size() - from;
  return id;
}

uint32_t addStream(Tree& tree, uint32_t parent, std::string_view name, std::string_view data) {
  const size_t from = tree.bytes.size();
  tree.bytes.append(data);
  return addStreamOfTail(tree, parent, name, from);
}

namespace {

void put16(char* at, uint16_t v) {
  at[0] = static_cast<char>(v & 0xFF);
  at[1] = static_cast<char>(v >> 8);
}
void put32(char* at, uint32_t v) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
void put64(char* at, uint64_t v) {
  for (int i = 0; i < 8; ++i) at[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

uint32_t ceilDiv(uint64_t a, uint64_t b) { return static_cast<uint32_t>((a + b - 1) / b); }

struct Links {
  uint32_t left = kNoStream, right = kNoStream, child = kNoStream;
};

// Siblings form a balanced search tree over the container's name order, so that
// readers which binary-search a storage find every child.
uint32_t linkBalanced(const uint32_t* sorted, size_t lo, size_t hi, std::vector<Links>& links) {
  if (lo >= hi) return kNoStream;
  const size_t mid = lo + (hi - lo) / 2;
  const uint32_t id = sorted[mid];
  links[id].left = linkBalanced(sorted, lo, mid, links);
  links[id].right = linkBalanced(sorted, mid + 1, hi, links);
  return id;
}

}  // namespace

FatLayout fatLayoutFor(uint64_t dataSectors) {
  FatLayout l{1, 0};
  for (;;) {
    const uint32_t needFat = ceilDiv(dataSectors + l.fatSectors + l.difatSectors, kIdsPerSector);
    const uint32_t needDifat =
        needFat > kHeaderDifatCount ? ceilDiv(needFat - kHeaderDifatCount, kIdsPerSector - 1) : 0;
    if (needFat <= l.fatSectors && needDifat <= l.difatSectors) return l;
    l.fatSectors = std::max(l.fatSectors, needFat);
    l.difatSectors = std::max(l.difatSectors, needDifat);
  }
}

namespace {

// Bytes on their way to the sink, handed over four megabytes at a time (each write is
// a system call, and those are dear) from one buffer that is filled in place.
class Emitter {
 public:
  Emitter(const ByteSink& sink, std::string& buffer) : sink_(sink), buffer_(buffer) { buffer_.resize(kFlushAt); }
  // The next size bytes of the output, to be filled in; size is at most a sector.
  char* claim(size_t size) {
    if (used_ + size > buffer_.size()) flush();
    char* at = buffer_.data() + used_;
    used_ += size;
    return at;
  }
  void bytes(const char* data, size_t size) {
    while (size > 0) {
      if (used_ == buffer_.size()) flush();
      const size_t n = std::min(size, buffer_.size() - used_);
      std::memcpy(buffer_.data() + used_, data, n);
      used_ += n, data += n, size -= n;
    }
  }
  void u32(uint32_t v) { put32(claim(4), v); }
  // Zeros up to the next multiple of unit (at most a sector).
  void padTo(uint64_t& written, uint64_t unit) {
    const uint64_t rest = written % unit;
    if (!rest) return;
    std::memset(claim(static_cast<size_t>(unit - rest)), 0, static_cast<size_t>(unit - rest));
    written += unit - rest;
  }
  bool flush() {
    if (ok_ && used_ > 0) ok_ = sink_(std::string_view(buffer_.data(), used_));
    used_ = 0;
    return ok_;
  }

 private:
  static constexpr size_t kFlushAt = size_t(4) << 20;
  const ByteSink& sink_;
  std::string& buffer_;
  size_t used_ = 0;
  bool ok_ = true;
};

// Siblings arrive nearly in order (a collection's elements are numbered upwards), so
// an insertion sort is about one pass; a range that turns out scrambled is sorted
// from scratch.
template <typename Less>
void sortNearlySorted(uint32_t* first, uint32_t* last, Less less) {
  size_t moves = 0;
  const size_t budget = 8 * static_cast<size_t>(last - first) + 64;
  for (uint32_t* i = first + (first != last); i < last; ++i) {
    const uint32_t v = *i;
    uint32_t* j = i;
    for (; j > first && less(v, j[-1]); --j) {
      *j = j[-1];
      if (++moves > budget) {
        j[-1] = v;  // the range is whole again before it is sorted afresh
        std::sort(first, last, less);
        return;
      }
    }
    *j = v;
  }
}

// Every storage's children in name order, as ranges of one list: counted by parent,
// then each range sorted. false with a reason when a name cannot be stored or two
// siblings share one.
bool sortChildren(const Tree& tree, std::vector<uint32_t>& starts, std::vector<uint32_t>& children,
                  std::vector<uint32_t>& next, std::string& error) {
  const auto count = static_cast<uint32_t>(tree.entries.size());
  starts.assign(size_t(count) + 1, 0);
  for (uint32_t id = 1; id < count; ++id) {
    const TreeEntry& e = tree.entries[id];
    if (!validEntryName(entryName(tree, e))) {
      error = "the container entry name '" + std::string(entryName(tree, e)) + "' cannot be stored";
      return false;
    }
    ++starts[e.parent + 1];
  }
  for (uint32_t id = 0; id < count; ++id) starts[id + 1] += starts[id];
  children.resize(count - 1);
  next.assign(starts.begin(), starts.end() - 1);
  for (uint32_t id = 1; id < count; ++id) children[next[tree.entries[id].parent]++] = id;
  auto nameOf = [&](uint32_t id) { return entryName(tree, tree.entries[id]); };
  for (uint32_t id = 0; id < count; ++id) {
    uint32_t* first = children.data() + starts[id];
    uint32_t* last = children.data() + starts[id + 1];
    sortNearlySorted(first, last, [&](uint32_t a, uint32_t b) { return compareEntryNames(nameOf(a), nameOf(b)) < 0; });
    for (uint32_t* c = first + (first != last); c < last; ++c) {
      if (compareEntryNames(nameOf(c[-1]), nameOf(c[0])) == 0) {
        error = "two container entries share the name '" + std::string(nameOf(c[0])) + "'";
        return false;
      }
    }
  }
  return true;
}

}  // namespace

bool emitCompoundFile(const Tree& tree, const ByteSink& sink, std::string& error) {
  const auto count = static_cast<uint32_t>(tree.entries.size());
  // The working lists of the last layout on this thread, kept for the next: fresh
  // pages for a hundred thousand entries cost more than the layout itself.
  thread_local std::vector<uint32_t> starts, children, next;
  thread_local std::vector<Links> links;
  thread_local std::vector<uint32_t> start, miniIds, bigIds;
  thread_local std::string outBuffer;
  if (!sortChildren(tree, starts, children, next, error)) return false;
  links.assign(count, Links{});
  for (uint32_t id = 0; id < count; ++id) {
    if (tree.entries[id].storage)
      links[id].child = linkBalanced(children.data() + starts[id], 0, starts[id + 1] - starts[id], links);
  }

  // Small streams go to the mini stream, the rest to whole sectors, each in entry order.
  // start holds a stream's first sector: in the mini stream, or among the whole sectors.
  start.assign(count, kEndOfChain);
  miniIds.clear();
  bigIds.clear();
  uint32_t miniSectors = 0;
  uint32_t bigSectors = 0;
  for (uint32_t id = 1; id < count; ++id) {
    const TreeEntry& e = tree.entries[id];
    if (e.storage || e.dataSize == 0) continue;
    if (e.dataSize < kMiniStreamCutoff) {
      start[id] = miniSectors;
      miniSectors += ceilDiv(e.dataSize, kMiniSectorSize);
      miniIds.push_back(id);
    } else {
      start[id] = bigSectors;  // relative to the first stream sector for now
      bigSectors += ceilDiv(e.dataSize, kSectorSize);
      bigIds.push_back(id);
    }
  }
  const uint32_t miniFatSectors = ceilDiv(miniSectors, kIdsPerSector);
  const uint32_t miniStreamSectors = ceilDiv(uint64_t(miniSectors) * kMiniSectorSize, kSectorSize);
  const uint32_t dirSectors = ceilDiv(count, kEntriesPerSector);
  const uint64_t dataSectors = uint64_t(miniFatSectors) + miniStreamSectors + dirSectors + bigSectors;

  const FatLayout layout = fatLayoutFor(dataSectors);
  const uint32_t fatSectors = layout.fatSectors, difatSectors = layout.difatSectors;
  const uint64_t totalSectors = uint64_t(fatSectors) + difatSectors + dataSectors;
  if (totalSectors >= kMaxRegSect) {
    error = "the container would be too large";
    return false;
  }
  const uint32_t firstDifat = fatSectors;
  const uint32_t firstDir = firstDifat + difatSectors;
  const uint32_t firstMiniFat = firstDir + dirSectors;
  const uint32_t firstMiniStream = firstMiniFat + miniFatSectors;
  const uint32_t firstBig = firstMiniStream + miniStreamSectors;

  // FAT
  std::vector<uint32_t> fat(size_t(fatSectors) * kIdsPerSector, kFreeSect);
  for (uint32_t s = 0; s < fatSectors; ++s) fat[s] = kFatSect;
  for (uint32_t s = 0; s < difatSectors; ++s) fat[firstDifat + s] = kDifSect;
  auto chain = [&](uint32_t first, uint32_t n) {
    for (uint32_t i = 0; i < n; ++i) fat[first + i] = (i + 1 < n) ? first + i + 1 : kEndOfChain;
  };
  chain(firstDir, dirSectors);
  chain(firstMiniFat, miniFatSectors);
  chain(firstMiniStream, miniStreamSectors);
  for (uint32_t id : bigIds) {
    start[id] += firstBig;
    chain(start[id], ceilDiv(tree.entries[id].dataSize, kSectorSize));
  }

  Emitter out(sink, outBuffer);
  // Header, in a sector of its own.
  char* header = out.claim(kSectorSize);
  std::memset(header, 0, kSectorSize);
  std::memcpy(header, kSignature, 8);
  put16(header + 24, 0x003E);
  put16(header + 26, 0x0004);
  put16(header + 28, 0xFFFE);
  put16(header + 30, kSectorShift);
  put16(header + 32, kMiniSectorShift);
  put32(header + 40, dirSectors);
  put32(header + 44, fatSectors);
  put32(header + 48, firstDir);
  put32(header + 52, 0);
  put32(header + 56, kMiniStreamCutoff);
  put32(header + 60, miniFatSectors ? firstMiniFat : kEndOfChain);
  put32(header + 64, miniFatSectors);
  put32(header + 68, difatSectors ? firstDifat : kEndOfChain);
  put32(header + 72, difatSectors);
  for (uint32_t i = 0; i < kHeaderDifatCount; ++i) put32(header + 76 + i * 4, i < fatSectors ? i : kFreeSect);

  for (uint32_t v : fat) out.u32(v);

  // DIFAT sectors: FAT sector numbers past the header's 109, 1023 per sector plus a link.
  for (uint32_t d = 0; d < difatSectors; ++d) {
    for (uint32_t i = 0; i < kIdsPerSector - 1; ++i) {
      const uint64_t fatIndex = kHeaderDifatCount + uint64_t(d) * (kIdsPerSector - 1) + i;
      out.u32(fatIndex < fatSectors ? static_cast<uint32_t>(fatIndex) : kFreeSect);
    }
    out.u32(d + 1 < difatSectors ? firstDifat + d + 1 : kEndOfChain);
  }

  // Directory.
  for (uint32_t id = 0; id < dirSectors * kEntriesPerSector; ++id) {
    char* entry = out.claim(kDirEntrySize);
    std::memset(entry, 0, kDirEntrySize);
    if (id >= count) {
      put32(entry + 68, kNoStream);
      put32(entry + 72, kNoStream);
      put32(entry + 76, kNoStream);
      continue;
    }
    const TreeEntry& e = tree.entries[id];
    const std::string_view name = id == kRootId ? std::string_view("Root Entry") : entryName(tree, e);
    for (size_t i = 0; i < name.size(); ++i) entry[i * 2] = name[i];  // ASCII: the high bytes stay zero
    put16(entry + 64, static_cast<uint16_t>((name.size() + 1) * 2));
    entry[66] = static_cast<char>(id == kRootId ? kTypeRoot : e.storage ? kTypeStorage : kTypeStream);
    entry[67] = static_cast<char>(kColorBlack);
    put32(entry + 68, links[id].left);
    put32(entry + 72, links[id].right);
    put32(entry + 76, links[id].child);
    if (e.storage) std::memcpy(entry + 80, tree.clsids[e.clsid].data(), 16);
    if (id == kRootId) {
      put32(entry + 116, miniSectors ? firstMiniStream : kEndOfChain);
      put64(entry + 120, uint64_t(miniSectors) * kMiniSectorSize);
    } else if (!e.storage) {
      put32(entry + 116, start[id]);
      put64(entry + 120, e.dataSize);
    }
  }

  // Mini FAT: each small stream's chain, in the order they were placed.
  uint64_t written = 0;
  for (uint32_t id : miniIds) {
    const uint32_t first = start[id];
    const uint32_t n = ceilDiv(tree.entries[id].dataSize, kMiniSectorSize);
    for (uint32_t i = 0; i < n; ++i) out.u32(i + 1 < n ? first + i + 1 : kEndOfChain);
    written += uint64_t(n) * 4;
  }
  for (; written < uint64_t(miniFatSectors) * kSectorSize; written += 4) out.u32(kFreeSect);

  // The mini stream, then the streams of whole sectors.
  written = 0;
  for (uint32_t id : miniIds) {
    const TreeEntry& e = tree.entries[id];
    out.bytes(tree.bytes.data() + e.dataAt, e.dataSize);
    written += e.dataSize;
    out.padTo(written, kMiniSectorSize);
  }
  out.padTo(written, kSectorSize);
  for (uint32_t id : bigIds) {
    const TreeEntry& e = tree.entries[id];
    out.bytes(tree.bytes.data() + e.dataAt, e.dataSize);
    written = e.dataSize;
    out.padTo(written, kSectorSize);
  }
  if (!out.flush()) {
    error = "the container could not be written";
    return false;
  }
  return true;
}

bool serializeCompoundFile(const Tree& tree, std::string& out, std::string& error) {
  out.clear();
  return emitCompoundFile(
      tree,
      [&](std::string_view bytes) {
        out.append(bytes);
        return true;
      },
      error);
}

WriteResult writeCompoundFile(const std::string& path, const Tree& tree) {
  // Streamed into the temporary file: a session's container can be tens of megabytes.
  const std::string tmp = path + ".tmp";
  FILE* f = std::fopen(tmp.c_str(), "wb");
  if (!f) return WriteResult{false, false, std::strerror(errno)};
  std::string error;
  int writeErrno = 0;
  const bool emitted = emitCompoundFile(
      tree,
      [&](std::string_view bytes) {
        if (std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size()) return true;
        writeErrno = errno;
        return false;
      },
      error);
  const bool closed = std::fclose(f) == 0;
  if (!emitted || !closed) {
    if (writeErrno == 0 && !closed) writeErrno = errno;
    std::remove(tmp.c_str());
    return WriteResult{false, false, writeErrno ? std::strerror(writeErrno) : error};
  }
  return commitFileAtomic(tmp, path);
}

}  // namespace vn::cfb
