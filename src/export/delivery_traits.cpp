#include "export/delivery_traits.h"

#include <cmath>

#include "builder/band_profile.h"

namespace vn {

float deliveryStart(const Layer& layer) { return layer.startTime + layer.deconOffset; }

int spectralClassOf(const std::array<float, 5>& shares) {
  float centroid = 0.0f;
  for (size_t i = 0; i < 5; ++i) centroid += static_cast<float>(i) * shares[i];
  if (centroid < 1.5f) return 0;
  return centroid <= 2.5f ? 1 : 2;
}

float spectralDistance(const std::array<float, 5>& a, const std::array<float, 5>& b) {
  float sum = 0.0f;
  for (size_t i = 0; i < 5; ++i) sum += (a[i] - b[i]) * (a[i] - b[i]);
  return std::sqrt(sum);
}

float separability(const std::array<float, 5>& a, int classA, const std::array<float, 5>& b, int classB) {
  return spectralDistance(a, b) + (classA == classB ? 0.0f : 0.5f);
}

FoldTraits foldTraitsOf(const Session& session, const Layer& layer) {
  FoldTraits t;
  t.start = deliveryStart(layer);
  t.end = t.start + std::max(0.0f, layer.duration);
  t.shares = normalisedShares(layer.bandShares);
  t.spectralClass = spectralClassOf(t.shares);
  const bool eventKnown = layer.eventIdx >= 0 && layer.eventIdx < static_cast<int>(session.events.size());
  const Event* event = eventKnown ? &session.events[layer.eventIdx] : nullptr;
  t.hero = event && event->hero;
  const bool fill = layer.procMode == 1 || (event && event->shape == ShapeType::Fill);
  const bool transientSource = layer.sourceDuration > 0.0f && layer.sourceDuration < kTransientSourceSeconds;
  t.transient = !fill && (transientSource || layer.duration <= kTransientSeconds);
  t.eventIdx = eventKnown ? layer.eventIdx : -1;
  t.foldPin = layer.foldPin;
  t.foldTarget = layer.foldTarget;
  t.id = layer.id;
  t.fmt = layer.fmt;
  return t;
}

}  // namespace vn
