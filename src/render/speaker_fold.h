#pragma once
// Reduces a multichannel layout to the device's two channels. Each speaker runs
// through its own filter cascade and then either straight gains (a plain
// downmix) or, for headphones, an interaural path that places it outside the
// head; headphone rendering adds a short early-reflection stage.
//
// Headphone design: every speaker is a virtual source at its role's azimuth and
// elevation, heard by two ears on the interaural axis of a spherical head
// (radius 8.75 cm). For each ear the incidence angle between the source and the
// ear axis sets
//   - the interaural time difference, from the spherical-head path length
//     (up to about 0.66 ms at the far ear), read from a 128-sample ring with a
//     linearly interpolated fractional delay;
//   - the head shadow, a first-order one-pole/one-zero filter whose
//     high-frequency gain rises to +6 dB facing the ear and falls to -20 dB
//     behind the head (the classic spherical-head shadow model), designed for
//     the actual rate by the bilinear transform.
// Rear speakers get a gentle high-shelf cut (the pinna shades sound from
// behind) and height speakers a presence peak near 7 kHz, as second-order
// sections before the interaural path. Finally six early reflections per ear,
// with cross-feed from the other ear and a low-pass, give the image a room to
// sit in; without them headphone sources collapse towards the head.
#include <array>

#include "render/loudness.h"
#include "render/spatial_layout.h"

namespace vn {

constexpr int kInterauralRing = 128;
constexpr int kReflectionLength = 8192;
constexpr int kReflectionTaps = 6;
constexpr int kMaxSpeakerSections = 2;

struct SectionState {
  double z1 = 0, z2 = 0;
};

struct OnePole {
  float b0 = 1, b1 = 0, a1 = 0;
  float x1 = 0, y1 = 0;
};

struct SpeakerPath {
  bool interaural = false;
  float gainLeft = 0.0f, gainRight = 0.0f;  // straight gains, or the ears' levels
  int sections = 0;
  std::array<Biquad, kMaxSpeakerSections> cascade{};
  std::array<SectionState, kMaxSpeakerSections> cascadeState{};
  std::array<float, kInterauralRing> ring{};
  int ringPos = 0;
  std::array<float, 2> earDelay{};  // samples, left then right
  std::array<OnePole, 2> shadow{};
};

struct SpeakerFold {
  SpatialLayout layout = SpatialLayout::Stereo;
  bool binaural = false;
  std::array<SpeakerPath, kMaxLayoutChannels> paths{};
  // Early reflections (headphones only).
  std::array<float, kReflectionLength> reflLeft{}, reflRight{};
  int reflPos = 0;
  std::array<int, kReflectionTaps> tapLeft{}, tapRight{};
  std::array<float, kReflectionTaps> tapGain{};
  float crossFeed = 0.35f;
  float reflCoef = 0.0f, reflLowLeft = 0.0f, reflLowRight = 0.0f;
  float reflGain = 0.22f;
};

void initialiseSpeakerFold(SpeakerFold& fold, SpatialLayout layout, bool binaural, int sampleRate);
void clearSpeakerFold(SpeakerFold& fold);
// in: interleaved frames in the layout's channel order; out: interleaved stereo.
void foldToStereo(SpeakerFold& fold, const float* in, int frames, float* out);

}  // namespace vn
