#pragma once
// Float samples to the 24-bit little-endian PCM of a WAV file's data chunk.
#include <cstddef>

namespace vn {

// One channel of an interleaved slice: sample f goes to out + 3 * (f * channels + channel).
// A non-finite sample becomes 0 and the rest is held within full scale; then each is
// scaled by 2^23 - 1 and rounded to nearest (ties to even), which is what libsndfile's
// own conversion does, so a file's bytes do not depend on which of the two wrote them.
void encodePcm24(const float* in, size_t count, int channel, int channels, unsigned char* out);

}  // namespace vn
