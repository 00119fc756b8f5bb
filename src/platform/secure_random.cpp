#include "platform/secure_random.h"

#include <cerrno>
#include <sys/random.h>

namespace vn {

bool secureRandomBytes(void* buf, size_t size) {
  auto* p = static_cast<unsigned char*>(buf);
  while (size > 0) {
    ssize_t n = ::getrandom(p, size, 0);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace vn
