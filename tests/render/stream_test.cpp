#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "render/alloy_morph.h"
#include "render/carve_filter.h"
#include "render/fill_assembly.h"
#include "render/stream_layer.h"
#include "support/temp_dir.h"
#include "tools/sound_file_writer.h"

namespace vn {
namespace {

std::vector<float> sine(double hz, double seconds, int rate, float amp = 0.5f) {
  std::vector<float> x(static_cast<size_t>(seconds * rate));
  for (size_t i = 0; i < x.size(); ++i) x[i] = amp * static_cast<float>(std::sin(2.0 * std::numbers::pi * hz * i / rate));
  return x;
}

void writeWav(const std::string& path, const std::vector<std::vector<float>>& channels, int rate) {
  tools::SoundFileSpec fileSpec;
  fileSpec.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  fileSpec.sampleRate = rate;
  std::string error;
  ASSERT_TRUE(tools::WriteSoundFile(path, fileSpec, channels, error)) << error;
}

// Frequency from the rising zero crossings over the middle of the buffer.
double frequencyOf(const std::vector<float>& x, int rate) {
  const size_t from = x.size() / 4, to = 3 * x.size() / 4;
  size_t first = 0, last = 0;
  int crossings = -1;
  for (size_t i = from + 1; i < to; ++i) {
    if (x[i - 1] < 0.0f && x[i] >= 0.0f) {
      if (crossings < 0) first = i;
      last = i;
      ++crossings;
    }
  }
  return crossings > 0 ? crossings * static_cast<double>(rate) / (last - first) : 0.0;
}

// Amplitude of one frequency (Goertzel) over the buffer's middle half.
double amplitudeAt(const std::vector<float>& x, double hz, int rate) {
  const size_t from = x.size() / 4, to = 3 * x.size() / 4;
  double re = 0, im = 0;
  for (size_t i = from; i < to; ++i) {
    const double ph = 2.0 * std::numbers::pi * hz * i / rate;
    re += x[i] * std::cos(ph);
    im += x[i] * std::sin(ph);
  }
  return 2.0 * std::hypot(re, im) / static_cast<double>(to - from);
}

double rms(const std::vector<float>& x, size_t from, size_t to) {
  double e = 0;
  for (size_t i = from; i < to; ++i) e += double(x[i]) * x[i];
  return std::sqrt(e / std::max<size_t>(1, to - from));
}

struct Fixture {
  test::TempDir dir;
  SourceCache sources;
  std::vector<Event> events{Event{}};
  std::vector<float> gains{0.8f};
  ProjectSettings settings;
  StreamInputs inputs;
  Fixture() {
    inputs.sources = &sources;
    inputs.sampleRate = 48000;
    inputs.events = &events;
    inputs.eventGains = &gains;
    inputs.settings = &settings;
  }
};

TEST(StreamLayer, DecodesResamplesPitchesAndPlaces) {
  Fixture f;
  const std::string path = f.dir.file("tone.wav");
  writeWav(path, {sine(440.0, 3.0, 44100)}, 44100);
  Layer l;
  l.id = 4;
  l.filepath = path;
  l.sourceOffset = 0.5f;
  l.sourceDuration = 1.0f;
  l.startTime = 2.0f;
  l.deconOffset = 0.01f;
  l.duration = 1.0f;
  l.group = 2;
  l.weight = 0.85f;
  auto block = renderLayer(l, 3, f.inputs);
  ASSERT_TRUE(block);
  EXPECT_EQ(block->left.size(), 48000u);
  EXPECT_NEAR(frequencyOf(block->left, 48000), 440.0, 1.0);
  EXPECT_NEAR(amplitudeAt(block->left, 440.0, 48000), 0.5, 0.01);  // a mono source plays on both sides
  EXPECT_EQ(block->left, block->right);
  EXPECT_FLOAT_EQ(block->start, 2.01f);
  EXPECT_FLOAT_EQ(block->baseGain, 0.7f);
  EXPECT_FLOAT_EQ(block->eventGain, 0.8f);
  EXPECT_EQ(block->bus, 2);
  EXPECT_EQ(block->layerIdx, 3);
  EXPECT_EQ(block->layerId, 4u);
  EXPECT_NEAR(*std::max_element(block->peaks.begin(), block->peaks.end()), 0.5f, 0.01f);
  // The decoded region is kept: a second render reads no file.
  const uint64_t misses = f.sources.misses;
  renderLayer(l, 3, f.inputs);
  EXPECT_EQ(f.sources.misses, misses);

  // Up an octave by rate change.
  l.pitchShift = 12.0f;
  l.sourceDuration = 2.0f;
  block = renderLayer(l, 3, f.inputs);
  EXPECT_NEAR(frequencyOf(block->left, 48000), 880.0, 2.0);
  EXPECT_EQ(block->left.size(), 48000u);

  // Seeds follow the path and the offset; placement is seeded by them.
  EXPECT_EQ(layerSeed(path, 0.5f), layerSeed(path, 0.5f));
  EXPECT_NE(layerSeed(path, 0.5f), layerSeed(path, 0.501f));
  uint32_t h = 0x811C9DC5u;
  for (unsigned c : {0x61u, 0xe8u, 0x03u, 0x00u, 0x00u}) h = (h ^ c) * 16777619u;  // "a", then 1000 LE
  EXPECT_EQ(layerSeed("a", 1.0f), h);
}

TEST(StreamLayer, MissingSourcesPlaceholdersAndEmptyLayers) {
  Fixture f;
  Layer l;
  l.filepath = f.dir.file("gone.wav");
  l.duration = 0.5f;
  f.inputs.keepPitch = true;  // a rebuild that keeps pitches leaves no mark
  auto block = renderLayer(l, 0, f.inputs);
  ASSERT_TRUE(block);
  EXPECT_FALSE(l.sourceMissing);
  f.inputs.keepPitch = false;
  block = renderLayer(l, 0, f.inputs);
  ASSERT_TRUE(block);
  EXPECT_TRUE(l.sourceMissing);
  EXPECT_EQ(block->left.size(), 24000u);
  EXPECT_EQ(rms(block->left, 0, block->left.size()), 0.0);

  Layer empty;
  empty.duration = 1.0f;
  EXPECT_FALSE(renderLayer(empty, 0, f.inputs));

  Layer sketch;
  sketch.placeholder = true;
  sketch.duration = 1.0f;
  sketch.id = 9;
  block = renderLayer(sketch, 0, f.inputs);
  ASSERT_TRUE(block);
  EXPECT_GT(rms(block->left, 0, 48000), 0.001);
  auto again = renderLayer(sketch, 0, f.inputs);
  EXPECT_EQ(block->left, again->left);

  // An id the library no longer knows keeps the stored path and is marked.
  Layer moved;
  moved.fileId = "00000000deadbeef";
  moved.filepath = f.dir.file("gone.wav");
  moved.duration = 0.1f;
  renderLayer(moved, 0, f.inputs);
  EXPECT_TRUE(moved.unresolved);
}

TEST(StreamLayer, ScaleSnapTunesOnTheDecodedAudio) {
  Fixture f;
  const std::string path = f.dir.file("sharp.wav");
  writeWav(path, {sine(450.0, 2.0, 48000)}, 48000);  // 39 cents above A
  f.settings.scaleType = 1;                           // C major
  Layer l;
  l.filepath = path;
  l.sourceDuration = 1.5f;
  l.duration = 1.0f;
  auto block = renderLayer(l, 0, f.inputs);
  ASSERT_TRUE(block);
  EXPECT_NEAR(l.sourcePitchHz, 450.0f, 2.0f);
  EXPECT_NEAR(l.pitchShift, 12.0 * std::log2(440.0 / 450.0), 0.05);
  EXPECT_NEAR(frequencyOf(block->left, 48000), 440.0, 1.5);
  // "Force Off" and a rebuild that keeps pitches leave it alone.
  f.events[0].scaleTuneOverride = 2;
  l.pitchShift = 0.0f;
  renderLayer(l, 0, f.inputs);
  EXPECT_EQ(l.pitchShift, 0.0f);
  f.events[0].scaleTuneOverride = 0;
  f.inputs.keepPitch = true;
  renderLayer(l, 0, f.inputs);
  EXPECT_EQ(l.pitchShift, 0.0f);
}

TEST(StreamLayer, EnvelopesAndEventTables) {
  Fixture f;
  const std::string path = f.dir.file("flat.wav");
  writeWav(path, {std::vector<float>(48000, 0.5f)}, 48000);
  Layer l;
  l.filepath = path;
  l.duration = 1.0f;
  l.sourceDuration = 1.0f;
  l.deconGain = std::array<float, 32>{};
  l.deconGain->fill(0.5f);
  l.hasIntGain = true;
  for (int i = 0; i < kCurvePoints; ++i) l.intGain[i] = i < 128 ? 1.0f : 0.0f;
  f.events[0].duration = 2.0f;
  for (int i = 0; i < kCurvePoints; ++i) f.events[0].intensity[i] = i < 128 ? 0.25f : 1.0f;
  auto block = renderLayer(l, 0, f.inputs);
  ASSERT_TRUE(block);
  EXPECT_NEAR(block->left[1000], 0.25f, 1e-4);
  EXPECT_NEAR(block->left[47000], 0.0f, 1e-4);
  // The block covers the first half of the event: the quiet part of its curve, over its peak.
  ASSERT_TRUE(block->intensityTable);
  EXPECT_NEAR((*block->intensityTable)[10], 0.25f, 1e-5);
  EXPECT_FALSE(block->weightTable);  // a flat curve
  EXPECT_FALSE(block->contourTable);
}

TEST(FillAssembly, ChunksCrossfadeAndLoop) {
  Fixture f;
  const std::string path = f.dir.file("bed.wav");
  writeWav(path, {std::vector<float>(48000 * 2, 0.5f)}, 48000);
  Layer l;
  l.procMode = 1;
  l.fillChunks = {{0, 500, 0}, {460, 500, 1000}};  // 40 ms of overlap
  StereoAudio out;
  ASSERT_TRUE(assembleFill(f.sources, path, l, 48000, 48000 * 2, 1.0, out));
  EXPECT_NEAR(out.left[48000 / 10], 0.5f, 1e-5);
  // Equal-power crossfade in the middle of the overlap: 0.5 x 2 x cos(pi/4).
  EXPECT_NEAR(out.left[static_cast<size_t>(0.48 * 48000)], 0.5f * 1.41421356f, 0.01f);
  EXPECT_EQ(out.left[static_cast<size_t>(1.5 * 48000)], 0.0f);  // no loop: silence after the list
  l.fillLoop = true;
  ASSERT_TRUE(assembleFill(f.sources, path, l, 48000, 48000 * 2, 1.0, out));
  EXPECT_NEAR(out.left[static_cast<size_t>(1.5 * 48000)], 0.5f, 1e-5);
  EXPECT_FALSE(assembleFill(f.sources, f.dir.file("none.wav"), l, 48000, 4800, 1.0, out));
}

TEST(CarveFilter, CutsOnlyTheBandsAskedFor) {
  const int rate = 48000;
  auto level = [&](double hz, std::array<float, 5> gains) {
    std::vector<float> x = sine(hz, 1.0, rate);
    applyCarveFilter(x, rate, gains);
    return amplitudeAt(x, hz, rate) / 0.5;
  };
  const std::array<float, 5> midCut{1.0f, 1.0f, 0.5f, 1.0f, 1.0f};
  // The band centre is cut by most of the asked 6 dB; crossover skirts of the
  // neighbouring bands fill in the rest.
  EXPECT_LT(level(1225.0, midCut), 0.7);
  EXPECT_GT(level(1225.0, midCut), 0.5);
  EXPECT_NEAR(level(60.0, midCut), 1.0, 0.03);
  EXPECT_NEAR(level(12000.0, midCut), 1.0, 0.03);
  EXPECT_NEAR(level(3000.0, {0.5f, 0.5f, 0.5f, 0.5f, 0.5f}), 0.5, 0.01);  // the bands sum flat
  std::vector<float> x = sine(500.0, 0.1, rate), y = x;
  applyCarveFilter(y, rate, {1, 1, 1, 1, 1});
  EXPECT_EQ(x, y);
}

TEST(AlloyMorph, BlendsSpectraNotSignals) {
  const int rate = 48000;
  StereoAudio primary, partner;
  primary.left = sine(110.0, 1.0, rate, 0.4f);
  partner.left = sine(220.0, 1.0, rate, 0.3f);
  const auto highTone = sine(9000.0, 1.0, rate, 0.3f);
  for (size_t i = 0; i < partner.left.size(); ++i) partner.left[i] += highTone[i];
  primary.right = primary.left;
  partner.right = partner.left;
  AlloyParams p;
  p.attackGraft = 0.0f;
  p.morph = 0.0f;
  StereoAudio out = alloyMorph(primary, partner, partner, primary, rate, p);
  ASSERT_EQ(out.left.size(), primary.left.size());
  EXPECT_NEAR(amplitudeAt(out.left, 110.0, rate), 0.4, 0.01);  // morph 0: the primary alone
  EXPECT_LT(amplitudeAt(out.left, 9000.0, rate), 0.005);

  p.morph = 1.0f;
  p.transferDepth = 0.0f;
  out = alloyMorph(primary, partner, partner, primary, rate, p);
  // The partner's top band arrives, its low tone does not: a crossfade would carry both.
  EXPECT_GT(amplitudeAt(out.left, 9000.0, rate), 0.1);
  EXPECT_LT(amplitudeAt(out.left, 220.0, rate), 0.02);
  EXPECT_GT(amplitudeAt(out.left, 110.0, rate), 0.3);
  EXPECT_EQ(out.left, out.right);

  // The attack graft keeps the primary's first samples as they are.
  p.attackGraft = 0.02f;
  out = alloyMorph(primary, partner, partner, primary, rate, p);
  for (size_t i = 0; i < 900; ++i) ASSERT_EQ(out.left[i], primary.left[i]);
  EXPECT_GT(alloyPartnerRatio(0.1f, true), 1.0);
  EXPECT_LT(alloyPartnerRatio(0.1f, false), 1.0);
}

}  // namespace
}  // namespace vn
