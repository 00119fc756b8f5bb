#include "builder/pitch_scale.h"

#include <cmath>
#include <cstdlib>

#include "builder/random_pick.h"

namespace vn {
namespace {

struct ScaleEntry {
  const char* name;
  std::span<const int> degrees;
};

constexpr int kMajor[] = {0, 2, 4, 5, 7, 9, 11};
constexpr int kNaturalMinor[] = {0, 2, 3, 5, 7, 8, 10};
constexpr int kHarmonicMinor[] = {0, 2, 3, 5, 7, 8, 11};
constexpr int kDorian[] = {0, 2, 3, 5, 7, 9, 10};
constexpr int kMixolydian[] = {0, 2, 4, 5, 7, 9, 10};
constexpr int kPentatonic[] = {0, 2, 4, 7, 9};
constexpr int kMinorPentatonic[] = {0, 3, 5, 7, 10};
constexpr int kBlues[] = {0, 3, 5, 6, 7, 10};
constexpr int kWholeTone[] = {0, 2, 4, 6, 8, 10};
constexpr int kChromatic[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
constexpr int kMaj7[] = {0, 4, 7, 11};
constexpr int kMin7[] = {0, 3, 7, 10};
constexpr int kDom7[] = {0, 4, 7, 10};
constexpr int kSus4[] = {0, 5, 7};
constexpr int kSus2[] = {0, 2, 7};
constexpr int kPower[] = {0, 7};

const ScaleEntry kScales[kScaleCount] = {
    {"Off", {}},
    {"Major", kMajor},
    {"Natural Minor", kNaturalMinor},
    {"Harmonic Minor", kHarmonicMinor},
    {"Dorian", kDorian},
    {"Mixolydian", kMixolydian},
    {"Pentatonic", kPentatonic},
    {"Minor Pentatonic", kMinorPentatonic},
    {"Blues", kBlues},
    {"Whole Tone", kWholeTone},
    {"Chromatic", kChromatic},
    {"Maj7", kMaj7},
    {"Min7", kMin7},
    {"Dom7", kDom7},
    {"Sus4", kSus4},
    {"Sus2", kSus2},
    {"Power (1-5)", kPower},
};

const char* const kRoots[kRootCount] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};

}  // namespace

const char* scaleName(int scaleType) {
  return (scaleType >= 0 && scaleType < kScaleCount) ? kScales[scaleType].name : "";
}

const char* rootName(int scaleRoot) { return (scaleRoot >= 0 && scaleRoot < kRootCount) ? kRoots[scaleRoot] : ""; }

std::span<const int> scaleDegrees(int scaleType) {
  if (scaleType < 1 || scaleType >= kScaleCount) return {};
  return kScales[scaleType].degrees;
}

float pitchRatio(float semitones) { return std::exp2(semitones / 12.0f); }

void applyPitchVariation(Layer& layer, float pitchVariation, uint32_t& lcgState) {
  if (!(pitchVariation >= 0.001f)) return;
  const float u = nextUniform(lcgState);
  const float shift = (2.0f * u - 1.0f) * pitchVariation * 24.0f;
  layer.pitchVarShift = shift;
  layer.pitchShift += shift;
  const float ratio = pitchRatio(shift);
  if (std::fabs(ratio - 1.0f) < 0.001f) return;
  layer.sourceDuration *= ratio;
  // Keep the sync point where it was on the timeline: the faster (or slower)
  // read must start earlier (or later) in the file by what the sync point moves.
  const float newOffset = layer.sourceOffset - layer.audioSyncOffset * (ratio - 1.0f);
  if (newOffset >= 0.0f) {
    layer.sourceOffset = newOffset;
    return;
  }
  // The file cannot start earlier than its first sample: the layer starts later
  // instead, by what could not be taken from before the start.
  const float sync = (layer.audioSyncOffset + layer.sourceOffset) / ratio;
  layer.sourceOffset = 0.0f;
  layer.startTime += layer.audioSyncOffset - sync;
  layer.audioSyncOffset = sync;
}

void setSourcePitch(Layer& layer, float pitchHz, float confidence) {
  layer.sourcePitchHz = 0.0f;
  layer.sourceMidi = -1;
  layer.sourceCents = 0.0f;
  layer.sourcePitchConfidence = 0.0f;
  if (!(pitchHz > 20.0f && pitchHz < 10000.0f && confidence > 0.25f)) return;
  const float exact = 12.0f * std::log2(pitchHz / 440.0f) + 69.0f;
  const float nearest = std::round(exact);
  layer.sourcePitchHz = pitchHz;
  layer.sourceMidi = static_cast<int>(std::fmin(127.0f, std::fmax(0.0f, nearest)));
  layer.sourceCents = (exact - nearest) * 100.0f;
  layer.sourcePitchConfidence = confidence;
}

bool hasSourcePitch(const Layer& layer) { return layer.sourceMidi >= 0; }

void tuneLayer(Layer& layer, int scaleType, int scaleRoot, const Event& event) {
  layer.tuneShift = 0.0f;
  const auto degrees = scaleDegrees(scaleType);
  if (hasSourcePitch(layer) && !degrees.empty() && event.scaleTuneOverride != 2) {
    const float p = layer.sourceMidi + layer.sourceCents / 100.0f + layer.pitchVarShift;
    const float pc = std::fmod(p - static_cast<float>(scaleRoot) + 1200.0f, 12.0f);
    float best = 0.0f;
    bool first = true;
    for (int s : degrees) {
      float d = static_cast<float>(s) - pc;
      if (d > 6.0f) d -= 12.0f;
      if (d < -6.0f) d += 12.0f;
      if (first || std::fabs(d) < std::fabs(best)) best = d;
      first = false;
    }
    layer.tuneShift = std::fmin(6.0f, best);
  }
  layer.pitchShift = layer.tuneShift + layer.pitchVarShift;
}

}  // namespace vn
