// The callback without a device: what it pulls, what it delivers, and that the
// rate conversion keeps a signal intact across buffer boundaries.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

#include "audio/audio_output.h"

namespace vn {
namespace {

// A sine source that remembers where it is, one frequency per channel.
struct SineSource {
  double rate;
  std::vector<double> freqs;
  int64_t frame = 0;
  float at(int64_t f, size_t c) const {
    return static_cast<float>(std::sin(2.0 * std::numbers::pi * freqs[c] * static_cast<double>(f) / rate));
  }
};

void installSine(AudioOutput& o, SineSource& sine) {
  SetPlaybackSources(
      o,
      [&sine](float* l, float* r, int n) {
        for (int i = 0; i < n; ++i, ++sine.frame) {
          l[i] = sine.at(sine.frame, 0);
          r[i] = sine.at(sine.frame, 1);
        }
      },
      [&sine](float* out, int n, int ch) {
        for (int i = 0; i < n; ++i, ++sine.frame)
          for (int c = 0; c < ch; ++c) out[i * ch + c] = sine.at(sine.frame, static_cast<size_t>(c));
      });
}

// Plays `total` frames in callbacks of the given sizes (cycled) and returns them.
std::vector<float> play(AudioOutput& o, int total, const std::vector<int>& sizes) {
  std::vector<float> all(static_cast<size_t>(total) * static_cast<size_t>(o.channels));
  int done = 0;
  for (size_t k = 0; done < total; ++k) {
    int n = std::min(sizes[k % sizes.size()], total - done);
    AudioCallback(o, all.data() + static_cast<size_t>(done) * o.channels, static_cast<unsigned>(n));
    done += n;
  }
  return all;
}

TEST(AudioCallback, DirectPullWhenRatesMatch) {
  AudioOutput o;
  ConfigureStreamState(o, 48000, 48000, 2, 256);
  SetPlaybackSources(
      o,
      [](float* l, float* r, int n) {
        for (int i = 0; i < n; ++i) {
          l[i] = static_cast<float>(i);
          r[i] = static_cast<float>(-i);
        }
      },
      {});
  std::vector<float> out(512);
  AudioCallback(o, out.data(), 256);
  for (int i = 0; i < 256; ++i) {
    ASSERT_EQ(out[2 * i], static_cast<float>(i));
    ASSERT_EQ(out[2 * i + 1], static_cast<float>(-i));
  }
  EXPECT_EQ(o.counters.framesPulled.load(), 256u);
  EXPECT_EQ(o.counters.framesDelivered.load(), 256u);

  // A six-channel stream fed by a stereo source only: the pair on the first
  // two channels, silence on the others.
  ConfigureStreamState(o, 48000, 48000, 6, 256);
  std::vector<float> six(6 * 64, 9.0f);
  AudioCallback(o, six.data(), 64);
  EXPECT_EQ(six[6 * 10 + 0], 10.0f);
  EXPECT_EQ(six[6 * 10 + 1], -10.0f);
  for (int c = 2; c < 6; ++c) EXPECT_EQ(six[6 * 10 + c], 0.0f);

  // No source at all: silence.
  SetPlaybackSources(o, {}, {});
  AudioCallback(o, six.data(), 64);
  for (float v : six) ASSERT_EQ(v, 0.0f);
}

TEST(AudioCallback, PullsTheFramesTheConversionNeeds) {
  AudioOutput o;
  ConfigureStreamState(o, 48000, 44100, 2, 256);
  SineSource sine{48000.0, {1000.0, 1000.0}};
  installSine(o, sine);
  std::vector<float> out(512);
  AudioCallback(o, out.data(), 256);
  // From a fresh position: max(floor(256 s + 1), floor(255 s + 1) + 3) with s = 48000/44100.
  EXPECT_EQ(o.counters.framesPulled.load(), 281u);
  EXPECT_EQ(o.resampler.buffered, 3);
  EXPECT_NEAR(o.resampler.position, 256.0 * 48000.0 / 44100.0 + 1.0 - 279.0, 1e-9);

  // Over a long run the source is never more than a few frames ahead of the
  // device, whatever the callback sizes.
  const std::vector<int> sizes{256, 77, 1, 300, 128};
  play(o, 44100 * 2, sizes);
  double delivered = static_cast<double>(o.counters.framesDelivered.load());
  double pulled = static_cast<double>(o.counters.framesPulled.load());
  double lead = pulled - delivered * 48000.0 / 44100.0;
  EXPECT_GE(lead, 1.0);
  EXPECT_LT(lead, 5.0);
  EXPECT_EQ(static_cast<int64_t>(pulled), sine.frame);
}

// The output frame j sits at source position 1 + j * step (a fresh resampler
// starts one source frame in); compares every output with the true sine there.
double worstError(const std::vector<float>& out, int channels, const SineSource& sine, double step, size_t channel) {
  double worst = 0.0;
  size_t frames = out.size() / static_cast<size_t>(channels);
  for (size_t j = 0; j < frames; ++j) {
    double x = 1.0 + static_cast<double>(j) * step;
    double ideal = std::sin(2.0 * std::numbers::pi * sine.freqs[channel] * x / sine.rate);
    worst = std::max(worst, std::abs(out[j * static_cast<size_t>(channels) + channel] - ideal));
  }
  return worst;
}

// Frequency from the interpolated positive-going zero crossings of one channel.
double measuredFrequency(const std::vector<float>& out, int channels, size_t channel, double rate) {
  double first = -1.0, last = -1.0;
  int crossings = 0;
  size_t frames = out.size() / static_cast<size_t>(channels);
  for (size_t j = 1; j < frames; ++j) {
    float a = out[(j - 1) * channels + channel], b = out[j * channels + channel];
    if (a < 0.0f && b >= 0.0f) {
      double at = static_cast<double>(j - 1) + a / (a - b);
      if (first < 0.0) first = at;
      last = at;
      ++crossings;
    }
  }
  return (crossings - 1) * rate / (last - first);
}

TEST(AudioCallback, RateConversionKeepsASineWholeAcrossBuffers) {
  struct Case {
    int projectRate, streamRate;
  };
  for (Case c : {Case{48000, 44100}, Case{44100, 48000}, Case{96000, 48000}}) {
    SCOPED_TRACE(testing::Message() << c.projectRate << " -> " << c.streamRate);
    AudioOutput o;
    ConfigureStreamState(o, c.projectRate, c.streamRate, 2, 256);
    SineSource sine{static_cast<double>(c.projectRate), {1000.0, 440.0}};
    installSine(o, sine);
    const std::vector<int> sizes{256, 77, 1, 300, 129};
    std::vector<float> out = play(o, c.streamRate, sizes);
    double step = static_cast<double>(c.projectRate) / c.streamRate;
    // Any jump at a buffer boundary or a lost frame shows here as a large error.
    EXPECT_LT(worstError(out, 2, sine, step, 0), 2e-3);
    EXPECT_LT(worstError(out, 2, sine, step, 1), 2e-3);

    // The same second converted in one piece: the callback boundaries must
    // leave no trace, neither in the samples nor in the step across each boundary.
    AudioOutput whole;
    ConfigureStreamState(whole, c.projectRate, c.streamRate, 2, c.streamRate);
    SineSource again{static_cast<double>(c.projectRate), {1000.0, 440.0}};
    installSine(whole, again);
    std::vector<float> reference = play(whole, c.streamRate, {c.streamRate});
    double worstBoundaryJump = 0.0, worstDifference = 0.0;
    size_t boundary = 0;
    for (size_t k = 0; boundary < static_cast<size_t>(c.streamRate); ++k) {
      if (boundary > 0) {
        for (size_t ch = 0; ch < 2; ++ch) {
          size_t at = boundary * 2 + ch, before = at - 2;
          double jump = (out[at] - out[before]) - (reference[at] - reference[before]);
          worstBoundaryJump = std::max(worstBoundaryJump, std::abs(jump));
        }
      }
      boundary += static_cast<size_t>(sizes[k % sizes.size()]);
    }
    for (size_t i = 0; i < out.size(); ++i)
      worstDifference = std::max(worstDifference, static_cast<double>(std::abs(out[i] - reference[i])));
    std::printf("%d -> %d Hz: error from the ideal sine %.2e, at callback boundaries the step differs from the "
                "one-piece conversion by %.2e at most, any sample by %.2e at most\n",
                c.projectRate, c.streamRate, worstError(out, 2, sine, step, 0), worstBoundaryJump, worstDifference);
    EXPECT_LT(worstBoundaryJump, 1e-5);
    EXPECT_LT(worstDifference, 1e-5);
    EXPECT_NEAR(measuredFrequency(out, 2, 0, c.streamRate), 1000.0, 0.05);
    EXPECT_NEAR(measuredFrequency(out, 2, 1, c.streamRate), 440.0, 0.05);
  }
}

TEST(AudioCallback, MultichannelSourceIsConvertedPerChannel) {
  AudioOutput o;
  ConfigureStreamState(o, 48000, 44100, 6, 256);
  SineSource sine{48000.0, {300.0, 500.0, 700.0, 900.0, 1100.0, 1300.0}};
  installSine(o, sine);
  std::vector<float> out = play(o, 22050, {256, 100});
  for (size_t c = 0; c < 6; ++c) {
    SCOPED_TRACE(c);
    EXPECT_LT(worstError(out, 6, sine, 48000.0 / 44100.0, c), 2e-3);
  }

  // At matching rates the interleaved frames pass straight through.
  AudioOutput direct;
  ConfigureStreamState(direct, 48000, 48000, 6, 256);
  SineSource same{48000.0, {300.0, 500.0, 700.0, 900.0, 1100.0, 1300.0}};
  installSine(direct, same);
  std::vector<float> straight = play(direct, 1000, {256});
  for (size_t j = 0; j < 1000; ++j)
    for (size_t c = 0; c < 6; ++c) ASSERT_EQ(straight[j * 6 + c], same.at(static_cast<int64_t>(j), c));
}

}  // namespace
}  // namespace vn
