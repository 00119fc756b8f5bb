#pragma once
// The pieces of event detection, shared by the peel passes, the sweeps and the
// placement of finished events.
#include <vector>

#include "picture/trace_analyzer.h"

namespace vn {

// Half the frame window of the adaptive thresholds.
int AdaptiveHalfWindow(const TraceParams& params, float analysisFps);

// True when two times lie closer than `window` seconds; a distance of exactly
// the window (within float noise) is outside it.
bool WithinSeconds(float a, float b, float window);

struct PeakShape {
  float prominence = 0.0f;
  float width = 0.0f;  // seconds at half prominence
};
// Prominence against the lower of the two bases and the width at half of it.
PeakShape MeasurePeak(const std::vector<float>& c, int i, float dt);

struct Candidate {
  int frame = 0;
  float value = 0.0f;
  PeakShape shape;
};

// The state of one peel pass.
struct PeelPass {
  int pass = 0;
  float maxC = 0.0f;
  float narrow = 0.5f;
  std::vector<float> c;  // the composite this pass sees
};

// A Spot or Cluster event from a kept candidate.
TraceEvent BuildPeakEvent(const TraceAnalyzer& a, const PeelPass& pass, const Candidate& cand, float maxProm);
// Wide swells of the smoothed composite become Clusters unless one already sits near.
void AppendSweeps(const TraceAnalyzer& a, const PeelPass& pass, std::vector<TraceEvent>& fresh);
// The suggested weight centre from the measures of frame f.
float WeightCenterAt(const TraceAnalyzer& a, int f);
// The frame that holds time t.
int FrameAt(const TraceAnalyzer& a, float t);
// Fills the event's intensity curve over its suggested span, from time minus
// the sync offset, for the suggested duration.
void AttachIntensityCurve(const TraceAnalyzer& a, TraceEvent& e);

// Placement of the finished events (in this order).
void DemoteBackgroundEvents(TraceAnalyzer& a);
void FoldRegularRuns(TraceAnalyzer& a);
void AssignShotsAndSalience(TraceAnalyzer& a);
void AssignSliceValues(TraceAnalyzer& a);

}  // namespace vn
