#include "export/aaf/cfb_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "export/aaf/cfb_format.h"
#include "export/aaf/cfb_names.h"

namespace vn::cfb {

uint32_t addStorage(Tree& tree, uint32_t parent, std::string name, const Clsid& clsid) {
  const auto id = static_cast<uint32_t>(tree.entries.size());
  tree.entries.push_back(TreeEntry{std::move(name), true, clsid, 0, 0, {}});
  tree.entries[parent].children.push_back(id);
  return id;
}

uint32_t addStream(Tree& tree, uint32_t parent, std::string name, std::string_view data) {
  const auto id = static_cast<uint32_t>(tree.entries.size());
  tree.entries.push_back(TreeEntry{std::move(name), false, {}, tree.bytes.size(), data.size(), {}});
  tree.bytes.append(data);
  tree.entries[parent].children.push_back(id);
  return id;
}

namespace {

void put16(std::string& out, size_t at, uint16_t v) {
  out[at] = static_cast<char>(v & 0xFF);
  out[at + 1] = static_cast<char>(v >> 8);
}
void put32(std::string& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
void put64(std::string& out, size_t at, uint64_t v) {
  for (int i = 0; i < 8; ++i) out[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

uint32_t ceilDiv(uint64_t a, uint64_t b) { return static_cast<uint32_t>((a + b - 1) / b); }

struct Links {
  uint32_t left = kNoStream, right = kNoStream, child = kNoStream;
};

// Siblings form a balanced search tree over the container's name order, so that
// readers which binary-search a storage find every child.
uint32_t linkBalanced(const std::vector<uint32_t>& sorted, size_t lo, size_t hi,
                      std::vector<Links>& links) {
  if (lo >= hi) return kNoStream;
  const size_t mid = lo + (hi - lo) / 2;
  const uint32_t id = sorted[mid];
  links[id].left = linkBalanced(sorted, lo, mid, links);
  links[id].right = linkBalanced(sorted, mid + 1, hi, links);
  return id;
}

struct Placement {
  uint32_t start = kEndOfChain;
  bool mini = false;
};

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

// Bytes on their way to the sink, handed over a megabyte at a time.
class Emitter {
 public:
  explicit Emitter(const ByteSink& sink) : sink_(sink) { buffer_.reserve(kFlushAt + kSectorSize); }
  void bytes(const void* data, size_t size) {
    buffer_.append(static_cast<const char*>(data), size);
    if (buffer_.size() >= kFlushAt) flush();
  }
  void zeros(size_t size) {
    buffer_.append(size, '\0');
    if (buffer_.size() >= kFlushAt) flush();
  }
  void u32(uint32_t v) {
    const char b[4] = {char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char(v >> 24)};
    bytes(b, 4);
  }
  // Zeros up to the next multiple of unit.
  void padTo(uint64_t& written, uint64_t unit) {
    const uint64_t rest = written % unit;
    if (rest) zeros(static_cast<size_t>(unit - rest)), written += unit - rest;
  }
  bool flush() {
    if (ok_ && !buffer_.empty()) ok_ = sink_(buffer_);
    buffer_.clear();
    return ok_;
  }

 private:
  static constexpr size_t kFlushAt = size_t(1) << 20;
  const ByteSink& sink_;
  std::string buffer_;
  bool ok_ = true;
};

}  // namespace

bool emitCompoundFile(const Tree& tree, const ByteSink& sink, std::string& error) {
  const auto count = static_cast<uint32_t>(tree.entries.size());
  std::vector<Links> links(count);
  std::vector<uint32_t> sorted;
  for (uint32_t id = 0; id < count; ++id) {
    const TreeEntry& e = tree.entries[id];
    if (id != kRootId && !validEntryName(e.name)) {
      error = "the container entry name '" + e.name + "' cannot be stored";
      return false;
    }
    if (!e.storage) continue;
    sorted = e.children;
    std::sort(sorted.begin(), sorted.end(), [&](uint32_t a, uint32_t b) {
      return compareEntryNames(tree.entries[a].name, tree.entries[b].name) < 0;
    });
    for (size_t i = 1; i < sorted.size(); ++i) {
      if (compareEntryNames(tree.entries[sorted[i - 1]].name, tree.entries[sorted[i]].name) == 0) {
        error = "two container entries share the name '" + tree.entries[sorted[i]].name + "'";
        return false;
      }
    }
    links[id].child = linkBalanced(sorted, 0, sorted.size(), links);
  }

  // Small streams go to the mini stream, the rest to whole sectors, each in entry order.
  std::vector<Placement> place(count);
  uint32_t miniSectors = 0;
  uint32_t bigSectors = 0;
  for (uint32_t id = 1; id < count; ++id) {
    const TreeEntry& e = tree.entries[id];
    if (e.storage || e.dataSize == 0) continue;
    if (e.dataSize < kMiniStreamCutoff) {
      place[id] = {miniSectors, true};
      miniSectors += ceilDiv(e.dataSize, kMiniSectorSize);
    } else {
      place[id] = {bigSectors, false};  // relative to the first stream sector for now
      bigSectors += ceilDiv(e.dataSize, kSectorSize);
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
  for (uint32_t id = 1; id < count; ++id) {
    const TreeEntry& e = tree.entries[id];
    if (e.storage || e.dataSize == 0 || place[id].mini) continue;
    place[id].start += firstBig;
    chain(place[id].start, ceilDiv(e.dataSize, kSectorSize));
  }

  Emitter out(sink);
  // Header, in a sector of its own.
  std::string header(kSectorSize, '\0');
  std::memcpy(&header[0], kSignature, 8);
  put16(header, 24, 0x003E);
  put16(header, 26, 0x0004);
  put16(header, 28, 0xFFFE);
  put16(header, 30, kSectorShift);
  put16(header, 32, kMiniSectorShift);
  put32(header, 40, dirSectors);
  put32(header, 44, fatSectors);
  put32(header, 48, firstDir);
  put32(header, 52, 0);
  put32(header, 56, kMiniStreamCutoff);
  put32(header, 60, miniFatSectors ? firstMiniFat : kEndOfChain);
  put32(header, 64, miniFatSectors);
  put32(header, 68, difatSectors ? firstDifat : kEndOfChain);
  put32(header, 72, difatSectors);
  for (uint32_t i = 0; i < kHeaderDifatCount; ++i) put32(header, 76 + i * 4, i < fatSectors ? i : kFreeSect);
  out.bytes(header.data(), header.size());

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
  std::string entry(kDirEntrySize, '\0');
  for (uint32_t id = 0; id < dirSectors * kEntriesPerSector; ++id) {
    std::fill(entry.begin(), entry.end(), '\0');
    if (id >= count) {
      put32(entry, 68, kNoStream);
      put32(entry, 72, kNoStream);
      put32(entry, 76, kNoStream);
      out.bytes(entry.data(), entry.size());
      continue;
    }
    const TreeEntry& e = tree.entries[id];
    const std::string& name = id == kRootId ? std::string("Root Entry") : e.name;
    for (size_t i = 0; i < name.size(); ++i) put16(entry, i * 2, static_cast<unsigned char>(name[i]));
    put16(entry, 64, static_cast<uint16_t>((name.size() + 1) * 2));
    entry[66] = static_cast<char>(id == kRootId ? kTypeRoot : e.storage ? kTypeStorage : kTypeStream);
    entry[67] = static_cast<char>(kColorBlack);
    put32(entry, 68, links[id].left);
    put32(entry, 72, links[id].right);
    put32(entry, 76, links[id].child);
    if (e.storage) std::memcpy(&entry[80], e.clsid.data(), 16);
    if (id == kRootId) {
      put32(entry, 116, miniSectors ? firstMiniStream : kEndOfChain);
      put64(entry, 120, uint64_t(miniSectors) * kMiniSectorSize);
    } else if (!e.storage) {
      put32(entry, 116, e.dataSize == 0 ? kEndOfChain : place[id].start);
      put64(entry, 120, e.dataSize);
    }
    out.bytes(entry.data(), entry.size());
  }

  // Mini FAT: each small stream's chain, in the order they were placed.
  uint64_t written = 0;
  for (uint32_t id = 1; id < count; ++id) {
    const TreeEntry& e = tree.entries[id];
    if (e.storage || e.dataSize == 0 || !place[id].mini) continue;
    const uint32_t first = place[id].start;
    const uint32_t n = ceilDiv(e.dataSize, kMiniSectorSize);
    for (uint32_t i = 0; i < n; ++i) out.u32(i + 1 < n ? first + i + 1 : kEndOfChain);
    written += uint64_t(n) * 4;
  }
  for (; written < uint64_t(miniFatSectors) * kSectorSize; written += 4) out.u32(kFreeSect);

  // The mini stream, then the streams of whole sectors.
  written = 0;
  for (uint32_t id = 1; id < count; ++id) {
    const TreeEntry& e = tree.entries[id];
    if (e.storage || e.dataSize == 0 || !place[id].mini) continue;
    out.bytes(tree.bytes.data() + e.dataAt, e.dataSize);
    written += e.dataSize;
    out.padTo(written, kMiniSectorSize);
  }
  out.padTo(written, kSectorSize);
  for (uint32_t id = 1; id < count; ++id) {
    const TreeEntry& e = tree.entries[id];
    if (e.storage || e.dataSize == 0 || place[id].mini) continue;
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
