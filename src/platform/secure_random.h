#pragma once
#include <cstddef>
#include <cstdint>

namespace vn {

// Fills buf from the kernel's cryptographic random source; false when it cannot.
bool secureRandomBytes(void* buf, size_t size);

}  // namespace vn
