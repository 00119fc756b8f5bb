#pragma once
// Where a Rendered block sits in space, and the gains that put it there: the
// constant-power stereo pan law, the speaker-ring panner and the multichannel
// placement with its diffuse share.
#include <array>
#include <cstdint>
#include <optional>

#include "render/spatial_layout.h"

namespace vn {

struct Event;

struct Placement {
  float azimuth = 0.0f;     // radians, positive to the left
  float elevation = 0.0f;   // radians
  float width = 0.6108652f; // stereo width angle, radians
  float distance = 1.0f;    // 0..1
  bool manual = false;
  float frontBack = 0.0f;   // 0..1
  float spreadBase = 0.0f;  // 0..1, from the Event's spread
};

// From the Event's panX/panY/panZ.
Placement manualPlacement(float panX, float panY, float panZ, float spreadBase);
// Seeded random azimuth shaped by the block's five-band spectral profile (lowest band first).
Placement automaticPlacement(uint32_t layerSeed, int eventIdx, float spreadBase,
                             const std::optional<std::array<float, 5>>& spectralProfile);
// Manual or automatic, as the Event asks.
Placement placeBlock(const Event& event, uint32_t layerSeed, int eventIdx,
                     const std::optional<std::array<float, 5>>& spectralProfile);

// Places every block of the event again after its placement was edited, under
// the cache mutex.
struct RenderCache;
void placeEventBlocks(RenderCache& cache, const Event& event, int eventIdx);

// The pan amount of a block: the global placement amount for automatic blocks,
// the distance for manual ones.
float panAmount(const Placement& placement, float spatialAmount);

// Gains of a two-channel source onto the stereo pair: out L = ll*inL + rl*inR,
// out R = lr*inL + rr*inR. A mono source uses ll and lr only.
struct StereoGains {
  float ll = 0.0f, lr = 0.0f, rl = 0.0f, rr = 0.0f;
};
StereoGains stereoPanGains(float azimuth, float width, bool stereoSource, float amount);

// Adds a virtual source at azimuth on one ring of the layout to gains (one per
// channel of the layout); nothing happens when gain is 1e-6 or less.
void ringPan(SpatialLayout layout, SpeakerRing ring, float azimuth, float gain,
             std::array<float, kMaxLayoutChannels>& gains);
// Splits a source with elevation between the ear-level and height rings.
void panWithElevation(SpatialLayout layout, float azimuth, float elevation, float gain,
                      std::array<float, kMaxLayoutChannels>& gains);

// Per input channel (left, right; a mono source uses the first) the gains over
// the layout's channels, clamped at 0 and normalised to unit power.
struct ChannelGains {
  std::array<float, kMaxLayoutChannels> left{};
  std::array<float, kMaxLayoutChannels> right{};
};
ChannelGains multichannelGains(SpatialLayout layout, const Placement& placement, bool stereoSource,
                               float amount);

// The share of a block sent to the diffuse bed.
float diffuseShare(const Placement& placement, float spatialDiffuse);

// 0 when both amounts are at most 0.0001, 2 when diffuse is above it, else 1.
int exportSpatialMode(float spatialAmount, float spatialDiffuse);

}  // namespace vn
