#pragma once
// Whole-length sample buffers. A mix of a long timeline is tens of megabytes of
// fresh memory, and on virtual machines each first touch of a 4 KiB page is a
// costly fault; where the kernel offers transparent huge pages on request, asking
// for them makes that one fault per 2 MiB.
#include <cstddef>
#include <vector>

namespace vn {

// buffer holds `count` zeros afterwards; a buffer already large enough is reused.
void zeroSamples(std::vector<float>& buffer, size_t count);

}  // namespace vn
