#pragma once
// Where the ledger keeps its files, and the small texts its files share.
#include <cstdint>
#include <ctime>
#include <string>

namespace vn {

// The application data folder + "/Prints"; empty when there is no application data folder.
std::string PrintsFolder();

constexpr const char* kIndexFileName = "index.tsv";
constexpr const char* kSourcesFileName = "sources.tsv";
constexpr const char* kIndexLockName = "index.lock";
constexpr const char* kIndexHeader = "#vn_print_index\tv1";
constexpr const char* kSourcesHeader = "#vn_print_sources\tv1";

// "%Y-%m-%dT%H:%M:%SZ" of a time, in UTC.
std::string utcText(std::time_t when);
// "records/YYYY/MM/<printId>.json", the year and month taken from createdUTC; empty
// when createdUTC is too short to name them or printId could leave the folder.
std::string recordRelativePath(const std::string& createdUTC, const std::string& printId);
// "%016llx" of a hash.
std::string hashText(uint64_t hash);
// A hash written by hashText; 0 when the text is not 1 to 16 hex digits.
uint64_t parseHashText(const std::string& text);

}  // namespace vn
