#pragma once
// A compound-file (structured storage) container built in memory and written once:
// storages and streams are added to a tree, then the whole file is laid out (FAT,
// DIFAT, mini stream, directory) and committed atomically.
#include <array>
#include <cstdint>
#include <functional>
#include <string_view>
#include <string>
#include <vector>

#include "platform/atomic_write.h"

namespace vn::cfb {

using Clsid = std::array<uint8_t, 16>;

struct TreeEntry {
  std::string name;  // ASCII, at most 31 characters
  bool storage = false;
  Clsid clsid{};
  uint64_t dataAt = 0, dataSize = 0;  // a stream's bytes in the tree's bytes
  std::vector<uint32_t> children;
};

// entries[0] is the root storage. The streams' bytes lie one after another in one
// buffer: a session writes a hundred thousand small streams.
struct Tree {
  std::vector<TreeEntry> entries = {TreeEntry{"Root Entry", true, {}, 0, 0, {}}};
  std::string bytes;
};

constexpr uint32_t kRootId = 0;

uint32_t addStorage(Tree& tree, uint32_t parent, std::string name, const Clsid& clsid);
uint32_t addStream(Tree& tree, uint32_t parent, std::string name, std::string_view data);
inline std::string_view streamData(const Tree& tree, const TreeEntry& e) {
  return std::string_view(tree.bytes).substr(e.dataAt, e.dataSize);
}

// How many FAT and DIFAT sectors a file of dataSectors other sectors needs: the FAT
// maps every sector, its own and the DIFAT's included; the header lists 109 FAT
// sectors and each DIFAT sector 1023 more.
struct FatLayout {
  uint32_t fatSectors = 0;
  uint32_t difatSectors = 0;
};
FatLayout fatLayoutFor(uint64_t dataSectors);

// Lays the file out and hands its bytes to sink in order, a piece at a time; false
// with a reason in error when a name cannot be stored or the sink refuses.
using ByteSink = std::function<bool(std::string_view)>;
bool emitCompoundFile(const Tree& tree, const ByteSink& sink, std::string& error);

// The whole file's bytes.
bool serializeCompoundFile(const Tree& tree, std::string& out, std::string& error);

// Streams the file into a temporary file, then commits and renames it.
WriteResult writeCompoundFile(const std::string& path, const Tree& tree);

}  // namespace vn::cfb
