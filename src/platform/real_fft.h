#pragma once
// A real-input FFT of one fixed length with SIMD-aligned buffers of its own, so that
// callers never have to think about the alignment the vector code wants.
#include <complex>
#include <cstddef>

extern "C" {
#include <libavutil/tx.h>
}

namespace vn {

struct RealFft {
  explicit RealFft(size_t size);  // size: even, e.g. 2048
  ~RealFft();
  RealFft(const RealFft&) = delete;
  RealFft& operator=(const RealFft&) = delete;

  size_t size = 0;
  float* samples = nullptr;               // size values: the forward input, the inverse output
  std::complex<float>* bins = nullptr;    // size/2 + 1 values: the forward output, the inverse input
  AVTXContext* forward = nullptr;
  AVTXContext* inverse = nullptr;
  av_tx_fn forwardFn = nullptr;
  av_tx_fn inverseFn = nullptr;
};

// bins[k] = sum over j of samples[j] * exp(-2 pi i j k / size), k = 0..size/2;
// samples are left as they were.
void forwardTransform(RealFft& fft);

// samples[j] = sum over all size bins of X[k] * exp(2 pi i j k / size), the upper half
// taken as the mirror image of bins: no 1/size scaling. bins are overwritten.
void inverseTransform(RealFft& fft);

}  // namespace vn
