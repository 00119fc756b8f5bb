#include "core/read_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vn {
namespace {

struct FileCloser {
  int fd;
  ~FileCloser() { ::close(fd); }
};

}  // namespace

bool readWholeFile(const std::string& path, std::string& bytes, std::string& error) {
  bytes.clear();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = std::strerror(errno);
    return false;
  }
  FileCloser closer{fd};
  // Straight into a string of the file's size, without a stream's buffer between;
  // a file that grows meanwhile is read on to its end.
  struct stat info {};
  const size_t expected = ::fstat(fd, &info) == 0 && info.st_size > 0 ? static_cast<size_t>(info.st_size) : 0;
  bytes.resize(expected);
  size_t filled = 0;
  char more[1 << 16];
  for (;;) {
    const bool inPlace = filled < bytes.size();
    const ssize_t n = inPlace ? ::read(fd, bytes.data() + filled, bytes.size() - filled) : ::read(fd, more, sizeof more);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = std::strerror(errno);
      bytes.clear();
      return false;
    }
    if (n == 0) break;
    if (!inPlace) bytes.append(more, static_cast<size_t>(n));
    filled += static_cast<size_t>(n);
  }
  bytes.resize(filled);
  return true;
}

}  // namespace vn
