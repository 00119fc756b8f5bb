// Placing the finished events: foreground or background, regular runs folded
// into one Cluster, shot index, depth within the layer and slice value.
#include <algorithm>
#include <cmath>
#include <numeric>

#include "picture/column_stats.h"
#include "picture/event_detect.h"

namespace vn {
namespace {

void sortByTime(std::vector<TraceEvent>& events) {
  std::stable_sort(events.begin(), events.end(), [](const TraceEvent& x, const TraceEvent& y) { return x.time < y.time; });
}

float maxCompositeAround(const TraceAnalyzer& a, int f, int radius) {
  const int n = static_cast<int>(a.frames.size());
  float peak = a.frames[f].composite;
  for (int j = std::max(0, f - radius); j <= std::min(n - 1, f + radius); ++j) peak = std::max(peak, a.frames[j].composite);
  return peak;
}

int shotOf(const ShotCuts& shots, int f) {
  return f >= 0 && f < static_cast<int>(shots.shotIndex.size()) ? shots.shotIndex[f] : 0;
}

struct Spread {
  double mean = 0.0;
  double deviation = 0.0;
};

Spread spreadOf(const std::vector<float>& v) {
  Spread s;
  if (v.empty()) return s;
  s.mean = std::accumulate(v.begin(), v.end(), 0.0) / v.size();
  double squares = 0.0;
  for (float x : v) squares += (x - s.mean) * (x - s.mean);
  s.deviation = std::sqrt(squares / v.size());
  return s;
}

// Evenly spaced events of similar strength: a rhythm, not separate accents.
bool isRegularRun(const std::vector<TraceEvent>& events, size_t begin, size_t end, float& meanInterval) {
  if (end - begin < 5) return false;
  std::vector<float> intervals, intensities;
  for (size_t i = begin; i < end; ++i) {
    intensities.push_back(events[i].intensity);
    if (i > begin) intervals.push_back(events[i].time - events[i - 1].time);
  }
  const Spread gaps = spreadOf(intervals);
  meanInterval = static_cast<float>(gaps.mean);
  const double gapRatio = gaps.mean <= 0.0001 ? 1.0 : gaps.deviation / gaps.mean;
  const Spread strength = spreadOf(intensities);
  if (gapRatio > 0.22 || strength.mean <= 0.0001 || strength.deviation / strength.mean > 0.5) return false;
  const float strongest = *std::max_element(intensities.begin(), intensities.end());
  return strongest <= 1.6f * MedianOf(intensities);
}

void foldRun(const TraceAnalyzer& a, std::vector<TraceEvent>& events, size_t begin, size_t end, float meanInterval,
             std::vector<bool>& removed) {
  size_t lead = begin;
  for (size_t i = begin; i < end; ++i)
    if (events[i].intensity > events[lead].intensity) lead = i;
  const float first = events[begin].time, last = events[end - 1].time;
  TraceEvent& e = events[lead];
  e.type = kTraceCluster;
  e.suggestedShape = 1;
  e.tier = 1;
  e.suggestedDuration = std::max(meanInterval, last - first);
  e.suggestedSyncOffset = std::clamp(e.time - first, 0.0f, e.suggestedDuration);
  AttachIntensityCurve(a, e);
  for (size_t i = begin; i < end; ++i) removed[i] = i != lead;
}

// depthSalience = 1 - q / (count - 1) over the given order, scaled into [low, 1].
void rankDepth(std::vector<TraceEvent*>& ordered, float scale, float low) {
  const size_t count = ordered.size();
  for (size_t q = 0; q < count; ++q)
    ordered[q]->depthSalience = count == 1 ? 1.0f : scale * (1.0f - static_cast<float>(q) / (count - 1)) + low;
}

}  // namespace

void DemoteBackgroundEvents(TraceAnalyzer& a) {
  const int n = static_cast<int>(a.frames.size());
  if (n == 0) return;
  const ShotCuts shots = ComputeShots(ColumnOf(a.frames, &FrameMeasures::histogramDiff));
  std::vector<float> shotMax(shots.cuts.size(), 0.0f);
  for (int i = 0; i < n; ++i) {
    float& top = shotMax[shotOf(shots, i)];
    top = std::max(top, a.frames[i].composite);
  }
  const int h = std::max(2, static_cast<int>(0.5f * a.analysisFps));
  for (TraceEvent& e : a.events) {
    if (e.layer != kLayerForeground) continue;
    const int f = FrameAt(a, e.time);
    float peak = a.frames[f].composite, accent = a.frames[f].accentThr, mass = a.frames[f].foregroundMass;
    for (int j = std::max(0, f - 2); j <= std::min(n - 1, f + 2); ++j) {
      peak = std::max(peak, a.frames[j].composite);
      accent = std::min(accent, a.frames[j].accentThr);
      mass = std::max(mass, a.frames[j].foregroundMass);
    }
    float low = peak;
    for (int j = std::max(0, f - h); j <= std::min(n - 1, f + h); ++j) low = std::min(low, a.frames[j].composite);
    const float rel = peak > 1e-6f ? (peak - low) / peak : 0.0f;
    const bool faint = peak < (1.0f - 0.35f * mass) * accent && peak < 0.35f * shotMax[shotOf(shots, f)];
    if (rel < 0.2f || faint) {
      e.layer = kLayerBackground;
      e.tier = 1;
    }
  }
}

void FoldRegularRuns(TraceAnalyzer& a) {
  std::vector<TraceEvent>& events = a.events;
  sortByTime(events);
  std::vector<bool> removed(events.size(), false);
  size_t begin = 0;
  for (size_t i = 1; i <= events.size(); ++i) {
    const bool cut = i == events.size() || events[i].type != events[i - 1].type || events[i].type == kTraceFill ||
                     events[i - 1].type == kTraceFill || events[i].time - events[i - 1].time > 1.2f;
    if (!cut) continue;
    float meanInterval = 0.0f;
    if (isRegularRun(events, begin, i, meanInterval)) foldRun(a, events, begin, i, meanInterval, removed);
    begin = i;
  }
  std::vector<TraceEvent> kept;
  for (size_t i = 0; i < events.size(); ++i)
    if (!removed[i]) kept.push_back(std::move(events[i]));
  events = std::move(kept);
  sortByTime(events);
}

void AssignShotsAndSalience(TraceAnalyzer& a) {
  const ShotCuts shots = ComputeShots(ColumnOf(a.frames, &FrameMeasures::histogramDiff));
  std::vector<TraceEvent*> foreground, background;
  std::vector<float> score(a.events.size(), 0.0f);
  std::vector<float> shotBest(shots.cuts.size(), 0.0f);
  float overall = 0.0f;
  for (size_t i = 0; i < a.events.size(); ++i) {
    TraceEvent& e = a.events[i];
    e.shotIndex = shotOf(shots, FrameAt(a, e.time));
    if (e.layer == kLayerBackground) {
      background.push_back(&e);
      continue;
    }
    foreground.push_back(&e);
    score[i] = 0.6f * e.intensity + 0.4f * e.confidence;
    shotBest[e.shotIndex] = std::max(shotBest[e.shotIndex], score[i]);
    overall = std::max(overall, score[i]);
  }
  if (overall < 1e-5f) overall = 1.0f;
  auto key = [&](const TraceEvent* e) {
    const float s = score[e - a.events.data()];
    const float best = shotBest[e->shotIndex];
    return 0.5f * s / overall + 0.5f * (best <= 1e-5f ? 1.0f : s / best);
  };
  std::stable_sort(foreground.begin(), foreground.end(),
                   [&](const TraceEvent* x, const TraceEvent* y) { return key(x) > key(y); });
  rankDepth(foreground, 1.0f, 0.0f);
  std::stable_sort(background.begin(), background.end(),
                   [](const TraceEvent* x, const TraceEvent* y) { return x->intensity > y->intensity; });
  rankDepth(background, 0.9f, 0.1f);
}

void AssignSliceValues(TraceAnalyzer& a) {
  for (TraceEvent& e : a.events) {
    if (e.type == kTraceFill) {
      e.sliceValue = 0.02f;
      continue;
    }
    if (a.frames.empty() || a.maxComposite < 1e-6f) {
      e.sliceValue = 0.0f;
      continue;
    }
    const float peak = maxCompositeAround(a, FrameAt(a, e.time), 2);
    e.sliceValue = std::pow(std::clamp(peak / a.maxComposite, 0.0f, 1.0f), 0.72f);
  }
}

}  // namespace vn
