#include "export/bwf_patches.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "export/wav_chunks.h"
#include "platform/log.h"

namespace vn {
namespace {

bool appendTo(int fd, std::string_view text) {
  unsigned char head[12];
  if (!readAt(fd, 0, head, sizeof head)) return false;
  if (std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0) return false;
  uint64_t end = static_cast<uint64_t>(st.st_size);
  if (end < 13) return false;  // a header and nothing else: no file to add to
  const unsigned char zero = 0;
  const uint64_t padded = end + (end & 1);
  const uint64_t newEnd = padded + 8 + text.size() + (text.size() & 1);
  // The RIFF size field holds 32 bits.
  if (text.size() > UINT32_MAX || newEnd - 8 > UINT32_MAX) return false;
  if ((end & 1) && !writeAt(fd, end, &zero, 1)) return false;
  unsigned char header[8];
  std::memcpy(header, "iXML", 4);
  putLe32(header + 4, static_cast<uint32_t>(text.size()));
  if (!writeAt(fd, padded, header, sizeof header)) return false;
  if (!writeAt(fd, padded + 8, text.data(), text.size())) return false;
  if ((text.size() & 1) && !writeAt(fd, padded + 8 + text.size(), &zero, 1)) return false;
  unsigned char riffSize[4];
  putLe32(riffSize, static_cast<uint32_t>(newEnd - 8));
  return writeAt(fd, 4, riffSize, sizeof riffSize);
}

}  // namespace

bool appendIxmlChunk(const std::string& path, std::string_view text) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  bool ok = fd >= 0 && appendTo(fd, text);
  if (fd >= 0 && ::close(fd) != 0) ok = false;
  if (!ok) logLine("[Export] iXML append failed (%zu bytes) - %s\n", text.size(), path.c_str());
  return ok;
}

}  // namespace vn
