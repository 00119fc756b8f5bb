#include "export/bwf_patches.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "export/wav_chunks.h"

namespace vn {
namespace {

constexpr size_t kCopyBuffer = 64 * 1024;

// Offset in the fmt body of WAVE_FORMAT_EXTENSIBLE's dwChannelMask.
constexpr uint64_t kChannelMaskOffset = 20;

bool copyRange(int from, int to, uint64_t src, uint64_t dst, uint64_t size, std::vector<unsigned char>& buf) {
  while (size > 0) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(size, buf.size()));
    if (!readAt(from, src, buf.data(), n) || !writeAt(to, dst, buf.data(), n)) return false;
    src += n;
    dst += n;
    size -= n;
  }
  return true;
}

bool writeMask(int fd, const WavChunk& fmt, uint32_t mask) {
  if (fmt.size < 40) return true;
  unsigned char value[4];
  putLe32(value, mask);
  return writeAt(fd, fmt.bodyOffset() + kChannelMaskOffset, value, sizeof value);
}

// Writes the finalised copy into out; returns its length, 0 on failure.
uint64_t writeCopy(int in, int out, const WavChunkList& chunks, uint32_t mask) {
  std::vector<unsigned char> buf(kCopyBuffer);
  unsigned char head[12];
  std::memcpy(head, "RIFFxxxxWAVE", 12);
  if (!writeAt(out, 0, head, sizeof head)) return 0;
  uint64_t at = 12;
  for (const WavChunk& chunk : chunks.chunks) {
    if (chunk.id == "fact") continue;
    // Header and body, then the pad byte written afresh (a missing one at the end is not an error).
    if (!copyRange(in, out, chunk.offset, at, 8 + uint64_t{chunk.size}, buf)) return 0;
    const unsigned char pad = 0;
    if ((chunk.size & 1) && !writeAt(out, at + 8 + chunk.size, &pad, 1)) return 0;
    if (chunk.id == "fmt " && !writeMask(out, WavChunk{chunk.id, at, chunk.size, false}, mask)) return 0;
    at += chunk.span();
  }
  if (at - 8 > UINT32_MAX) return 0;
  unsigned char size[4];
  putLe32(size, static_cast<uint32_t>(at - 8));
  return writeAt(out, 4, size, sizeof size) ? at : 0;
}

// libsndfile writes `fact` right before `bext`. There the bext chunk can take the
// fact chunk's bytes: it moves up over them and its coding-history field grows by
// as many zero bytes, so nothing after it moves and the file is changed in place
// instead of copied whole. False when the file is not laid out that way.
bool absorbFactIntoBext(int fd, const WavChunkList& chunks, uint32_t mask) {
  const WavChunk* fmt = chunks.find("fmt ");
  size_t fact = 0;
  while (fact < chunks.chunks.size() && chunks.chunks[fact].id != "fact") ++fact;
  if (!fmt || fact + 1 >= chunks.chunks.size()) return false;
  const WavChunk& factChunk = chunks.chunks[fact];
  const WavChunk& bext = chunks.chunks[fact + 1];
  if (bext.id != "bext") return false;
  const uint64_t merged = factChunk.span() + bext.span() - 8;  // even: both spans are
  if (merged > UINT32_MAX) return false;
  std::vector<unsigned char> chunk(8 + merged, 0);
  std::memcpy(chunk.data(), "bext", 4);
  putLe32(chunk.data() + 4, static_cast<uint32_t>(merged));
  if (!readAt(fd, bext.bodyOffset(), chunk.data() + 8, bext.size)) return false;
  return writeAt(fd, factChunk.offset, chunk.data(), chunk.size()) && writeMask(fd, *fmt, mask);
}

}  // namespace

bool finalizeExtensibleWav(const std::string& path, uint32_t channelMask) {
  const int in = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (in < 0) return false;
  const auto chunks = readWavChunks(in);
  // A damaged file is not made to look whole.
  if (!chunks || chunks->chunks.empty() || chunks->chunks.back().cutShort) {
    ::close(in);
    return false;
  }
  const WavChunk* fmt = chunks->find("fmt ");
  if (!chunks->find("fact") && fmt) {
    const bool ok = writeMask(in, *fmt, channelMask);
    return ::close(in) == 0 && ok;
  }
  if (absorbFactIntoBext(in, *chunks, channelMask)) return ::close(in) == 0;
  const std::string tmp = path + ".tmp";
  const int out = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (out < 0) {
    ::close(in);
    return false;
  }
  bool ok = writeCopy(in, out, *chunks, channelMask) != 0;
  ::close(in);
  if (::close(out) != 0) ok = false;
  if (ok && ::rename(tmp.c_str(), path.c_str()) != 0) ok = false;
  if (!ok) ::unlink(tmp.c_str());
  return ok;
}

}  // namespace vn
