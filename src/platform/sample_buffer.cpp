#include "platform/sample_buffer.h"

#include <sys/mman.h>

#include <cstdint>

namespace vn {

namespace {

constexpr uintptr_t kHugePage = uintptr_t{2} << 20;

// Advice only, on the whole huge pages the buffer touches: where they lie in the
// same mapping (the heap) the buffer's edges get huge pages too; where they do not
// (a mapping of its own), the advice fails for those edges and they stay on
// ordinary pages, as they do on a kernel without huge pages.
void adviseHugePages(void* data, size_t bytes) {
  const auto begin = reinterpret_cast<uintptr_t>(data);
  const uintptr_t first = begin & ~(kHugePage - 1);
  const uintptr_t last = (begin + bytes + kHugePage - 1) & ~(kHugePage - 1);
  if (::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE) == 0) return;
  const uintptr_t inner = (begin + kHugePage - 1) & ~(kHugePage - 1);
  const uintptr_t innerEnd = (begin + bytes) & ~(kHugePage - 1);
  if (innerEnd > inner) ::madvise(reinterpret_cast<void*>(inner), innerEnd - inner, MADV_HUGEPAGE);
}

}  // namespace

void zeroSamples(std::vector<float>& buffer, size_t count) {
  if (buffer.capacity() < count) {
    std::vector<float> fresh;
    fresh.reserve(count);  // allocated, not yet touched
    adviseHugePages(fresh.data(), count * sizeof(float));
    buffer = std::move(fresh);
  }
  buffer.assign(count, 0.0f);
}

}  // namespace vn
