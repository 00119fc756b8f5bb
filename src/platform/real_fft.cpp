#include "platform/real_fft.h"

#include <new>
#include <stdexcept>

extern "C" {
#include <libavutil/mem.h>
}

namespace vn {

namespace {

AVTXContext* makeTransform(size_t size, bool inverse, av_tx_fn& fn) {
  AVTXContext* context = nullptr;
  const float unscaled = 1.0f;
  if (av_tx_init(&context, &fn, AV_TX_FLOAT_RDFT, inverse ? 1 : 0, static_cast<int>(size), &unscaled, 0) < 0) {
    throw std::runtime_error("Could not set up a real FFT of the requested length.");
  }
  return context;
}

template <typename T>
T* allocateAligned(size_t count) {
  void* memory = av_mallocz(count * sizeof(T));
  if (memory == nullptr) throw std::bad_alloc();
  return static_cast<T*>(memory);
}

void release(RealFft& fft) {
  av_tx_uninit(&fft.forward);
  av_tx_uninit(&fft.inverse);
  av_freep(&fft.samples);
  av_freep(&fft.bins);
}

}  // namespace

RealFft::RealFft(size_t length) : size(length) {
  try {
    samples = allocateAligned<float>(size);
    bins = allocateAligned<std::complex<float>>(size / 2 + 1);
    forward = makeTransform(size, false, forwardFn);
    inverse = makeTransform(size, true, inverseFn);
  } catch (...) {
    release(*this);
    throw;
  }
}

RealFft::~RealFft() { release(*this); }

void forwardTransform(RealFft& fft) { fft.forwardFn(fft.forward, fft.bins, fft.samples, sizeof(float)); }

void inverseTransform(RealFft& fft) { fft.inverseFn(fft.inverse, fft.samples, fft.bins, sizeof(float)); }

}  // namespace vn
