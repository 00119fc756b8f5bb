#include "library/relink.h"

#include <algorithm>
#include <filesystem>
#include <set>

#include "library/audio_extensions.h"
#include "library/identity_registry.h"
#include "platform/log.h"

namespace vn {
namespace {

using identity::Entry;
using identity::Registry;

Entry* findById(Registry& reg, const std::string& fileId) {
  auto it = reg.byId.find(fileId);
  return it == reg.byId.end() ? nullptr : it->second;
}

// Sound files under folder whose size is one of sizes, in byte order of their paths
// so that the first copy of a content is always the same one.
std::vector<std::string> candidateFiles(const std::string& folder, const std::set<uint64_t>& sizes,
                                      const volatile int* cancel) {
  namespace fs = std::filesystem;
  std::vector<std::string> found;
  std::error_code ec;
  fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
  for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (cancel && *cancel) break;
    std::error_code fileEc;
    if (!it->is_regular_file(fileEc)) continue;
    std::string path = it->path().string();
    if (!HasAudioFileExtension(path)) continue;
    uint64_t size = it->file_size(fileEc);
    if (fileEc || !sizes.count(size)) continue;
    found.push_back(std::move(path));
  }
  std::sort(found.begin(), found.end());
  return found;
}

// Fingerprints newPath first (never under the mutex), then hands the entry of
// fileId to change, with the registry locked.
template <typename Change>
RelinkResult relinkEntry(const std::string& fileId, const std::string& newPath, Change change) {
  std::optional<FileFingerprint> fingerprint = ComputeFileFingerprint(newPath);
  if (!fingerprint) return kRelinkUnreadable;
  Registry& reg = identity::TheRegistry();
  std::lock_guard lock(reg.mutex);
  Entry* entry = findById(reg, fileId);
  if (!entry) return kRelinkUnknownId;
  return change(reg, *entry, *fingerprint);
}

}  // namespace

int CountMissing() {
  Registry& reg = identity::TheRegistry();
  std::lock_guard lock(reg.mutex);
  int missing = 0;
  for (Entry& entry : reg.entries)
    if (!identity::CurrentPathExists(reg, entry)) ++missing;
  return missing;
}

std::vector<FileIdentity> MissingSources() {
  Registry& reg = identity::TheRegistry();
  std::lock_guard lock(reg.mutex);
  std::vector<FileIdentity> missing;
  for (Entry& entry : reg.entries)
    if (!identity::CurrentPathExists(reg, entry))
      missing.push_back(identity::Snapshot(entry));
  return missing;
}

RelinkResult RelinkOne(const std::string& fileId, const std::string& newPath) {
  return relinkEntry(fileId, newPath, [&](Registry& reg, Entry& entry, const FileFingerprint& fingerprint) {
    if (entry.contentHash != 0) {
      if (entry.contentHash != fingerprint.contentHash || entry.fileSize != fingerprint.fileSize)
        return kRelinkDifferentContent;
    } else {
      identity::IndexContent(reg, entry, fingerprint.contentHash, fingerprint.fileSize);
    }
    identity::MakeCurrent(reg, entry, newPath);
    return kRelinked;
  });
}

RelinkResult ForceRelink(const std::string& fileId, const std::string& newPath) {
  return relinkEntry(fileId, newPath, [&](Registry& reg, Entry& entry, const FileFingerprint& fingerprint) {
    for (const std::string& path : entry.paths) {
      auto seen = reg.byPath.find(path);
      if (seen != reg.byPath.end() && seen->second == &entry) reg.byPath.erase(seen);
    }
    entry.paths.clear();
    identity::IndexContent(reg, entry, fingerprint.contentHash, fingerprint.fileSize);
    identity::MakeCurrent(reg, entry, newPath);
    return kRelinked;
  });
}

int RelinkFromFolder(const std::string& folder, const std::string& onlyFileId, const RelinkWatch& watch) {
  Registry& reg = identity::TheRegistry();
  std::set<uint64_t> sizes;
  {
    std::lock_guard lock(reg.mutex);
    for (Entry& entry : reg.entries) {
      if (!onlyFileId.empty() && entry.fileId != onlyFileId) continue;
      if (entry.contentHash != 0 && !identity::CurrentPathExists(reg, entry)) sizes.insert(entry.fileSize);
    }
  }
  if (sizes.empty()) return 0;

  auto cancelled = [&] { return watch.cancel && *watch.cancel; };
  std::vector<std::string> files = candidateFiles(folder, sizes, watch.cancel);
  int relinked = 0;
  for (size_t done = 0; done < files.size() && !cancelled(); ++done) {
    if (watch.progress) watch.progress(done, files.size());
    std::optional<FileFingerprint> fingerprint = ComputeFileFingerprint(files[done]);
    if (!fingerprint) continue;
    std::lock_guard lock(reg.mutex);
    auto match = reg.byContent.find({fingerprint->contentHash, fingerprint->fileSize});
    if (match == reg.byContent.end()) continue;
    Entry& entry = *match->second;
    if (!onlyFileId.empty() && entry.fileId != onlyFileId) continue;
    if (identity::CurrentPathExists(reg, entry)) continue;
    identity::MakeCurrent(reg, entry, files[done]);
    ++relinked;
  }
  return relinked;
}

std::string RelinkSummary(int count) {
  if (count == 0) return "No matching files found";
  return format("Relinked %d file%s", count, plural(count));
}

}  // namespace vn
