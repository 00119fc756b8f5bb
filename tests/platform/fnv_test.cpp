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

TEST(Fnv, LanesSideBySideEqualEachStreamAlone) {
  // Four streams that mix silent blocks, dense blocks and blocks silent in part,
  // with a tail shorter than a block; every count of lanes from one to four.
  std::mt19937 rng(5);
  std::vector<std::vector<int32_t>> streams(kFnvMaxLanes, std::vector<int32_t>(64 * 37 + 23));
  for (size_t k = 0; k < streams.size(); ++k)
    for (size_t i = 0; i < streams[k].size(); ++i) {
      const size_t block = i / 64;
      const bool quiet = (block + k) % 3 == 0 || (block % 5 == 1 && i % 64 < 40);
      streams[k][i] = quiet ? 0 : static_cast<int32_t>(rng());
    }
  for (int lanes = 1; lanes <= kFnvMaxLanes; ++lanes) {
    uint64_t hashes[kFnvMaxLanes];
    const int32_t* from[kFnvMaxLanes];
    for (int k = 0; k < lanes; ++k) {
      hashes[k] = kFnvStart + static_cast<uint64_t>(k);
      from[k] = streams[static_cast<size_t>(k)].data();
    }
    fnvFeedSampleLanes(hashes, from, lanes, streams[0].size());
    for (int k = 0; k < lanes; ++k)
      EXPECT_EQ(hashes[k], byteWise(kFnvStart + static_cast<uint64_t>(k), streams[static_cast<size_t>(k)]))
          << lanes << " lanes, stream " << k;
  }
}

}  // namespace
}  // namespace vn
