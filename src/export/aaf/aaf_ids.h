#pragma once
// AUIDs and MobIDs in the byte order the AAF container stores them.
#include <array>
#include <cstdint>
#include <string>

namespace vn::aaf {

// 16 bytes in GUID order: the first three fields little-endian, the last eight as
// written ("0d010101-0101-2f00-060e-2b3402060101").
using Auid = std::array<uint8_t, 16>;
Auid auidFromText(const std::string& text);
std::string auidToText(const Auid& auid);

// A 32-byte SMPTE UMID for a mob: the AAF label, then a random material number.
using MobId = std::array<uint8_t, 32>;
MobId newMobId();

}  // namespace vn::aaf
