#include "library/file_identity.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "library/identity_registry.h"
#include "platform/fnv.h"
#include "platform/paths.h"
#include "platform/secure_random.h"

namespace vn {
namespace identity {

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

void AddPath(Registry& reg, Entry& entry, const std::string& path) {
  if (std::find(entry.paths.begin(), entry.paths.end(), path) == entry.paths.end()) entry.paths.push_back(path);
  reg.byPath[path] = &entry;
  // A path seen again (a rescan) costs no look at the disk; a different one only
  // takes over when the current path is gone, so stale references never win.
  if (entry.currentPath.empty() || (entry.currentPath != path && !fileExists(entry.currentPath))) {
    entry.currentPath = path;
  }
  ++reg.generation;
}

void MakeCurrent(Registry& reg, Entry& entry, const std::string& path) {
  if (std::find(entry.paths.begin(), entry.paths.end(), path) == entry.paths.end()) entry.paths.push_back(path);
  reg.byPath[path] = &entry;
  entry.currentPath = path;
  ++reg.generation;
}

void IndexContent(Registry& reg, Entry& entry, uint64_t contentHash, uint64_t fileSize) {
  auto old = reg.byContent.find({entry.contentHash, entry.fileSize});
  if (old != reg.byContent.end() && old->second == &entry) reg.byContent.erase(old);
  entry.contentHash = contentHash;
  entry.fileSize = fileSize;
  if (contentHash != 0) reg.byContent[{contentHash, fileSize}] = &entry;
}

bool CurrentPathExists(const Registry& reg, Entry& entry) {
  if (entry.existsGeneration != reg.generation) {
    entry.existsCached = fileExists(entry.currentPath);
    entry.existsGeneration = reg.generation;
  }
  return entry.existsCached;
}

FileIdentity Snapshot(const Entry& entry) {
  return {entry.fileId, entry.currentPath, entry.paths, entry.contentHash, entry.fileSize};
}

}  // namespace identity

namespace {

using identity::Entry;
using identity::Registry;

// Reads exactly size bytes at offset; false on an error or a short read.
bool readExactly(int fd, uint64_t offset, unsigned char* buf, size_t size) {
  size_t done = 0;
  while (done < size) {
    ssize_t n = ::pread(fd, buf + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

Entry& createEntry(Registry& reg, const std::string& fileId, uint64_t contentHash, uint64_t fileSize) {
  Entry& entry = reg.entries.emplace_back();
  entry.fileId = fileId;
  identity::IndexContent(reg, entry, contentHash, fileSize);
  reg.byId[fileId] = &entry;
  return entry;
}

std::string randomFileId() {
  unsigned char bytes[8];
  if (!secureRandomBytes(bytes, sizeof bytes)) return {};
  static const char kHex[] = "0123456789abcdef";
  std::string id;
  for (unsigned char b : bytes) {
    id += kHex[b >> 4];
    id += kHex[b & 15];
  }
  return id;
}

Entry* findByContent(Registry& reg, uint64_t contentHash, uint64_t fileSize) {
  if (contentHash == 0) return nullptr;
  auto it = reg.byContent.find({contentHash, fileSize});
  return it == reg.byContent.end() ? nullptr : it->second;
}

}  // namespace

std::optional<FileFingerprint> ComputeFileFingerprint(const std::string& path) {
  constexpr size_t kSpan = 65536;
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat st {};
  std::optional<FileFingerprint> result;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    uint64_t size = static_cast<uint64_t>(st.st_size);
    std::vector<unsigned char> buf(kSpan);
    size_t head = static_cast<size_t>(std::min<uint64_t>(size, kSpan));
    uint64_t h = kFnvStart;
    bool ok = readExactly(fd, 0, buf.data(), head);
    if (ok) h = fnvFeed(h, buf.data(), head);
    if (ok && size > kSpan) {
      ok = readExactly(fd, size - kSpan, buf.data(), kSpan);
      if (ok) h = fnvFeed(h, buf.data(), kSpan);
    }
    if (ok) {
      h = fnvFeedU64(h, size);
      result = FileFingerprint{h == 0 ? 1 : h, size};
    }
  }
  ::close(fd);
  return result;
}

void RegisterFileId(const std::string& fileId, const std::string& path, uint64_t contentHash,
                    uint64_t fileSize) {
  if (fileId.empty()) return;
  Registry& reg = identity::TheRegistry();
  std::lock_guard lock(reg.mutex);
  Entry* entry = findByContent(reg, contentHash, fileSize);
  if (!entry) {
    auto known = reg.byId.find(fileId);
    if (known != reg.byId.end()) {
      entry = known->second;
      // A reference that knows the content teaches it to an entry that did not.
      if (entry->contentHash == 0 && contentHash != 0) identity::IndexContent(reg, *entry, contentHash, fileSize);
    } else {
      entry = &createEntry(reg, fileId, contentHash, fileSize);
    }
  }
  // The same content may arrive under another id (a project made on another
  // machine): that id then resolves to the same entry.
  reg.byId.try_emplace(fileId, entry);
  if (!path.empty()) identity::AddPath(reg, *entry, path);
}

std::string FileIdFor(const std::string& path, uint64_t contentHash, uint64_t fileSize) {
  Registry& reg = identity::TheRegistry();
  std::lock_guard lock(reg.mutex);
  Entry* entry = findByContent(reg, contentHash, fileSize);
  if (!entry) {
    std::string id = randomFileId();
    // Eight random bytes collide with a known id practically never; drawing again is cheap.
    while (!id.empty() && reg.byId.count(id)) id = randomFileId();
    if (id.empty()) return {};
    entry = &createEntry(reg, id, contentHash, fileSize);
  }
  if (!path.empty()) identity::AddPath(reg, *entry, path);
  return entry->fileId;
}

std::optional<FileIdentity> LookupFileIdentity(const std::string& fileId) {
  Registry& reg = identity::TheRegistry();
  std::lock_guard lock(reg.mutex);
  auto it = reg.byId.find(fileId);
  if (it == reg.byId.end()) return std::nullopt;
  return identity::Snapshot(*it->second);
}

std::string CurrentPathForFileId(const std::string& fileId) {
  Registry& reg = identity::TheRegistry();
  std::lock_guard lock(reg.mutex);
  auto it = reg.byId.find(fileId);
  return it == reg.byId.end() ? std::string() : it->second->currentPath;
}

std::string FileIdForPath(const std::string& path) {
  Registry& reg = identity::TheRegistry();
  std::lock_guard lock(reg.mutex);
  auto it = reg.byPath.find(path);
  return it == reg.byPath.end() ? std::string() : it->second->fileId;
}

uint64_t FileIdentityGeneration() {
  Registry& reg = identity::TheRegistry();
  std::lock_guard lock(reg.mutex);
  return reg.generation;
}

}  // namespace vn
