#include "platform/fnv.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace vn {
namespace {

uint64_t byteWise(uint64_t h, const std::vector<int32_t>& samples) {
  for (int32_t s : samples) {
    const uint32_t v = static_cast<uint32_t>(s);
    const unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                                static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
    h = fnvFeed(h, b, 4);
  }
  return h;
}

TEST(Fnv, SampleFeedEqualsTheByteWiseHashThroughSilenceOfEveryLength) {
  std::mt19937 rng(11);
  std::vector<int32_t> samples;
  // Runs of silence of lengths around the powers of two, between sound that has
  // zero bytes inside non-zero samples (24-bit values shifted up, negative values).
  for (size_t run : {0u, 1u, 2u, 3u, 7u, 8u, 9u, 255u, 256u, 65537u}) {
    samples.insert(samples.end(), run, 0);
    for (int k = 0; k < 5; ++k) samples.push_back(static_cast<int32_t>(rng()) & ~0xff);
    samples.push_back(-1);
    samples.push_back(0x100);
  }
  EXPECT_EQ(fnvFeedSamples(kFnvStart, samples.data(), samples.size()), byteWise(kFnvStart, samples));
  // Fed in pieces that cut runs of silence in two, as a file read in chunks is.
  uint64_t h = kFnvStart;
  for (size_t at = 0; at < samples.size(); at += 1000)
    h = fnvFeedSamples(h, samples.data() + at, std::min<size_t>(1000, samples.size() - at));
  EXPECT_EQ(h, byteWise(kFnvStart, samples));
  // Silence alone, and nothing at all.
  const std::vector<int32_t> silence(100000, 0);
  EXPECT_EQ(fnvFeedSamples(kFnvStart, silence.data(), silence.size()), byteWise(kFnvStart, silence));
  EXPECT_EQ(fnvFeedSamples(kFnvStart, silence.data(), 0), kFnvStart);
  EXPECT_EQ(fnvPrimePower(0), 1u);
  EXPECT_EQ(fnvPrimePower(3), kFnvPrime * kFnvPrime * kFnvPrime);
}

}  // namespace
}  // namespace vn
