#include "export/wav_chunks.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vn {

const WavChunk* WavChunkList::find(std::string_view id) const {
  for (const WavChunk& c : chunks)
    if (c.id == id) return &c;
  return nullptr;
}

void putLe32(unsigned char* out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<unsigned char>(value >> (8 * i));
}

uint32_t getLe32(const unsigned char* in) {
  return uint32_t{in[0]} | (uint32_t{in[1]} << 8) | (uint32_t{in[2]} << 16) | (uint32_t{in[3]} << 24);
}

namespace {

// Calls transfer (pread or pwrite) until size bytes have moved, retrying short
// transfers and interruptions.
template <class Byte, class Transfer>
bool transferAll(int fd, uint64_t offset, Byte* p, size_t size, Transfer transfer) {
  while (size > 0) {
    const ssize_t n = transfer(fd, p, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    offset += static_cast<uint64_t>(n);
    size -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

bool readAt(int fd, uint64_t offset, void* buf, size_t size) {
  return transferAll(fd, offset, static_cast<unsigned char*>(buf), size, ::pread);
}

bool writeAt(int fd, uint64_t offset, const void* buf, size_t size) {
  return transferAll(fd, offset, static_cast<const unsigned char*>(buf), size, ::pwrite);
}

std::optional<WavChunkList> readWavChunks(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  unsigned char head[12];
  if (!readAt(fd, 0, head, sizeof head)) return std::nullopt;
  if (std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0) return std::nullopt;
  WavChunkList list;
  list.riffSize = getLe32(head + 4);
  list.fileSize = static_cast<uint64_t>(st.st_size);
  uint64_t offset = 12;
  while (offset + 8 <= list.fileSize && list.chunks.size() < kMaxWavChunks) {
    unsigned char header[8];
    if (!readAt(fd, offset, header, sizeof header)) break;
    WavChunk chunk;
    chunk.id.assign(reinterpret_cast<const char*>(header), 4);
    chunk.offset = offset;
    chunk.size = getLe32(header + 4);
    chunk.cutShort = chunk.bodyOffset() + chunk.size > list.fileSize;
    list.chunks.push_back(chunk);
    if (chunk.cutShort) break;
    offset += chunk.span();
  }
  return list;
}

std::optional<WavChunkList> readWavChunks(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  auto list = readWavChunks(fd);
  ::close(fd);
  return list;
}

}  // namespace vn
