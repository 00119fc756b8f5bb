#pragma once
// A bounded reader of compound files: every chain, link and size is checked against
// the file it came from, so a damaged or hostile file gives an error, never a crash,
// a loop or an allocation beyond the file's own size.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vn::cfb {

struct DirEntry {
  std::string name;  // characters past ASCII read as '?'
  uint8_t type = 0;
  uint32_t left = 0, right = 0, child = 0;
  std::array<uint8_t, 16> clsid{};
  uint32_t start = 0;
  uint64_t size = 0;
};

struct File {
  std::string bytes;
  uint32_t sectorSize = 0;
  std::vector<uint32_t> fat;
  std::vector<uint32_t> miniFat;
  std::vector<DirEntry> entries;  // entries[0] is the root
  std::string miniStream;
};

// Parses header, FAT, mini FAT and directory; nullopt with a one-sentence reason.
std::optional<File> openCompoundFile(std::string bytes, std::string& error);

// The children of a storage in name order; false when the sibling tree is damaged
// (a loop, a link out of range, an entry reached twice).
bool listChildren(const File& file, uint32_t storage, std::vector<uint32_t>& children,
                  std::string& error);

// The id of the named child, found by the sibling tree's name order, or nullopt.
std::optional<uint32_t> findChild(const File& file, uint32_t storage, const std::string& name);

// A stream's bytes; false when its chain is damaged or shorter than its size.
bool readStream(const File& file, uint32_t entry, std::string& out, std::string& error);

}  // namespace vn::cfb
