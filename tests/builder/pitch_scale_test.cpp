#include <gtest/gtest.h>

#include <cmath>

#include "builder/pitch_scale.h"

namespace vn {
namespace {

Layer tonal(float hz) {
  Layer l;
  setSourcePitch(l, hz, 0.9f);
  return l;
}

TEST(PitchScale, TablesAndTuning) {
  EXPECT_STREQ(scaleName(16), "Power (1-5)");
  EXPECT_STREQ(rootName(1), "C#");
  EXPECT_TRUE(scaleDegrees(0).empty());
  EXPECT_TRUE(scaleDegrees(17).empty());
  EXPECT_EQ(scaleDegrees(7).size(), 5u);

  Event ev;
  Layer a = tonal(440.0f);
  ASSERT_EQ(a.sourceMidi, 69);
  tuneLayer(a, 1, 0, ev);  // C Major: A is a degree
  EXPECT_EQ(a.tuneShift, 0.0f);
  tuneLayer(a, 7, 0, ev);  // C Minor Pentatonic: nearest degree 10, d = +1
  EXPECT_NEAR(a.tuneShift, 1.0f, 1e-4f);
  EXPECT_NEAR(a.pitchShift, 1.0f, 1e-4f);

  // Six semitones above the root in "Power (1-5)": -6 or +1 → +1.
  Layer fs = tonal(440.0f * std::exp2(-3.0f / 12.0f));  // F#4, root C
  tuneLayer(fs, 16, 0, ev);
  EXPECT_NEAR(fs.tuneShift, 1.0f, 1e-3f);

  // Off, "Force Off" and an untuned source keep only the variation.
  Layer v = tonal(440.0f);
  v.pitchVarShift = 0.7f;
  tuneLayer(v, 0, 0, ev);
  EXPECT_NEAR(v.pitchShift, 0.7f, 1e-6f);
  ev.scaleTuneOverride = 2;
  tuneLayer(v, 7, 0, ev);
  EXPECT_NEAR(v.pitchShift, 0.7f, 1e-6f);
  Layer unsure;
  setSourcePitch(unsure, 440.0f, 0.2f);
  tuneLayer(unsure, 7, 0, Event{});
  EXPECT_EQ(unsure.tuneShift, 0.0f);
}

TEST(PitchScale, VariationRangeAndSyncKeeping) {
  uint32_t state = 12345;
  for (int i = 0; i < 200; ++i) {
    Layer l;
    l.sourceDuration = 1.0f;
    applyPitchVariation(l, 0.5f, state);
    EXPECT_LE(std::fabs(l.pitchVarShift), 12.0f);
    EXPECT_EQ(l.pitchShift, l.pitchVarShift);
  }
  Layer none;
  const uint32_t before = state;
  applyPitchVariation(none, 0.0005f, state);
  EXPECT_EQ(none.pitchVarShift, 0.0f);
  EXPECT_EQ(state, before);

  // An octave up with offset 0.1 and sync 0.3: newOffset = 0.1 - 0.3 < 0, so the
  // read starts at 0, the sync becomes 0.2 and the layer starts 0.1 s later.
  // Find a state whose draw is +12 semitones at pitchVariation 0.5 (u = 1).
  uint32_t s = 0;
  for (uint32_t seed = 0; seed < 2000000; ++seed) {
    uint32_t probe = seed;
    if (((probe * 1103515245u + 12345u) >> 16) == 65535u) {
      s = seed;
      break;
    }
  }
  Layer up;
  up.sourceOffset = 0.1f;
  up.audioSyncOffset = 0.3f;
  up.startTime = 5.0f;
  up.sourceDuration = 1.0f;
  applyPitchVariation(up, 0.5f, s);
  ASSERT_NEAR(up.pitchVarShift, 12.0f, 1e-4f);
  EXPECT_NEAR(up.sourceDuration, 2.0f, 1e-4f);
  EXPECT_EQ(up.sourceOffset, 0.0f);
  EXPECT_NEAR(up.audioSyncOffset, 0.2f, 1e-5f);
  EXPECT_NEAR(up.startTime, 5.1f, 1e-5f);
}

}  // namespace
}  // namespace vn
