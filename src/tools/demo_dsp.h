#pragma once
// The few signal pieces the demo synthesiser is built from: a seeded random
// source, one-pole filters and a state-variable band-pass.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace vn::tools {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// splitmix64: tiny, fast and the same on every machine.
struct DemoRandom {
  uint64_t state = 1;
};

inline uint64_t NextBits(DemoRandom& r) {
  uint64_t z = (r.state += 0x9e3779b97f4a7c15ULL);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  return z ^ (z >> 31);
}

// 0 <= u < 1
inline double Uniform(DemoRandom& r) { return static_cast<double>(NextBits(r) >> 11) * 0x1.0p-53; }
// -1 <= v < 1
inline double Bipolar(DemoRandom& r) { return 2.0 * Uniform(r) - 1.0; }

struct OnePole {
  double coefficient = 1.0;
  double state = 0.0;
};

inline OnePole MakeOnePole(double cutoffHz, double rate) { return {1.0 - std::exp(-kTwoPi * cutoffHz / rate), 0.0}; }
inline double LowPass(OnePole& f, double x) { return f.state += f.coefficient * (x - f.state); }
inline double HighPass(OnePole& f, double x) { return x - LowPass(f, x); }

// Chamberlin state-variable filter. Tune it once for a fixed band, or again
// whenever the band moves.
struct StateVariable {
  double low = 0.0;
  double band = 0.0;
  double g = 0.0;
  double damping = 1.0;
};

inline void Tune(StateVariable& f, double cutoffHz, double q, double rate) {
  f.g = 2.0 * std::sin(std::numbers::pi * std::clamp(cutoffHz, 10.0, rate / 6.0) / rate);
  f.damping = 1.0 / q;
}

inline double BandPass(StateVariable& f, double x) {
  f.low += f.g * f.band;
  const double high = x - f.low - f.damping * f.band;
  f.band += f.g * high;
  return f.band;
}

}  // namespace vn::tools
