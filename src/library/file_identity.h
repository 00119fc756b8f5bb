#pragma once
// Content identity of sound files and the process-wide file-identity registry.
// A fileId names one content (fingerprint and size), wherever the file lies; the
// registry remembers every path where that content was seen and which one is
// current, so that moved files are found again by content, never by name.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vn {

struct FileFingerprint {
  uint64_t contentHash = 0;  // never 0 for a computed fingerprint
  uint64_t fileSize = 0;
};

// FNV-1a (the program's start value) over the first and the last 64 KiB and the
// size; reads nothing else. nullopt when the file cannot be examined or read.
std::optional<FileFingerprint> ComputeFileFingerprint(const std::string& path);

// Adds path to the entry of (contentHash, fileSize), creating it under fileId when
// absent. A contentHash of 0 means "not known yet": the entry is then found by id only.
void RegisterFileId(const std::string& fileId, const std::string& path, uint64_t contentHash,
                    uint64_t fileSize);

// The fileId of the content, handing out a fresh random one for content never seen.
// Empty only when the system's random source fails.
std::string FileIdFor(const std::string& path, uint64_t contentHash, uint64_t fileSize);

// A copy of one registry entry.
struct FileIdentity {
  std::string fileId;
  std::string currentPath;
  std::vector<std::string> paths;  // every path seen with this content, first seen first
  uint64_t contentHash = 0;        // 0 when not known yet
  uint64_t fileSize = 0;
};

std::optional<FileIdentity> LookupFileIdentity(const std::string& fileId);
// The current path of a fileId; empty when the registry does not know the id.
std::string CurrentPathForFileId(const std::string& fileId);
// The fileId of the content last seen at path; empty when none was.
std::string FileIdForPath(const std::string& path);
// Incremented by every registration and relink; cached existence checks are
// recomputed when it moves.
uint64_t FileIdentityGeneration();

}  // namespace vn
