#include "render/carve_filter.h"

#include <cmath>
#include <numbers>

#include "render/loudness.h"

namespace vn {

namespace {

struct Section {
  Biquad q;
  double z1 = 0, z2 = 0;
  double run(double x) {
    const double y = q.b0 * x + z1;
    z1 = q.b1 * x - q.a1 * y + z2;
    z2 = q.b2 * x - q.a2 * y;
    return y;
  }
};

// Second-order Butterworth sections; two in series make a fourth-order
// Linkwitz-Riley half whose low and high parts sum to an all-pass.
Biquad butterworth(double hz, double rate, bool highPass) {
  const double k = std::tan(std::numbers::pi * std::min(hz, 0.45 * rate) / rate);
  const double norm = 1.0 / (1.0 + std::numbers::sqrt2 * k + k * k);
  Biquad q;
  if (highPass) {
    q.b0 = norm;
    q.b1 = -2.0 * norm;
    q.b2 = norm;
  } else {
    q.b0 = k * k * norm;
    q.b1 = 2.0 * q.b0;
    q.b2 = q.b0;
  }
  q.a1 = 2.0 * (k * k - 1.0) * norm;
  q.a2 = (1.0 - std::numbers::sqrt2 * k + k * k) * norm;
  return q;
}

struct Crossover {
  Section low[2], high[2];
  double lowPart(double x) { return low[1].run(low[0].run(x)); }
  double highPart(double x) { return high[1].run(high[0].run(x)); }
  double allPass(double x) { return lowPart(x) + highPart(x); }
};

std::array<Crossover, 4> crossovers(double rate) {
  std::array<Crossover, 4> c;
  for (int k = 0; k < 4; ++k) {
    for (auto& s : c[k].low) s.q = butterworth(kCarveCrossoversHz[k], rate, false);
    for (auto& s : c[k].high) s.q = butterworth(kCarveCrossoversHz[k], rate, true);
  }
  return c;
}

}  // namespace

void applyCarveFilter(std::vector<float>& samples, int sampleRate, const std::array<float, 5>& bandGains) {
  bool flat = true;
  for (float g : bandGains) flat = flat && g == 1.0f;
  if (flat || samples.empty() || sampleRate <= 0) return;
  const double rate = sampleRate;
  // Split: crossover k separates band k from the rest above it. Bands below a
  // later crossover pass that crossover's all-pass (its low plus high parts) so
  // that every band keeps the same phase and the sum stays flat.
  std::array<Crossover, 4> split = crossovers(rate);
  // compensation[k][j]: crossover j's all-pass on band k (used for j > k).
  std::array<std::array<Crossover, 4>, 4> compensation;
  for (auto& row : compensation) row = crossovers(rate);

  for (float& s : samples) {
    double rest = s, out = 0.0;
    for (int k = 0; k < 4; ++k) {
      double band = split[k].lowPart(rest);
      rest = split[k].highPart(rest);
      for (int j = k + 1; j < 4; ++j) band = compensation[k][j].allPass(band);
      out += bandGains[k] * band;
    }
    out += bandGains[4] * rest;
    s = static_cast<float>(out);
  }
}

}  // namespace vn

