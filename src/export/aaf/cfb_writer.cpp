#include "export/aaf/cfb_writer.h"

#include <algorithm>
#include <cstring>

#include "export/aaf/cfb_format.h"
#include "export/aaf/cfb_names.h"

namespace vn::cfb {

uint32_t addStorage(Tree& tree, uint32_t parent, std::string name, const Clsid& clsid) {
  const auto id = static_cast<uint32_t>(tree.entries.size());
  tree.entries.push_back(TreeEntry{std::move(name), true, clsid, {}, {}});
  tree.entries[parent].children.push_back(id);
  return id;
}

uint32_t addStream(Tree& tree, uint32_t parent, std::string name, std::string data) {
  const auto id = static_cast<uint32_t>(tree.entries.size());
  tree.entries.push_back(TreeEntry{std::move(name), false, {}, std::move(data), {}});
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

bool serializeCompoundFile(const Tree& tree, std::string& out, std::string& error) {
  const auto count = static_cast<uint32_t>(tree.entries.size());
  std::vector<Links> links(count);
  for (uint32_t id = 0; id < count; ++id) {
    const TreeEntry& e = tree.entries[id];
    if (id != kRootId && !validEntryName(e.name)) {
      error = "the container entry name '" + e.name + "' cannot be stored";
      return false;
    }
    if (!e.storage) continue;
    std::vector<uint32_t> sorted = e.children;
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

  // Small streams go to the mini stream, the rest to whole sectors.
  std::vector<Placement> place(count);
  uint32_t miniSectors = 0;
  uint32_t bigSectors = 0;
  for (uint32_t id = 1; id < count; ++id) {
    const TreeEntry& e = tree.entries[id];
    if (e.storage || e.data.empty()) continue;
    if (e.data.size() < kMiniStreamCutoff) {
      place[id] = {miniSectors, true};
      miniSectors += ceilDiv(e.data.size(), kMiniSectorSize);
    } else {
      place[id] = {bigSectors, false};  // relative to the first stream sector for now
      bigSectors += ceilDiv(e.data.size(), kSectorSize);
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

  out.assign(size_t(totalSectors + 1) * kSectorSize, '\0');
  auto sectorAt = [](uint32_t sector) { return size_t(sector + 1) * kSectorSize; };

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
    if (e.storage || e.data.empty() || place[id].mini) continue;
    place[id].start += firstBig;
    chain(place[id].start, ceilDiv(e.data.size(), kSectorSize));
    std::memcpy(&out[sectorAt(place[id].start)], e.data.data(), e.data.size());
  }
  for (size_t i = 0; i < fat.size(); ++i) put32(out, sectorAt(i / kIdsPerSector) + (i % kIdsPerSector) * 4, fat[i]);

  // DIFAT sectors: FAT sector numbers past the header's 109, 1023 per sector plus a link.
  for (uint32_t d = 0; d < difatSectors; ++d) {
    const size_t at = sectorAt(firstDifat + d);
    for (uint32_t i = 0; i < kIdsPerSector - 1; ++i) {
      const uint64_t fatIndex = kHeaderDifatCount + uint64_t(d) * (kIdsPerSector - 1) + i;
      put32(out, at + i * 4, fatIndex < fatSectors ? static_cast<uint32_t>(fatIndex) : kFreeSect);
    }
    put32(out, at + (kIdsPerSector - 1) * 4, d + 1 < difatSectors ? firstDifat + d + 1 : kEndOfChain);
  }

  // Mini FAT and mini stream.
  for (uint32_t i = 0; i < miniFatSectors * kIdsPerSector; ++i)
    put32(out, sectorAt(firstMiniFat) + size_t(i) * 4, kFreeSect);
  for (uint32_t id = 1; id < count; ++id) {
    const TreeEntry& e = tree.entries[id];
    if (e.storage || e.data.empty() || !place[id].mini) continue;
    const uint32_t first = place[id].start;
    const uint32_t n = ceilDiv(e.data.size(), kMiniSectorSize);
    for (uint32_t i = 0; i < n; ++i)
      put32(out, sectorAt(firstMiniFat) + size_t(first + i) * 4, i + 1 < n ? first + i + 1 : kEndOfChain);
    std::memcpy(&out[sectorAt(firstMiniStream) + size_t(first) * kMiniSectorSize], e.data.data(), e.data.size());
  }

  // Directory.
  const size_t dirAt = sectorAt(firstDir);
  for (uint32_t id = 0; id < dirSectors * kEntriesPerSector; ++id) {
    const size_t at = dirAt + size_t(id) * kDirEntrySize;
    if (id >= count) {
      put32(out, at + 68, kNoStream);
      put32(out, at + 72, kNoStream);
      put32(out, at + 76, kNoStream);
      continue;
    }
    const TreeEntry& e = tree.entries[id];
    const std::string& name = id == kRootId ? std::string("Root Entry") : e.name;
    for (size_t i = 0; i < name.size(); ++i) put16(out, at + i * 2, static_cast<unsigned char>(name[i]));
    put16(out, at + 64, static_cast<uint16_t>((name.size() + 1) * 2));
    out[at + 66] = static_cast<char>(id == kRootId ? kTypeRoot : e.storage ? kTypeStorage : kTypeStream);
    out[at + 67] = static_cast<char>(kColorBlack);
    put32(out, at + 68, links[id].left);
    put32(out, at + 72, links[id].right);
    put32(out, at + 76, links[id].child);
    if (e.storage) std::memcpy(&out[at + 80], e.clsid.data(), 16);
    if (id == kRootId) {
      put32(out, at + 116, miniSectors ? firstMiniStream : kEndOfChain);
      put64(out, at + 120, uint64_t(miniSectors) * kMiniSectorSize);
    } else if (!e.storage) {
      put32(out, at + 116, e.data.empty() ? kEndOfChain : place[id].start);
      put64(out, at + 120, e.data.size());
    }
  }

  // Header.
  std::memcpy(&out[0], kSignature, 8);
  put16(out, 24, 0x003E);
  put16(out, 26, 0x0004);
  put16(out, 28, 0xFFFE);
  put16(out, 30, kSectorShift);
  put16(out, 32, kMiniSectorShift);
  put32(out, 40, dirSectors);
  put32(out, 44, fatSectors);
  put32(out, 48, firstDir);
  put32(out, 52, 0);
  put32(out, 56, kMiniStreamCutoff);
  put32(out, 60, miniFatSectors ? firstMiniFat : kEndOfChain);
  put32(out, 64, miniFatSectors);
  put32(out, 68, difatSectors ? firstDifat : kEndOfChain);
  put32(out, 72, difatSectors);
  for (uint32_t i = 0; i < kHeaderDifatCount; ++i) put32(out, 76 + i * 4, i < fatSectors ? i : kFreeSect);
  return true;
}

WriteResult writeCompoundFile(const std::string& path, const Tree& tree) {
  std::string bytes;
  std::string error;
  if (!serializeCompoundFile(tree, bytes, error)) return WriteResult{false, false, error};
  return writeFileAtomic(path, bytes);
}

}  // namespace vn::cfb
