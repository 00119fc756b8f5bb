#include "export_fixtures.h"

#include <sndfile.h>
#include <zlib.h>

#include <array>
#include <cstdio>
#include <memory>

#include "export/base64.h"

namespace vn::test {

std::vector<ParsedChunk> parseChunks(const std::string& bytes) {
  std::vector<ParsedChunk> chunks;
  if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0) return chunks;
  size_t at = 12;
  while (at + 8 <= bytes.size()) {
    ParsedChunk c;
    c.id = bytes.substr(at, 4);
    c.offset = at;
    c.size = le32At(bytes, at + 4);
    chunks.push_back(c);
    at += 8 + size_t{c.size} + (c.size & 1u);
  }
  return chunks;
}

const ParsedChunk* findChunk(const std::vector<ParsedChunk>& chunks, const std::string& id) {
  for (const ParsedChunk& c : chunks)
    if (c.id == id) return &c;
  return nullptr;
}

uint32_t le32At(const std::string& bytes, size_t offset) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + offset);
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

uint16_t le16At(const std::string& bytes, size_t offset) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + offset);
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

std::string chunkBody(const std::string& bytes, const ParsedChunk& chunk) {
  return bytes.substr(chunk.offset + 8, chunk.size);
}

std::optional<ReadBack> readBack(const std::string& path) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) return std::nullopt;
  ReadBack r;
  r.channels = info.channels;
  r.sampleRate = info.samplerate;
  r.format = info.format;
  r.samples.resize(static_cast<size_t>(info.frames) * info.channels);
  const sf_count_t got = sf_readf_int(file, r.samples.data(), info.frames);
  r.samples.resize(static_cast<size_t>(got) * info.channels);
  sf_close(file);
  return r;
}

std::vector<Event> sampleEvents(int count) {
  std::vector<Event> events;
  for (int i = 0; i < count; ++i) {
    Event e;
    e.time = 1.5f + static_cast<float>(i);
    e.duration = 0.75f;
    e.shape = static_cast<ShapeType>(i % 5);
    e.keywords = "door slam & latch " + std::to_string(i);
    e.gain = 0.5f;
    e.hero = i == 0;
    events.push_back(e);
  }
  return events;
}

std::vector<Layer> sampleLayers(int count) {
  std::vector<Layer> layers;
  for (int i = 0; i < count; ++i) {
    Layer l;
    l.id = static_cast<uint32_t>(100 + i);
    l.name = "layer " + std::to_string(i);
    l.filepath = "/sfx/door_" + std::to_string(i % 3) + ".wav";
    l.fileId = "00000000000000a" + std::to_string(i % 3);
    l.sourceOffset = 0.25f * static_cast<float>(i);
    l.startTime = 2.0f + static_cast<float>(i);
    l.duration = 1.0f;
    l.eventIdx = i;
    l.layerGain = 0.5f;
    layers.push_back(l);
  }
  return layers;
}

FakeFreeSpace::FakeFreeSpace(uint64_t bytes) {
  previous_ = setFreeSpaceQuery([bytes](const std::string&) { return std::optional<uint64_t>(bytes); });
}

FakeFreeSpace::~FakeFreeSpace() { setFreeSpaceQuery(std::move(previous_)); }

std::string deflateBomb(int mebibytes) {
  z_stream z{};
  // Run-length matching: the best ratio deflate has for zeros, found quickly.
  deflateInit2(&z, 9, Z_DEFLATED, 15, 8, Z_RLE);
  std::string out(1u << 20, '\0');
  const std::string block(1u << 20, '\0');
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  for (int i = 0; i < mebibytes; ++i) {
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(block.data()));
    z.avail_in = static_cast<uInt>(block.size());
    deflate(&z, i + 1 == mebibytes ? Z_FINISH : Z_NO_FLUSH);
  }
  out.resize(z.total_out);
  deflateEnd(&z);
  return base64Encode(out);
}

std::string commandOutput(const std::string& command) {
  std::string out;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen((command + " 2>&1").c_str(), "r"), ::pclose);
  if (!pipe) return out;
  std::array<char, 4096> buf;
  size_t n;
  while ((n = std::fread(buf.data(), 1, buf.size(), pipe.get())) > 0) out.append(buf.data(), n);
  return out;
}

}  // namespace vn::test
