// Kept trace events and imported markers become session Events.
#include <algorithm>

#include "core/text_field.h"
#include "picture/shape_curves.h"
#include "picture/trace_session.h"

namespace vn {
namespace {

float largestCompositeNear(const TraceAnalyzer& a, float time, float window) {
  float top = 0.0f;
  for (const FrameMeasures& f : a.frames)
    if (f.time >= time - window && f.time <= time + window) top = std::max(top, f.composite);
  return top;
}

// The composite over the event's span, scaled so its largest value is 1.
bool buildTraceGain(const TraceAnalyzer& a, float start, float duration, Curve& gain) {
  SampleComposite(a, start, start + duration, gain.data(), kCurvePoints);
  const float top = *std::max_element(gain.begin(), gain.end());
  if (top <= 0.001f) return false;
  for (float& v : gain) v /= top;
  return true;
}

void applyRecipes(const std::string& ownRecipe, const TraceImportOptions& options, Event& event) {
  if (!options.applyRecipe) return;
  if (!ownRecipe.empty() && options.applyRecipe(ownRecipe, event)) return;
  if (!options.recipeName.empty()) options.applyRecipe(options.recipeName, event);
}

}  // namespace

bool KeepBySlice(const TraceEvent& e, float level, bool keepAbove) {
  return keepAbove ? e.sliceValue >= level - 0.0001f : e.sliceValue <= level + 0.0001f;
}

int CountKeptEvents(const TraceAnalyzer& a, float level, bool keepAbove) {
  return static_cast<int>(std::count_if(a.events.begin(), a.events.end(), [&](const TraceEvent& e) {
    return e.accepted && e.type != kTraceFill && KeepBySlice(e, level, keepAbove);
  }));
}

int ImportTraceEvents(const TraceAnalyzer& a, Session& session, const TraceImportOptions& options) {
  const float level = session.traceSummary.opticalDetail;
  const bool keepAbove = session.traceSummary.traceKeepAbove;
  float loudest = 0.0f;
  for (const TraceEvent& e : a.events)
    if (e.accepted) loudest = std::max(loudest, largestCompositeNear(a, e.time, options.spotGainWindow));
  if (loudest < 0.001f) loudest = 1.0f;

  const ShapeType shape = options.recipeShape > 0 ? ShapeType::Bloom : ShapeType::Spot;
  int imported = 0;
  for (const TraceEvent& t : a.events) {
    if (!t.accepted || !KeepBySlice(t, level, keepAbove)) continue;
    Event e;
    e.time = options.videoOffset + t.time;
    e.shape = shape;
    e.duration = t.suggestedDuration;
    e.syncOffset = t.suggestedSyncOffset;
    e.weightCenter = t.suggestedWeightCenter;
    e.spread = t.suggestedSpread;
    e.gain = 1.0f;
    if (shape == ShapeType::Spot) {
      e.gain = std::max(0.1f, largestCompositeNear(a, t.time, options.spotGainWindow) / loudest);
      e.hasTraceGain = buildTraceGain(a, std::max(0.0f, t.time - t.suggestedSyncOffset), t.suggestedDuration, e.traceGain);
    }
    const float syncFraction = e.duration > 0.0f ? e.syncOffset / e.duration : 0.5f;
    BuildShapeCurves(e.shape, syncFraction, e.weightCenter, e.spread, e.weight, e.intensity);
    if (shape != ShapeType::Spot && t.hasIntensityCurve) e.intensity = t.intensityCurve;
    e.keywords = cutText(t.keywords, cap::kEventKeywords);
    applyRecipes(t.presetName, options, e);
    session.events.push_back(std::move(e));
    ++imported;
  }
  if (imported > 0) session.dirty = true;
  return imported;
}

int ImportMarkerEvents(const std::vector<ImportedMarker>& markers, Session& session, const ApplyRecipeFn& applyRecipe) {
  int imported = 0;
  for (const ImportedMarker& m : markers) {
    if (!m.accepted) continue;
    Event e;
    e.time = m.time;
    e.shape = m.shape == 1 ? ShapeType::Bloom : ShapeType::Spot;
    e.duration = e.shape == ShapeType::Bloom ? 2.0f : 1.0f;
    e.syncOffset = e.shape == ShapeType::Bloom ? 0.5f * e.duration : 0.0f;
    e.weightCenter = m.band;
    BuildShapeCurves(e.shape, e.syncOffset / e.duration, e.weightCenter, e.spread, e.weight, e.intensity);
    e.keywords = cutText(m.keywords, cap::kEventKeywords);
    // The marker's own words refine the recipe's search words.
    if (!m.recipeName.empty() && applyRecipe && applyRecipe(m.recipeName, e) && !m.keywords.empty())
      e.keywords = cutText(e.keywords.empty() ? m.keywords : e.keywords + " " + m.keywords, cap::kEventKeywords);
    session.events.push_back(std::move(e));
    ++imported;
  }
  if (imported > 0) session.dirty = true;
  return imported;
}

void AddImportedScenes(const std::vector<ImportedScene>& scenes, Session& session) {
  std::vector<ImportedScene> ordered = scenes;
  std::stable_sort(ordered.begin(), ordered.end(),
                   [](const ImportedScene& x, const ImportedScene& y) { return x.time < y.time; });
  for (size_t i = 0; i < ordered.size(); ++i) {
    Scene s;
    s.name = cutText(ordered[i].name, cap::kSceneName);
    s.keywords = cutText(ordered[i].description, cap::kSceneKeywords);
    s.inTime = ordered[i].time;
    s.outTime = i + 1 < ordered.size() ? ordered[i + 1].time : std::max(s.inTime, session.settings.totalDuration);
    session.scenes.push_back(std::move(s));
  }
  if (!ordered.empty()) session.dirty = true;
}

}  // namespace vn
