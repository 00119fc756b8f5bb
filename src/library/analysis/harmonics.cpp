#include "library/analysis/harmonics.h"

#include <algorithm>
#include <cmath>

namespace vn {
namespace {

constexpr double kTiny = 1e-12;

double StrongestFrequency(const std::vector<double>& L, double binHz) {
  const size_t last = L.size() - 1;
  size_t best = std::min(static_cast<size_t>(std::trunc(50.0 / binHz)), last);
  for (size_t k = best; k <= last; ++k) {
    if (L[k] > L[best]) best = k;
  }
  return static_cast<double>(best) * binHz;
}

// Peak bin moved by a parabola through the log magnitudes around it.
double RefinedPeak(const std::vector<double>& L, size_t p) {
  if (p < 1 || p + 1 >= L.size()) return static_cast<double>(p);
  const double a = std::log(std::max(L[p - 1], 1e-20));
  const double b = std::log(std::max(L[p], 1e-20));
  const double c = std::log(std::max(L[p + 1], 1e-20));
  const double curvature = a - 2.0 * b + c;
  if (std::fabs(curvature) <= kTiny) return static_cast<double>(p);
  const double offset = 0.5 * (a - c) / curvature;
  if (offset <= -1.0 || offset >= 1.0) return static_cast<double>(p);
  return static_cast<double>(p) + offset;
}

}  // namespace

void MeasureHarmonics(const std::vector<double>& L, double binHz, double acceptedPitchHz, LibraryRecord& record) {
  if (L.size() < 2 || binHz <= 0.0) return;
  const long last = static_cast<long>(L.size()) - 1;
  double total = 0.0;
  for (long k = 1; k <= last; ++k) total += L[static_cast<size_t>(k)];
  if (total <= kTiny) return;
  const bool pitched = acceptedPitchHz > 0.0;
  const double f0 = pitched ? acceptedPitchHz : StrongestFrequency(L, binHz);
  if (f0 <= 1e-6) return;

  double harmonicSum = 0.0, deviation = 0.0, weight = 0.0;
  for (int h = 1; h <= 8; ++h) {
    const double target = h * f0;
    const long centre = std::lround(target / binHz);
    if (centre < 1 || centre > last) break;
    const long half = std::max(std::lround(0.03 * target / binHz), 2L);
    const long lo = std::max(centre - half, 1L);
    const long hi = std::min(centre + half, last);
    size_t peak = static_cast<size_t>(lo);
    for (long k = lo; k <= hi; ++k) {
      harmonicSum += L[static_cast<size_t>(k)];
      if (L[static_cast<size_t>(k)] > L[peak]) peak = static_cast<size_t>(k);
    }
    const double amplitude = L[peak];
    if (amplitude <= kTiny) continue;
    deviation += std::fabs(binHz * RefinedPeak(L, peak) - target) * amplitude / target;
    weight += amplitude;
  }
  record.harmonicRatio = static_cast<float>(std::clamp(harmonicSum / total, 0.0, 1.0));
  record.inharmonicity =
      pitched && weight > kTiny ? static_cast<float>(std::clamp(deviation / weight, 0.0, 1.0)) : 0.0f;
}

}  // namespace vn
