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

constexpr uint32_t kRootParent = 0;

struct TreeEntry {
  uint32_t parent = 0;
  uint32_t nameAt = 0;  // the name in the tree's names: ASCII, at most 31 characters
  uint32_t clsid = 0;   // a storage's class id, in the tree's class ids
  uint16_t nameSize = 0;
  bool storage = false;
  uint64_t dataAt = 0, dataSize = 0;  // a stream's bytes in the tree's bytes
};

// entries[0] is the root storage. A session writes a hundred thousand small streams
// and storages, so names and bytes lie one after another in one buffer each, and an
// entry names its parent rather than holding a list of children.
struct Tree {
  std::vector<TreeEntry> entries = {TreeEntry{kRootParent, 0, 0, 0, true, 0, 0}};
  std::vector<Clsid> clsids = {Clsid{}};
  std::string names;
  std::string bytes;
};

constexpr uint32_t kRootId = 0;

// Empties tree down to its root, keeping its buffers.
void clearTree(Tree& tree);

uint32_t addStorage(Tree& tree, uint32_t parent, std::string_view name, const Clsid& clsid);
void setClsid(Tree& tree, uint32_t storage, const Clsid& clsid);
uint32_t addStream(Tree& tree, uint32_t parent, std::string_view name, std::string_view data);
// A stream of the bytes appended to tree.bytes since from, for writers that build
// a stream in place.
uint32_t addStreamOfTail(Tree& tree, uint32_t parent, std::string_view name, size_t from);
inline std::string_view entryName(const Tree& tree, const TreeEntry& e) {
  return std::string_view(tree.names.data() + e.nameAt, e.nameSize);
}
// Storages and streams in the tree, the root left out: every storage has its class id.
inline size_t storageCount(const Tree& tree) { return tree.clsids.size() - 1; }
inline size_t streamCount(const Tree& tree) { return tree.entries.size() - tree.clsids.size(); }

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
