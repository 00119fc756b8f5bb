#pragma once
// Internals of the file-identity registry, shared by the identity functions and
// relinking. Everything here is used with the registry mutex held.
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "library/file_identity.h"

namespace vn::identity {

struct Entry {
  std::string fileId;
  std::string currentPath;
  std::vector<std::string> paths;
  uint64_t contentHash = 0;  // 0 = not known yet
  uint64_t fileSize = 0;
  bool existsCached = false;
  uint64_t existsGeneration = UINT64_MAX;  // generation the cached flag was computed at
};

struct ContentKey {
  uint64_t contentHash;
  uint64_t fileSize;
  bool operator==(const ContentKey&) const = default;
};

struct ContentKeyHash {
  size_t operator()(const ContentKey& k) const { return k.contentHash ^ (k.fileSize * 0x9e3779b97f4a7c15ULL); }
};

struct Registry {
  std::mutex mutex;
  std::deque<Entry> entries;  // stable addresses for the maps below
  std::unordered_map<ContentKey, Entry*, ContentKeyHash> byContent;
  std::unordered_map<std::string, Entry*> byId;
  std::unordered_map<std::string, Entry*> byPath;
  uint64_t generation = 0;
};

Registry& TheRegistry();

// Records path as seen with the entry's content; it becomes current when the
// entry has none or the current one no longer exists.
void AddPath(Registry& reg, Entry& entry, const std::string& path);
// Makes path the entry's current path (a relink).
void MakeCurrent(Registry& reg, Entry& entry, const std::string& path);
// Indexes the entry under a (new) fingerprint and size.
void IndexContent(Registry& reg, Entry& entry, uint64_t contentHash, uint64_t fileSize);
// Whether the current path exists, cached until the generation moves.
bool CurrentPathExists(const Registry& reg, Entry& entry);
// A copy for callers outside the registry.
FileIdentity Snapshot(const Entry& entry);

}  // namespace vn::identity
