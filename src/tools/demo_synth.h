#pragma once
// Synthesised sound effects for the demo library: impacts, whooshes, drones,
// pitched hits, metal, glass, fire, water, textures and ambiences. Everything comes
// from a seeded generator, so the same request gives the same samples every time.
#include <cstdint>
#include <vector>

namespace vn::tools {

enum class DemoKind {
  Impact,     // a body thump and a noise crack
  Whoosh,     // swept band of noise passing left to right
  Drone,      // slowly moving harmonic tone
  TonalHit,   // pitched, harmonic, decaying
  Metal,      // inharmonic ringing partials
  Glass,      // high shards and a bright crack
  Fire,       // rumble and crackles
  Water,      // bubbles over a wash
  Texture,    // overlapping grains of coloured noise
  Ambience,   // a bed with distant events
  Zap,        // mains buzz and sparks
  Wind,       // gusting filtered noise
  Footsteps,  // regular soft thuds
  Explosion,  // deep boom with a long tail
  Click,      // a short bright tick
};

struct DemoVoice {
  DemoKind kind = DemoKind::Impact;
  double seconds = 1.0;
  int sampleRate = 48000;
  int channels = 1;      // 6 means L R C LFE Ls Rs
  double pitchHz = 0.0;  // the tonal kinds' fundamental
  double colour = 0.5;   // 0 dark / small .. 1 bright / large
  uint64_t seed = 1;
};

// One vector per channel, peaks normalised to a level chosen by the seed.
std::vector<std::vector<float>> SynthesiseVoice(const DemoVoice& voice);

}  // namespace vn::tools
