#include "builder/layering_support.h"

#include <algorithm>
#include <cmath>

namespace vn {

float passGain(const Layer& layer) { return layer.layerGain * layer.userVolume; }

bool isHeroLayer(const Session& session, const Layer& layer) {
  return layer.eventIdx >= 0 && layer.eventIdx < static_cast<int>(session.events.size()) &&
         session.events[layer.eventIdx].hero;
}

BandArray layerBandEnergy(const Layer& layer) { return targetBandProfile(layer.weight); }

float envelopePointTime(float start, float duration, int j) {
  return start + static_cast<float>(j) / (kEnvelopePoints - 1) * duration;
}

Envelope smoothEnvelope(const Envelope& points, int reach) {
  Envelope out{};
  for (int j = 0; j < kEnvelopePoints; ++j) {
    const int lo = std::max(0, j - reach), hi = std::min(kEnvelopePoints - 1, j + reach);
    float sum = 0.0f;
    for (int k = lo; k <= hi; ++k) sum += points[k];
    out[j] = sum / static_cast<float>(hi - lo + 1);
  }
  return out;
}

bool takesPart(const Layer& layer) {
  return !layer.muted && std::isfinite(layer.startTime) && std::isfinite(layer.duration) &&
         std::isfinite(layer.deconOffset) && std::isfinite(passGain(layer));
}

float timelineEnd(const Session& session, bool withDeconOffset) {
  float end = 0.0f;
  for (const auto& l : session.results)
    if (takesPart(l)) end = std::max(end, (withDeconOffset ? l.deconOffset : 0.0f) + l.startTime + l.duration);
  return std::min(end, kPassTimelineLimit);
}

int truncBin(float x) {
  constexpr float kLimit = 1.0e9f;
  return static_cast<int>(std::max(-kLimit, std::min(kLimit, x)));
}

}  // namespace vn
