#pragma once
// AUIDs and MobIDs in the byte order the AAF container stores them.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vn::aaf {

// 16 bytes in GUID order: the first three fields little-endian, the last eight as
// written ("0d010101-0101-2f00-060e-2b3402060101").
using Auid = std::array<uint8_t, 16>;
Auid auidFromText(std::string_view text);
std::string auidToText(const Auid& auid);

// 32-byte SMPTE UMIDs for the mobs of one file: the AAF label, then a material
// number that is a random version-4 UUID drawn once per source, whose last 48 bits
// count up. Every id of one source differs, and one random draw per file keeps
// thousands of mobs from costing a system call each.
using MobId = std::array<uint8_t, 32>;
class MobIdSource {
 public:
  MobIdSource();
  MobId next();

 private:
  MobId base_{};
  uint64_t count_ = 0;
};

}  // namespace vn::aaf
