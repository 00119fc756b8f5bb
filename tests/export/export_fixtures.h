#pragma once
// Helpers of the export tests: a RIFF chunk list parsed here (not by the code under
// test), samples read back through libsndfile, sessions to carry as payloads, and a
// free-space query that pretends the disk is nearly full.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/session.h"
#include "export/bwf_disk_space.h"

namespace vn::test {

struct ParsedChunk {
  std::string id;
  size_t offset = 0;  // of the header
  uint32_t size = 0;
};

// Every chunk of a RIFF/WAVE byte string; empty when it is not one.
std::vector<ParsedChunk> parseChunks(const std::string& bytes);
const ParsedChunk* findChunk(const std::vector<ParsedChunk>& chunks, const std::string& id);
uint32_t le32At(const std::string& bytes, size_t offset);
uint16_t le16At(const std::string& bytes, size_t offset);
// The body of a chunk as text.
std::string chunkBody(const std::string& bytes, const ParsedChunk& chunk);

struct ReadBack {
  int channels = 0;
  int sampleRate = 0;
  int format = 0;
  std::vector<int32_t> samples;  // interleaved, full scale = 2^31 - 256 for 24-bit
};
// The file read through libsndfile as 32-bit integers; nullopt when it does not open.
std::optional<ReadBack> readBack(const std::string& path);

// Events and layers that exercise most of their fields.
std::vector<Event> sampleEvents(int count);
std::vector<Layer> sampleLayers(int count);

// Makes every free-space query answer bytes while it lives.
class FakeFreeSpace {
 public:
  explicit FakeFreeSpace(uint64_t bytes);
  ~FakeFreeSpace();
  FakeFreeSpace(const FakeFreeSpace&) = delete;
  FakeFreeSpace& operator=(const FakeFreeSpace&) = delete;

 private:
  FreeSpaceQuery previous_;
};

// Base64 of a zlib stream that inflates to mebibytes MiB of zeros.
std::string deflateBomb(int mebibytes);

// Runs a command through the shell and returns what it printed (both streams).
std::string commandOutput(const std::string& command);

}  // namespace vn::test
