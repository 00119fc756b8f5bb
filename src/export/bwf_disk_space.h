#pragma once
// Free space on the volume a file is written to: the guard that refuses an output
// before anything is written, and the disk-full wording of a write that failed.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace vn {

// Below this, an export output is refused before it is written.
constexpr uint64_t kMinFreeBytesToStart = 64ull << 20;
// Below this, a failed create or write is reported as a full disk.
constexpr uint64_t kDiskFullBytes = 256ull << 20;

// Free bytes of the volume holding folder; nullopt when the system cannot say.
using FreeSpaceQuery = std::function<std::optional<uint64_t>(const std::string& folder)>;
// Replaces the query (tests simulate a nearly full disk); an empty one restores the
// system's. Returns the previous query.
FreeSpaceQuery setFreeSpaceQuery(FreeSpaceQuery query);
std::optional<uint64_t> freeSpaceOfFolder(const std::string& folder);

// The disk space guard for an output about to be written: false, with the reason
// "disk full (N MB free) - NAME refused before writing anything" noted for the run,
// when the query succeeds and less than kMinFreeBytesToStart is free.
bool CheckDiskSpaceBeforeWrite(const std::string& path);

// "disk full (N MB free)" when the volume of path has less than kDiskFullBytes
// free, else reason.
std::string diskFullOr(const std::string& path, const std::string& reason);

}  // namespace vn
