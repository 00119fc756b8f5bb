#include "platform/real_fft.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

namespace vn {
namespace {

std::vector<float> TestSignal(size_t n) {
  std::vector<float> x(n);
  for (size_t j = 0; j < n; ++j) {
    const double t = static_cast<double>(j);
    x[j] = static_cast<float>(0.3 + std::sin(0.37 * t) + 0.1 * std::cos(2.1 * t * t / 7.0));
  }
  return x;
}

std::complex<double> DirectBin(const std::vector<float>& x, size_t k) {
  std::complex<double> sum = 0.0;
  const double n = static_cast<double>(x.size());
  for (size_t j = 0; j < x.size(); ++j) {
    sum += static_cast<double>(x[j]) * std::polar(1.0, -2.0 * std::numbers::pi * static_cast<double>(j * k) / n);
  }
  return sum;
}

// The forward bins equal the plain DFT (DC and Nyquist real), the input survives, and
// the inverse returns size times the signal.
TEST(RealFft, ForwardMatchesDftAndInverseRoundTrips) {
  const size_t n = 2048;
  RealFft fft(n);
  const std::vector<float> x = TestSignal(n);
  std::copy(x.begin(), x.end(), fft.samples);
  forwardTransform(fft);
  for (size_t j = 0; j < n; ++j) ASSERT_EQ(fft.samples[j], x[j]) << j;
  for (size_t k : {size_t{0}, size_t{1}, size_t{5}, size_t{333}, size_t{1023}, size_t{1024}}) {
    const std::complex<double> want = DirectBin(x, k);
    EXPECT_NEAR(fft.bins[k].real(), want.real(), 2e-3) << k;
    EXPECT_NEAR(fft.bins[k].imag(), want.imag(), 2e-3) << k;
  }
  EXPECT_NEAR(fft.bins[0].imag(), 0.0f, 1e-6f);
  EXPECT_NEAR(fft.bins[n / 2].imag(), 0.0f, 1e-6f);

  std::fill(fft.samples, fft.samples + n, 0.0f);
  inverseTransform(fft);
  for (size_t j = 0; j < n; ++j) EXPECT_NEAR(fft.samples[j] / static_cast<float>(n), x[j], 1e-5f) << j;
}

// A single bin comes back as one cosine whose amplitude is twice the bin (the mirror
// image counts too), which pins the inverse's sign and scale; the imaginary parts of
// the DC and Nyquist bins, which a real signal cannot have, are ignored.
TEST(RealFft, InverseOfOneBinIsACosine) {
  const size_t n = 64;
  RealFft fft(n);
  std::fill(fft.bins, fft.bins + n / 2 + 1, std::complex<float>{});
  fft.bins[3] = std::polar(1.0f, 0.5f);
  fft.bins[0] = {0.0f, 5.0f};
  fft.bins[n / 2] = {0.0f, -4.0f};
  inverseTransform(fft);
  for (size_t j = 0; j < n; ++j) {
    const double want = 2.0 * std::cos(2.0 * std::numbers::pi * 3.0 * static_cast<double>(j) / n + 0.5);
    EXPECT_NEAR(fft.samples[j], want, 1e-5) << j;
  }
}

}  // namespace
}  // namespace vn
