#pragma once
// The chunk list of a RIFF/WAVE file, read from its headers alone. The writer's
// patches (bext, appended iXML, the extensible finalise) and the inspector use it;
// it trusts no size it reads: a chunk that runs past the end of the file is
// reported as cut short and the walk stops there.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vn {

struct WavChunk {
  std::string id;         // four characters
  uint64_t offset = 0;    // of the chunk's 8-byte header
  uint32_t size = 0;      // as the header declares it
  bool cutShort = false;  // the declared body runs past the end of the file
  uint64_t bodyOffset() const { return offset + 8; }
  // Header, body and the pad byte of an odd size.
  uint64_t span() const { return 8 + uint64_t{size} + (size & 1u); }
};

struct WavChunkList {
  uint32_t riffSize = 0;  // the size field at offset 4
  uint64_t fileSize = 0;
  std::vector<WavChunk> chunks;
  const WavChunk* find(std::string_view id) const;
};

// More chunks than this and the walk stops: no real file has them, a hostile one
// would only cost time.
constexpr size_t kMaxWavChunks = 4096;

// nullopt when the file is not RIFF/WAVE (or cannot be read).
std::optional<WavChunkList> readWavChunks(int fd);
std::optional<WavChunkList> readWavChunks(const std::string& path);

// Little-endian helpers for the patches.
void putLe32(unsigned char* out, uint32_t value);
uint32_t getLe32(const unsigned char* in);
// pread/pwrite of exactly size bytes (retrying short transfers); false on an error or end of file.
bool readAt(int fd, uint64_t offset, void* buf, size_t size);
bool writeAt(int fd, uint64_t offset, const void* buf, size_t size);

}  // namespace vn
