#include "builder/placeholder.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "builder/band_profile.h"
#include "platform/log.h"

namespace vn {

const char* placeholderName(SketchKind kind) {
  switch (kind) {
    case SketchKind::Spot: return "[Sketch] Spot";
    case SketchKind::Alloy: return "[Sketch] Alloy";
    case SketchKind::Fill: return "[Sketch] Fill";
    case SketchKind::Scatter: return "[Sketch] Scatter";
    case SketchKind::Layer: return "[Sketch] Layer";
    case SketchKind::Wash: return "[Sketch] Wash";
  }
  return "[Sketch] Layer";
}

PlaceholderVoice placeholderVoice(const Layer& layer) {
  PlaceholderVoice v;
  const float w = clampf(std::isfinite(layer.weight) ? layer.weight : 0.5f, 0.0f, 1.0f);
  // The centroid scale of the analysis: 0 = 100 Hz, 1 = 8 kHz, log spaced.
  v.centreHz = 100.0f * std::pow(80.0f, 0.1f + 0.8f * w);
  const float d = std::max(layer.duration, 0.01f);
  const bool hit = std::strcmp(layer.name.c_str(), placeholderName(SketchKind::Spot)) == 0 ||
                   std::strcmp(layer.name.c_str(), placeholderName(SketchKind::Scatter)) == 0;
  if (hit) {
    v.bandwidthOctaves = 0.7f;
    v.attack = 0.005f;
    v.decay = std::min(0.25f * d, 0.4f);
    return v;
  }
  v.sustained = true;
  v.bandwidthOctaves = 1.5f;
  v.attack = std::min(0.3f * d, 0.5f);
  v.release = std::min(0.3f * d, 0.5f);
  return v;
}

int placeholderCount(const Session& session) {
  return static_cast<int>(std::count_if(session.results.begin(), session.results.end(),
                                        [](const Layer& l) { return l.placeholder; }));
}

std::string placeholderStatus(int placeholders, int libraryCount) {
  if (placeholders <= 0) return {};
  return libraryCount > 0 ? format("Some files unreadable - %d placeholder clip%s", placeholders, plural(placeholders))
                          : format("No palette - %d placeholder clip%s", placeholders, plural(placeholders));
}

}  // namespace vn
