#include "platform/atomic_write.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

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

// Writes content to a new tmp and leaves it open in fd; on failure tmp is gone and fd is -1.
WriteResult writeTemporary(const std::string& tmp, std::string_view content, int& fd) {
  fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
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
      fd = -1;
      return failure(tmp, err);
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  WriteResult ok;
  ok.ok = true;
  return ok;
}

}  // namespace

WriteResult writeFileAtomic(const std::string& path, std::string_view content) {
  const std::string tmp = path + ".tmp";
  int fd = -1;
  WriteResult written = writeTemporary(tmp, content, fd);
  if (!written.ok) return written;
  return syncAndRename(fd, tmp, path);
}

std::vector<WriteResult> writeFilesAtomic(const std::vector<FileContent>& files) {
  std::vector<WriteResult> results(files.size());
  std::vector<dev_t> deviceOf(files.size(), 0);
  // Each file is closed as soon as it is written, so a batch of thousands never runs out of descriptors.
  for (size_t i = 0; i < files.size(); ++i) {
    const std::string tmp = files[i].path + ".tmp";
    int fd = -1;
    results[i] = writeTemporary(tmp, files[i].content, fd);
    if (!results[i].ok) continue;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
      const int err = errno;
      ::close(fd);
      results[i] = failure(tmp, err);
      continue;
    }
    deviceOf[i] = st.st_dev;
    if (::close(fd) != 0) results[i] = failure(tmp, errno);
  }
  // One flush per file system commits every temporary file in it.
  std::vector<std::pair<dev_t, int>> flushed;  // device, the errno of its flush (0: done)
  for (size_t i = 0; i < files.size(); ++i) {
    if (!results[i].ok) continue;
    const std::string tmp = files[i].path + ".tmp";
    auto done = std::find_if(flushed.begin(), flushed.end(), [&](const auto& f) { return f.first == deviceOf[i]; });
    if (done == flushed.end()) {
      const int fd = ::open(tmp.c_str(), O_RDONLY | O_CLOEXEC);
      int err = fd < 0 ? errno : ::syncfs(fd) == 0 ? 0 : errno;
      if (fd >= 0) ::close(fd);
      flushed.emplace_back(deviceOf[i], err);
      done = flushed.end() - 1;
    }
    if (done->second != 0) {
      results[i] = failure(tmp, done->second);
      continue;
    }
    if (::rename(tmp.c_str(), files[i].path.c_str()) != 0) results[i] = failure(tmp, errno, true);
  }
  return results;
}

WriteResult commitFileAtomic(const std::string& tmp, const std::string& path) {
  int fd = ::open(tmp.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return failure(tmp, errno);
  return syncAndRename(fd, tmp, path);
}

}  // namespace vn
