#include "platform/atomic_write.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace vn {
namespace {

WriteResult failure(const std::string& tmp, int err, bool renameFailed = false) {
  ::unlink(tmp.c_str());
  WriteResult r;
  r.renameFailed = renameFailed;
  r.error = std::strerror(err);
  return r;
}

// Closes fd after committing it to disk, then renames tmp over path.
WriteResult syncAndRename(int fd, const std::string& tmp, const std::string& path) {
  if (::fsync(fd) != 0) {
    int err = errno;
    ::close(fd);
    return failure(tmp, err);
  }
  if (::close(fd) != 0) return failure(tmp, errno);
  if (::rename(tmp.c_str(), path.c_str()) != 0) return failure(tmp, errno, true);
  WriteResult ok;
  ok.ok = true;
  return ok;
}

}  // namespace

WriteResult writeFileAtomic(const std::string& path, std::string_view content) {
  const std::string tmp = path + ".tmp";
  int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    WriteResult r;
    r.error = std::strerror(errno);
    return r;
  }
  const char* p = content.data();
  size_t left = content.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      int err = errno;
      ::close(fd);
      return failure(tmp, err);
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  return syncAndRename(fd, tmp, path);
}

WriteResult commitFileAtomic(const std::string& tmp, const std::string& path) {
  int fd = ::open(tmp.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return failure(tmp, errno);
  return syncAndRename(fd, tmp, path);
}

}  // namespace vn
