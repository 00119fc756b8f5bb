#include "core/read_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace vn {

bool readWholeFile(const std::string& path, std::string& bytes, std::string& error) {
  bytes.clear();
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!file) {
    error = std::strerror(errno);
    return false;
  }
  char buffer[1 << 16];
  for (;;) {
    size_t n = std::fread(buffer, 1, sizeof buffer, file.get());
    bytes.append(buffer, n);
    if (n < sizeof buffer) break;
  }
  if (std::ferror(file.get())) {
    error = std::strerror(errno ? errno : EIO);
    return false;
  }
  return true;
}

}  // namespace vn
