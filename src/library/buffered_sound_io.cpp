#include "library/buffered_sound_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace vn {

namespace {

constexpr size_t kBufferBytes = 1 << 20;

BufferedSoundFile& ioOf(void* user) { return *static_cast<BufferedSoundFile*>(user); }

bool writeAllAt(int fd, const char* data, size_t size, int64_t offset) {
  while (size > 0) {
    const ssize_t n = ::pwrite(fd, data, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
    offset += n;
  }
  return true;
}

constexpr int64_t kHoleBlock = 4096;

bool allZero(const char* data, size_t size) {
  uint64_t any = 0;
  for (size_t i = 0; i + 8 <= size; i += 8) {
    uint64_t word;
    std::memcpy(&word, data + i, 8);
    any |= word;
  }
  return any == 0;
}

// Writing: sends the pending bytes to the file, leaving aligned blocks of zeros that
// lie past the disk's end as holes (only there: a block the disk already holds may
// hold something else).
bool flush(BufferedSoundFile& io) {
  if (io.mode == SFM_READ || io.used == 0) return !io.failed;
  const int64_t end = io.bufferStart + static_cast<int64_t>(io.used);
  int64_t from = io.bufferStart;  // start of the bytes not yet written or skipped
  const auto writeUpTo = [&](int64_t to) {
    if (to <= from || io.failed) return;
    if (writeAllAt(io.fd, io.buffer.data() + (from - io.bufferStart), static_cast<size_t>(to - from), from))
      io.diskLength = std::max(io.diskLength, to);
    else
      io.failed = true;
  };
  int64_t block = (std::max(io.bufferStart, io.diskLength) + kHoleBlock - 1) / kHoleBlock * kHoleBlock;
  for (; block + kHoleBlock <= end && !io.failed; block += kHoleBlock) {
    if (!allZero(io.buffer.data() + (block - io.bufferStart), kHoleBlock)) continue;
    writeUpTo(block);
    from = block + kHoleBlock;
  }
  writeUpTo(end);
  io.length = std::max(io.length, end);
  io.used = 0;
  return !io.failed;
}

sf_count_t fileLength(void* user) {
  BufferedSoundFile& io = ioOf(user);
  if (io.mode == SFM_READ) return io.length;
  return std::max<int64_t>(io.length, io.bufferStart + static_cast<int64_t>(io.used));
}

sf_count_t seekTo(sf_count_t offset, int whence, void* user) {
  BufferedSoundFile& io = ioOf(user);
  int64_t target = offset;
  if (whence == SEEK_CUR) target = io.position + offset;
  else if (whence == SEEK_END) target = fileLength(user) + offset;
  if (target < 0) return -1;
  io.position = target;
  return io.position;
}

sf_count_t readFrom(void* ptr, sf_count_t count, void* user) {
  BufferedSoundFile& io = ioOf(user);
  char* out = static_cast<char*>(ptr);
  if (io.mode != SFM_READ) {  // the library reading back what it wrote
    if (!flush(io)) return 0;
    ssize_t n = ::pread(io.fd, out, static_cast<size_t>(count), static_cast<off_t>(io.position));
    if (n < 0) return 0;
    // Silence left out at the end reads as the zeros it stands for.
    const int64_t silent = std::min<int64_t>(count - n, io.length - (io.position + n));
    if (silent > 0) {
      std::memset(out + n, 0, static_cast<size_t>(silent));
      n += static_cast<ssize_t>(silent);
    }
    io.position += n;
    return n;
  }
  sf_count_t done = 0;
  while (done < count) {
    const int64_t end = io.bufferStart + static_cast<int64_t>(io.used);
    if (io.position < io.bufferStart || io.position >= end) {
      ssize_t n;
      do n = ::pread(io.fd, io.buffer.data(), io.buffer.size(), static_cast<off_t>(io.position));
      while (n < 0 && errno == EINTR);
      if (n <= 0) break;
      io.bufferStart = io.position;
      io.used = static_cast<size_t>(n);
      continue;
    }
    const size_t take = static_cast<size_t>(std::min<int64_t>(count - done, end - io.position));
    std::memcpy(out + done, io.buffer.data() + (io.position - io.bufferStart), take);
    done += static_cast<sf_count_t>(take);
    io.position += static_cast<int64_t>(take);
  }
  return done;
}

sf_count_t writeTo(const void* ptr, sf_count_t count, void* user) {
  BufferedSoundFile& io = ioOf(user);
  if (io.mode == SFM_READ || io.failed) return 0;
  const char* in = static_cast<const char*>(ptr);
  // A write somewhere else than after the pending bytes (the header at the end) starts a new run.
  if (io.used > 0 && io.position != io.bufferStart + static_cast<int64_t>(io.used) && !flush(io)) return 0;
  if (io.used == 0) io.bufferStart = io.position;
  sf_count_t done = 0;
  while (done < count) {
    const size_t take = std::min(io.buffer.size() - io.used, static_cast<size_t>(count - done));
    std::memcpy(io.buffer.data() + io.used, in + done, take);
    io.used += take;
    done += static_cast<sf_count_t>(take);
    io.position += static_cast<int64_t>(take);
    if (io.used == io.buffer.size()) {
      if (!flush(io)) return 0;
      io.bufferStart = io.position;
    }
  }
  return done;
}

sf_count_t tellAt(void* user) { return ioOf(user).position; }

}  // namespace

SNDFILE* openBufferedSoundFile(const std::string& path, int mode, SF_INFO& info, BufferedSoundFile& io) {
  io = BufferedSoundFile{};
  io.mode = mode == SFM_WRITE ? SFM_WRITE : SFM_READ;
  io.fd = io.mode == SFM_WRITE ? ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)
                               : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (io.fd < 0) return nullptr;
  struct stat st {};
  if (io.mode == SFM_READ && (::fstat(io.fd, &st) != 0 || !S_ISREG(st.st_mode))) {
    ::close(io.fd);
    io.fd = -1;
    return nullptr;
  }
  io.length = io.mode == SFM_READ ? static_cast<int64_t>(st.st_size) : 0;
  io.buffer.resize(kBufferBytes);
  static SF_VIRTUAL_IO callbacks{fileLength, seekTo, readFrom, writeTo, tellAt};
  SNDFILE* file = sf_open_virtual(&callbacks, io.mode, &info, &io);
  if (!file) {
    ::close(io.fd);
    io.fd = -1;
  }
  return file;
}

bool closeBufferedSoundFile(SNDFILE* file, BufferedSoundFile& io) {
  bool ok = sf_close(file) == 0;
  ok = flush(io) && ok;
  // Silence at the very end was left out: the file still has its whole length.
  if (io.mode == SFM_WRITE && io.fd >= 0 && io.diskLength < io.length && ::ftruncate(io.fd, io.length) != 0) ok = false;
  if (io.fd >= 0 && ::close(io.fd) != 0) ok = false;
  io.fd = -1;
  io.buffer = {};
  return ok;
}

}  // namespace vn
