// The picture read as the project file keeps it: eleven columns per frame and the
// suggested events. The stored columns are those the timeline lanes, the slice
// values and the event placement need again.
#include <algorithm>

#include "core/text_field.h"
#include "picture/event_detect.h"
#include "picture/trace_session.h"

namespace vn {
namespace {

constexpr float FrameMeasures::*kStoredColumns[kStoredFrameColumns] = {
    &FrameMeasures::time,         &FrameMeasures::brightness,     &FrameMeasures::motion,
    &FrameMeasures::histogramDiff, &FrameMeasures::cameraMotion,  &FrameMeasures::foregroundMass,
    &FrameMeasures::impact,       &FrameMeasures::flow,           &FrameMeasures::composite,
    &FrameMeasures::adaptiveThr,  &FrameMeasures::accentThr};

// The suggested fields carry the same names in both records, so one copy serves
// both directions.
template <typename From, typename To>
void copySuggestedFields(const From& from, To& to) {
  to.time = from.time;
  to.type = from.type;
  to.confidence = from.confidence;
  to.tier = from.tier;
  to.suggestedDuration = from.suggestedDuration;
  to.suggestedShape = from.suggestedShape;
  to.intensity = from.intensity;
  to.suggestedGain = from.suggestedGain;
  to.suggestedSyncOffset = from.suggestedSyncOffset;
  to.suggestedWeightCenter = from.suggestedWeightCenter;
  to.suggestedSpread = from.suggestedSpread;
  to.hasIntensityCurve = from.hasIntensityCurve;
  if (from.hasIntensityCurve) to.intensityCurve = from.intensityCurve;
  to.accepted = from.accepted;
  to.peelLayer = from.peelLayer;
}

}  // namespace

void StoreTraceSummary(const TraceAnalyzer& a, TraceSummary& s) {
  s.duration = a.durationSec;
  s.fps = a.analysisFps;
  s.numFrames = static_cast<int>(a.frames.size());
  s.maxCompositeEnergy = a.maxComposite;
  s.frames.resize(a.frames.size());
  for (size_t i = 0; i < a.frames.size(); ++i)
    for (int c = 0; c < kStoredFrameColumns; ++c) s.frames[i][c] = a.frames[i].*kStoredColumns[c];
  s.events.clear();
  for (const TraceEvent& e : a.events) {
    SuggestedEvent stored;
    copySuggestedFields(e, stored);
    stored.keywords = e.keywords;
    stored.presetName = e.presetName;
    s.events.push_back(std::move(stored));
  }
}

void RestoreTraceSummary(const TraceSummary& s, TraceAnalyzer& a) {
  a.ready.store(false);
  a.durationSec = s.duration;
  // A rate a project could not have been read at is damage: the usual rate stands in.
  a.analysisFps = s.fps > 0.0f && s.fps <= 1000.0f ? s.fps : kAnalysisFps;
  a.maxComposite = s.maxCompositeEnergy;
  const size_t rows = std::min(s.frames.size(), static_cast<size_t>(std::max(0, s.numFrames)));
  a.frames.assign(rows, FrameMeasures{});
  for (size_t i = 0; i < rows; ++i) {
    for (int c = 0; c < kStoredFrameColumns; ++c) a.frames[i].*kStoredColumns[c] = s.frames[i][c];
    if (i > 0) a.frames[i].brightnessDelta = a.frames[i].brightness - a.frames[i - 1].brightness;
  }
  a.numFrames = static_cast<int>(rows);
  a.events.clear();
  for (const SuggestedEvent& e : s.events) {
    TraceEvent restored;
    copySuggestedFields(e, restored);
    restored.keywords = cutText(e.keywords, kTraceKeywordsCapacity);
    restored.presetName = cutText(e.presetName, kTracePresetCapacity);
    a.events.push_back(std::move(restored));
  }
  a.previous = PreviousFrame{};
  DemoteBackgroundEvents(a);
  AssignShotsAndSalience(a);
  AssignSliceValues(a);
  a.framesProcessed.store(static_cast<int>(rows), std::memory_order_release);
  a.ready.store(true, std::memory_order_release);
}

}  // namespace vn
