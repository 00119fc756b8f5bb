#include "core/trace_summary_io.h"

#include <algorithm>

#include "core/curve_io.h"
#include "core/json_fields.h"
#include "core/session.h"

namespace vn {
namespace {

void writeSuggestedEvent(JsonWriter& w, const SuggestedEvent& e) {
  w.beginObject();
  w.keyFloat("time", e.time);
  w.keyInt("type", e.type);
  w.keyFloat("confidence", e.confidence);
  w.keyInt("tier", e.tier);
  w.keyFloat("suggestedDuration", e.suggestedDuration);
  w.keyInt("suggestedShape", e.suggestedShape);
  w.keyFloat("intensity", e.intensity);
  w.keyFloat("suggestedGain", e.suggestedGain);
  w.keyFloat("suggestedSyncOffset", e.suggestedSyncOffset);
  w.keyFloat("suggestedWeightCenter", e.suggestedWeightCenter);
  w.keyFloat("suggestedSpread", e.suggestedSpread);
  if (e.hasIntensityCurve) writeCurve(w, "intensityCurve", e.intensityCurve);
  if (!e.keywords.empty()) w.keyString("keywords", e.keywords);
  if (!e.presetName.empty()) w.keyString("presetName", e.presetName);
  w.keyBool("accepted", e.accepted);
  w.keyInt("peelLayer", e.peelLayer);
  w.endObject();
}

SuggestedEvent readSuggestedEvent(const JsonValue& o) {
  SuggestedEvent e;
  e.time = readFloat(o, "time", e.time);
  e.type = readInt(o, "type", e.type, 0, 2);
  e.confidence = readFloat(o, "confidence", e.confidence);
  e.tier = readInt(o, "tier", e.tier, 0, 1);
  e.suggestedDuration = readFloat(o, "suggestedDuration", e.suggestedDuration);
  e.suggestedShape = readInt(o, "suggestedShape", e.suggestedShape, 0, kShapeCount - 1);
  e.intensity = readFloat(o, "intensity", e.intensity, 0.0f, 1.0f);
  e.suggestedGain = readFloat(o, "suggestedGain", e.suggestedGain);
  e.suggestedSyncOffset = readFloat(o, "suggestedSyncOffset", e.suggestedSyncOffset);
  e.suggestedWeightCenter = readFloat(o, "suggestedWeightCenter", e.suggestedWeightCenter);
  e.suggestedSpread = readFloat(o, "suggestedSpread", e.suggestedSpread);
  const JsonValue& curve = member(o, "intensityCurve");
  e.hasIntensityCurve = curve.isArray();
  if (e.hasIntensityCurve) readCurve(curve, e.intensityCurve);
  e.keywords = readString(o, "keywords");
  e.presetName = readString(o, "presetName");
  e.accepted = readBool(o, "accepted", e.accepted);
  e.peelLayer = readInt(o, "peelLayer", e.peelLayer, 0, 3);
  return e;
}

}  // namespace

void writeTraceSummary(JsonWriter& w, const TraceSummary& s) {
  w.beginObject();
  w.keyFloat("duration", s.duration);
  w.keyFloat("fps", s.fps);
  w.keyInt("numFrames", s.numFrames);
  w.keyFloat("maxCompositeEnergy", s.maxCompositeEnergy);
  w.keyFloat("opticalDetail", s.opticalDetail);
  w.keyBool("traceKeepAbove", s.traceKeepAbove);
  w.keyFloat("spatialAmount", s.spatialAmount);
  w.keyFloat("spatialDiffuse", s.spatialDiffuse);
  w.keyInt("frameStride", kStoredFrameColumns);
  w.key("frames");
  w.beginArray();
  for (const StoredFrameRow& row : s.frames) w.numberRow(row, 4);
  w.endArray();
  w.key("events");
  w.beginArray();
  for (const SuggestedEvent& e : s.events) writeSuggestedEvent(w, e);
  w.endArray();
  w.endObject();
}

void readTraceSummary(const JsonValue& o, TraceSummary& s) {
  s = TraceSummary{};
  s.duration = readFloat(o, "duration", s.duration);
  s.fps = readFloat(o, "fps", s.fps);
  s.maxCompositeEnergy = readFloat(o, "maxCompositeEnergy", s.maxCompositeEnergy);
  s.opticalDetail = readFloat(o, "opticalDetail", s.opticalDetail, 0.0f, 1.0f);
  s.traceKeepAbove = readBool(o, "traceKeepAbove", s.traceKeepAbove);
  s.spatialAmount = readFloat(o, "spatialAmount", s.spatialAmount);
  const bool legacyEnhanced = readBool(o, "spatialEnhanced", false);
  s.spatialDiffuse = readFloat(o, "spatialDiffuse", legacyEnhanced ? 1.0f : s.spatialDiffuse);
  // A frame holds at least the stored columns; a wider stride's extra numbers are skipped.
  const int stride = std::max(readInt(o, "frameStride", kStoredFrameColumns), kStoredFrameColumns);
  std::span<const JsonValue> numbers = member(o, "frames").items();
  const size_t frames = numbers.size() / static_cast<size_t>(stride);
  s.frames.resize(frames);
  for (size_t f = 0; f < frames; ++f)
    for (size_t c = 0; c < static_cast<size_t>(kStoredFrameColumns); ++c)
      s.frames[f][c] = numberOr(numbers[f * static_cast<size_t>(stride) + c], 0.0f);
  s.numFrames = std::clamp(readInt(o, "numFrames", static_cast<int>(frames)), 0, static_cast<int>(frames));
  for (const JsonValue& e : member(o, "events").items()) s.events.push_back(readSuggestedEvent(e));
}

}  // namespace vn
