#include "library/analysis/attack_time.h"

#include <algorithm>

#include "library/analysis/time_measures.h"

namespace vn {
namespace {

// Rise of the onset that starts after index `before` and peaks at `top`, in hops;
// negative when it is not a rise.
double RiseHops(const std::vector<float>& E, size_t before, size_t top) {
  const double base = E[before];
  if (!(E[top] > base + 1e-6)) return -1.0;
  const double low = base + 0.1 * (E[top] - base);
  const double high = base + 0.9 * (E[top] - base);
  size_t start = before;
  for (size_t k = top; k > before; --k) {
    if (E[k] <= low) {
      start = k;
      break;
    }
  }
  size_t end = top;
  for (size_t k = top; k > start; --k) {
    if (E[k] <= high) {
      end = k + 1;
      break;
    }
  }
  return end >= start ? static_cast<double>(end - start) : -1.0;
}

}  // namespace

double AttackTime(const std::vector<float>& E, double sampleRate) {
  if (E.size() < 5 || sampleRate <= 0.0) return 0.0;
  const float loudest = *std::max_element(E.begin(), E.end());
  if (loudest <= 1e-6f) return 0.0;
  const float onset = 0.15f * loudest;
  const float rearm = 0.05f * loudest;
  std::vector<double> rises;
  bool armed = true;
  for (size_t i = 1; i < E.size(); ++i) {
    if (armed && E[i] > onset && E[i] > E[i - 1]) {
      size_t top = i;
      while (top + 1 < E.size() && E[top + 1] >= E[top]) ++top;
      const double hops = RiseHops(E, i - 1, top);
      if (hops >= 0.0) rises.push_back(hops * static_cast<double>(kEnvelopeHop) / sampleRate);
      armed = false;
      i = top;
    }
    if (E[i] < rearm) armed = true;
  }
  if (rises.empty()) return 0.0;
  std::sort(rises.begin(), rises.end());
  return rises[rises.size() / 2];
}

}  // namespace vn
