#pragma once
// Missing sources and relinking: a source is missing when the current path of its
// registry entry no longer exists; it is found again by content, never by name.
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "library/file_identity.h"

namespace vn {

enum RelinkResult : int {
  kRelinked = 0,
  kRelinkDifferentContent = 1,
  kRelinkUnreadable = 2,
  kRelinkUnknownId = 3,
};

// Number of registry entries whose current path does not exist.
int CountMissing();
// Those entries, in the order they were first registered.
std::vector<FileIdentity> MissingSources();

// Points fileId at newPath when newPath holds the same content.
RelinkResult RelinkOne(const std::string& fileId, const std::string& newPath);
// Points fileId at newPath whatever it holds ("Use anyway"): the entry takes the new
// content and forgets its earlier paths.
RelinkResult ForceRelink(const std::string& fileId, const std::string& newPath);

// How a caller follows and stops a folder relink.
struct RelinkWatch {
  const volatile int* cancel = nullptr;                        // non-zero stops the work early
  std::function<void(size_t done, size_t total)> progress;  // files fingerprinted of those to read
};

// Walks folder for sound files of a missing source's size and relinks every missing
// source (or only onlyFileId when it is not empty) whose content one of them holds.
// Returns the number of sources relinked.
int RelinkFromFolder(const std::string& folder, const std::string& onlyFileId = {}, const RelinkWatch& watch = {});

// "Relinked 3 files" or "No matching files found".
std::string RelinkSummary(int count);

}  // namespace vn
