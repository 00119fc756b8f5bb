// Reading a trace file back: only what the program needs, every member optional.
#include <algorithm>
#include <cmath>

#include "core/json_fields.h"
#include "core/json_parse.h"
#include "core/read_file.h"
#include "picture/trace_file.h"

namespace vn {
namespace {

// Rates and times outside these bounds are damage, not data.
constexpr float kMaxAnalysisFps = 1000.0f;
constexpr float kMaxSeconds = 1.0e7f;

float finiteOr(float value, float fallback, float lo, float hi) {
  return std::isfinite(value) ? std::clamp(value, lo, hi) : fallback;
}

// The columns of a row, in the order the file lists them.
constexpr float FrameMeasures::*kRowColumns[] = {
    &FrameMeasures::time,           &FrameMeasures::brightness,      &FrameMeasures::motion,
    &FrameMeasures::cameraMotion,   &FrameMeasures::foregroundMass,  &FrameMeasures::panX,
    &FrameMeasures::panY,           &FrameMeasures::spatialSpread,   &FrameMeasures::impact,
    &FrameMeasures::flow,           &FrameMeasures::composite,       &FrameMeasures::adaptiveThr,
    &FrameMeasures::accentThr,      &FrameMeasures::localMotionPeak, &FrameMeasures::histogramDiff,
    &FrameMeasures::colorTemp,      &FrameMeasures::saturation};

std::vector<FrameMeasures> readRows(const JsonValue& rows) {
  std::vector<FrameMeasures> frames;
  frames.reserve(rows.size());
  for (const JsonValue& row : rows.items()) {
    FrameMeasures f;
    for (size_t c = 0; c < std::size(kRowColumns); ++c)
      f.*kRowColumns[c] = finiteOr(numberOr(element(row, static_cast<long long>(c)), 0.0f), 0.0f, -kMaxSeconds, kMaxSeconds);
    f.brightnessDelta = frames.empty() ? 0.0f : f.brightness - frames.back().brightness;
    frames.push_back(f);
  }
  return frames;
}

TraceEvent readEvent(const JsonValue& o, float maxComposite) {
  TraceEvent e;
  e.time = finiteOr(readFloat(o, "time", 0.0f), 0.0f, 0.0f, kMaxSeconds);
  const std::string type = readString(o, "type");
  if (type == "Fill") {
    e.type = kTraceFill;
  } else if (type == "Cluster" || type == "Sweep") {
    e.type = kTraceCluster;
    e.suggestedShape = 1;
  }
  e.layer = readString(o, "layer") == "BG" ? kLayerBackground : kLayerForeground;
  e.confidence = finiteOr(readFloat(o, "confidence", 0.0f), 0.0f, -kMaxSeconds, kMaxSeconds);
  e.intensity = finiteOr(readFloat(o, "intensity", 1.0f), 1.0f, -kMaxSeconds, kMaxSeconds);
  e.suggestedDuration = finiteOr(readFloat(o, "duration", 1.0f), 1.0f, 0.0f, kMaxSeconds);
  e.depthSalience = finiteOr(readFloat(o, "depthSalience", 1.0f), 1.0f, -kMaxSeconds, kMaxSeconds);
  e.shotIndex = readInt(o, "shotIndex", -1);
  const JsonValue& obj = member(o, "obj");
  e.foregroundMass = finiteOr(readFloat(obj, "foregroundMass", 0.0f), 0.0f, -kMaxSeconds, kMaxSeconds);
  e.panX = finiteOr(readFloat(obj, "panX", 0.0f), 0.0f, -kMaxSeconds, kMaxSeconds);
  e.spatialSpread = finiteOr(readFloat(obj, "spatialSpread", 0.0f), 0.0f, -kMaxSeconds, kMaxSeconds);
  e.cameraMotion = finiteOr(readFloat(obj, "cameraMotion", 0.0f), 0.0f, -kMaxSeconds, kMaxSeconds);
  e.brightness = finiteOr(readFloat(obj, "brightness", 0.0f), 0.0f, -kMaxSeconds, kMaxSeconds);
  const float composite = finiteOr(readFloat(obj, "composite", 0.0f), 0.0f, -kMaxSeconds, kMaxSeconds);
  e.sliceValue = maxComposite > 1e-6f ? std::pow(std::clamp(composite / maxComposite, 0.0f, 1.0f), 0.72f) : 0.0f;
  e.accepted = true;
  return e;
}

}  // namespace

bool ReadTraceFile(const std::string& path, TraceAnalyzer& analyzer) {
  std::string bytes, error;
  if (!readWholeFile(path, bytes, error) || bytes.empty()) return false;
  const JsonValue root = parseJsonText(bytes);
  const JsonValue& rows = member(root, "frames");
  const JsonValue& events = member(root, "events");
  if (!root.isObject() || (!rows.isArray() && !events.isArray())) return false;

  const JsonValue& analysis = member(root, "analysis");
  float fps = finiteOr(readFloat(analysis, "analysisFps", 0.0f), 0.0f, 0.0f, kMaxAnalysisFps);
  const float duration = finiteOr(readFloat(analysis, "durationSec", 0.0f), 0.0f, 0.0f, kMaxSeconds);
  const float maxComposite = finiteOr(readFloat(analysis, "maxComposite", 0.0f), 0.0f, 0.0f, kMaxSeconds);
  std::vector<FrameMeasures> frames = readRows(rows);
  const int rowCount = static_cast<int>(frames.size());
  int numFrames = readInt(analysis, "numFrames", 0);
  numFrames = numFrames == 0 ? rowCount : std::clamp(numFrames, 0, rowCount);
  if (fps <= 0.0f && rowCount >= 2 && frames[1].time - frames[0].time > 1e-6f)
    fps = std::min(kMaxAnalysisFps, 1.0f / (frames[1].time - frames[0].time));

  std::vector<TraceEvent> read;
  for (const JsonValue& o : events.items()) read.push_back(readEvent(o, maxComposite));

  analyzer.ready.store(false);
  analyzer.frames = std::move(frames);
  analyzer.events = std::move(read);
  analyzer.analysisFps = fps;
  analyzer.durationSec = duration;
  analyzer.numFrames = numFrames;
  analyzer.maxComposite = maxComposite;
  analyzer.previous = PreviousFrame{};
  analyzer.framesProcessed.store(rowCount, std::memory_order_release);
  analyzer.ready.store(true, std::memory_order_release);
  return true;
}

}  // namespace vn
