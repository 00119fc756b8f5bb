#include "export/aaf/cfb_reader.h"

#include <algorithm>
#include <cstring>

#include "export/aaf/cfb_format.h"
#include "export/aaf/cfb_names.h"

namespace vn::cfb {
namespace {

uint16_t get16(const std::string& b, size_t at) {
  return static_cast<uint16_t>(static_cast<unsigned char>(b[at]) |
                               (static_cast<unsigned char>(b[at + 1]) << 8));
}
uint32_t get32(const std::string& b, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
  return v;
}
uint64_t get64(const std::string& b, size_t at) {
  return uint64_t(get32(b, at)) | (uint64_t(get32(b, at + 4)) << 32);
}

struct Reader {
  const std::string& bytes;
  uint32_t sectorSize;
  uint64_t sectorCount;  // whole sectors after the header sector

  bool sectorInFile(uint32_t s) const { return s < sectorCount; }
  size_t offsetOf(uint32_t s) const { return size_t(s + 1) * sectorSize; }
};

// Follows a chain through table; the sectors in order. A chain of more than `limit`
// links is an error unless `enough` says the caller needs only that many.
bool followChain(const std::vector<uint32_t>& table, uint32_t first, uint64_t limit,
                 std::vector<uint32_t>& out, std::string& error, bool enough = false) {
  out.clear();
  uint32_t s = first;
  while (s != kEndOfChain) {
    if (enough && out.size() == limit) return true;
    if (s >= table.size()) {
      error = "a sector chain points past the end of the file";
      return false;
    }
    if (out.size() >= limit) {
      error = "a sector chain loops or is longer than its data";
      return false;
    }
    out.push_back(s);
    s = table[s];
  }
  return true;
}

}  // namespace

std::optional<File> openCompoundFile(std::string bytes, std::string& error) {
  File file;
  file.bytes = std::move(bytes);
  const std::string& b = file.bytes;
  if (b.size() < kHeaderSize || std::memcmp(b.data(), kSignature, 8) != 0) {
    error = "the file is not a compound file";
    return std::nullopt;
  }
  const uint16_t shift = get16(b, 30);
  if (get16(b, 28) != 0xFFFE || (shift != 9 && shift != 12) || get16(b, 32) != kMiniSectorShift) {
    error = "the compound file header is damaged";
    return std::nullopt;
  }
  file.sectorSize = 1u << shift;
  Reader r{b, file.sectorSize, b.size() >= file.sectorSize ? b.size() / file.sectorSize - 1 : 0};
  const uint32_t idsPerSector = file.sectorSize / 4;

  // DIFAT: the header's 109 entries, then the linked DIFAT sectors.
  const uint32_t fatSectors = get32(b, 44);
  if (fatSectors > r.sectorCount) {
    error = "the compound file declares more FAT sectors than it holds";
    return std::nullopt;
  }
  std::vector<uint32_t> fatList;
  for (uint32_t i = 0; i < kHeaderDifatCount && fatList.size() < fatSectors; ++i)
    fatList.push_back(get32(b, 76 + i * 4));
  uint32_t difat = get32(b, 68);
  uint64_t difatSteps = 0;
  while (fatList.size() < fatSectors) {
    if (!r.sectorInFile(difat) || ++difatSteps > r.sectorCount) {
      error = "the compound file's DIFAT chain is damaged";
      return std::nullopt;
    }
    const size_t at = r.offsetOf(difat);
    for (uint32_t i = 0; i + 1 < idsPerSector && fatList.size() < fatSectors; ++i)
      fatList.push_back(get32(b, at + i * 4));
    difat = get32(b, at + (idsPerSector - 1) * 4);
  }
  file.fat.reserve(size_t(fatSectors) * idsPerSector);
  for (uint32_t s : fatList) {
    if (!r.sectorInFile(s)) {
      error = "a FAT sector lies past the end of the file";
      return std::nullopt;
    }
    const size_t at = r.offsetOf(s);
    for (uint32_t i = 0; i < idsPerSector; ++i) file.fat.push_back(get32(b, at + i * 4));
  }
  // Sectors that do not exist in the file cannot be chained to.
  if (file.fat.size() > r.sectorCount) file.fat.resize(r.sectorCount);

  std::vector<uint32_t> chain;
  auto readChain = [&](uint32_t first, std::string& out) {
    if (!followChain(file.fat, first, r.sectorCount, chain, error)) return false;
    out.clear();
    out.reserve(chain.size() * file.sectorSize);
    for (uint32_t s : chain) out.append(b, r.offsetOf(s), file.sectorSize);
    return true;
  };

  // Directory.
  std::string dir;
  if (!readChain(get32(b, 48), dir)) return std::nullopt;
  const size_t entryCount = dir.size() / kDirEntrySize;
  if (entryCount == 0) {
    error = "the compound file has no directory";
    return std::nullopt;
  }
  file.entries.resize(entryCount);
  for (size_t i = 0; i < entryCount; ++i) {
    const size_t at = i * kDirEntrySize;
    DirEntry& e = file.entries[i];
    const uint16_t nameBytes = get16(dir, at + 64);
    const size_t units = nameBytes >= 2 && nameBytes <= 64 ? nameBytes / 2 - 1 : 0;
    for (size_t k = 0; k < units; ++k) {
      const uint16_t c = get16(dir, at + k * 2);
      e.name.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    }
    e.type = static_cast<uint8_t>(dir[at + 66]);
    e.left = get32(dir, at + 68);
    e.right = get32(dir, at + 72);
    e.child = get32(dir, at + 76);
    std::memcpy(e.clsid.data(), &dir[at + 80], 16);
    e.start = get32(dir, at + 116);
    e.size = get64(dir, at + 120);
    if (file.sectorSize == 512) e.size &= 0xFFFFFFFFu;  // version 3 keeps only 32 bits
  }
  if (file.entries[0].type != kTypeRoot) {
    error = "the compound file has no root entry";
    return std::nullopt;
  }

  // Mini FAT and mini stream.
  const DirEntry& root = file.entries[0];
  if (root.size > b.size()) {
    error = "the compound file's mini stream is larger than the file";
    return std::nullopt;
  }
  std::string miniFatBytes;
  if (get32(b, 60) != kEndOfChain && get32(b, 64) != 0 && !readChain(get32(b, 60), miniFatBytes))
    return std::nullopt;
  file.miniFat.resize(miniFatBytes.size() / 4);
  for (size_t i = 0; i < file.miniFat.size(); ++i) file.miniFat[i] = get32(miniFatBytes, i * 4);
  if (root.size > 0) {
    if (!readChain(root.start, file.miniStream)) return std::nullopt;
    if (file.miniStream.size() < root.size) {
      error = "the compound file's mini stream is shorter than declared";
      return std::nullopt;
    }
    file.miniStream.resize(root.size);
  }
  return file;
}

bool listChildren(const File& file, uint32_t storage, std::vector<uint32_t>& children,
                  std::string& error) {
  children.clear();
  if (storage >= file.entries.size()) {
    error = "a storage id is out of range";
    return false;
  }
  std::vector<uint8_t> seen(file.entries.size(), 0);
  // In-order walk with an explicit stack; every entry may be visited once.
  std::vector<uint32_t> stack;
  uint32_t node = file.entries[storage].child;
  while (node != kNoStream || !stack.empty()) {
    while (node != kNoStream) {
      if (node >= file.entries.size() || seen[node] || node == storage) {
        error = "the compound file's directory tree is damaged";
        return false;
      }
      seen[node] = 1;
      stack.push_back(node);
      node = file.entries[node].left;
    }
    node = stack.back();
    stack.pop_back();
    children.push_back(node);
    node = file.entries[node].right;
  }
  return true;
}

std::optional<uint32_t> findChild(const File& file, uint32_t storage, const std::string& name) {
  if (storage >= file.entries.size()) return std::nullopt;
  // Siblings form a search tree in name order; a damaged tree ends the search
  // after as many steps as there are entries.
  uint32_t node = file.entries[storage].child;
  for (size_t steps = 0; node != kNoStream && node < file.entries.size() && steps < file.entries.size(); ++steps) {
    const int order = compareEntryNames(name, file.entries[node].name);
    if (order == 0) return node;
    node = order < 0 ? file.entries[node].left : file.entries[node].right;
  }
  return std::nullopt;
}

bool readStream(const File& file, uint32_t entry, std::string& out, std::string& error) {
  out.clear();
  if (entry >= file.entries.size() || file.entries[entry].type != kTypeStream) {
    error = "the entry is not a stream";
    return false;
  }
  const DirEntry& e = file.entries[entry];
  if (e.size == 0) return true;
  const bool mini = e.size < kMiniStreamCutoff;
  const std::vector<uint32_t>& table = mini ? file.miniFat : file.fat;
  const uint64_t unit = mini ? kMiniSectorSize : file.sectorSize;
  const uint64_t available = mini ? file.miniStream.size() : file.bytes.size();
  if (e.size > available) {
    error = "a stream is declared larger than its container";
    return false;
  }
  std::vector<uint32_t> chain;
  const uint64_t needed = (e.size + unit - 1) / unit;
  if (!followChain(table, e.start, needed, chain, error, true)) return false;
  if (chain.size() < needed) {
    error = "a stream's chain is shorter than its size";
    return false;
  }
  out.reserve(e.size);
  for (uint32_t s : chain) {
    const uint64_t at = mini ? uint64_t(s) * unit : uint64_t(s + 1) * unit;
    const uint64_t take = std::min<uint64_t>(unit, e.size - out.size());
    if (at + take > available) {
      error = "a stream's sector lies past the end of its container";
      return false;
    }
    out.append(mini ? file.miniStream : file.bytes, at, take);
  }
  return true;
}

}  // namespace vn::cfb
