#pragma once
// Fixed facts of the compound-file (structured storage) container shared by its
// writer and reader.
#include <cstdint>

namespace vn::cfb {

// Version 4 with 4096-byte sectors: one FAT sector maps 4 MiB instead of 64 KiB, so
// a session of thousands of clips needs no DIFAT sectors until its file passes
// about 436 MiB, and big files need far fewer sectors to chain and check.
constexpr uint32_t kSectorSize = 4096;
constexpr uint32_t kSectorShift = 12;
constexpr uint32_t kMiniSectorSize = 64;
constexpr uint32_t kMiniSectorShift = 6;
constexpr uint32_t kMiniStreamCutoff = 4096;
constexpr uint32_t kHeaderSize = 512;
constexpr uint32_t kDirEntrySize = 128;
constexpr uint32_t kEntriesPerSector = kSectorSize / kDirEntrySize;  // 32
constexpr uint32_t kIdsPerSector = kSectorSize / 4;                  // 1024
constexpr uint32_t kHeaderDifatCount = 109;
constexpr uint32_t kMaxNameUnits = 31;  // plus the terminating null

constexpr uint32_t kMaxRegSect = 0xFFFFFFFA;
constexpr uint32_t kDifSect = 0xFFFFFFFC;
constexpr uint32_t kFatSect = 0xFFFFFFFD;
constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kFreeSect = 0xFFFFFFFF;
constexpr uint32_t kNoStream = 0xFFFFFFFF;

constexpr uint8_t kTypeEmpty = 0;
constexpr uint8_t kTypeStorage = 1;
constexpr uint8_t kTypeStream = 2;
constexpr uint8_t kTypeRoot = 5;
constexpr uint8_t kColorBlack = 1;

constexpr uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

}  // namespace vn::cfb
