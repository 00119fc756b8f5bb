// The second stage of the post pass: up to four peel passes, each finding the
// most prominent accents and swells, then removing them and looking again.
#include "picture/event_detect.h"

#include <algorithm>
#include <cmath>

#include "picture/column_stats.h"

namespace vn {
namespace {

constexpr int kPeelPasses = 4;

float maxOf(const std::vector<float>& v) {
  float top = v.empty() ? 0.0f : v[0];
  for (float x : v) top = std::max(top, x);
  return top;
}

std::vector<Candidate> findCandidates(const TraceAnalyzer& a, const PeelPass& pass) {
  const std::vector<float>& c = pass.c;
  const int n = static_cast<int>(c.size());
  const float dt = 1.0f / std::max(1.0f, a.analysisFps);
  std::vector<Candidate> out;
  for (int i = 1; i <= n - 2; ++i) {
    if (!(c[i - 1] < c[i] && c[i + 1] <= c[i])) continue;
    const float threshold = std::max(0.006f * pass.maxC, a.frames[i].adaptiveThr);
    bool accept = c[i] > (1.0f - 0.35f * a.frames[i].foregroundMass) * threshold;
    if (!accept) {
      float low = c[i];
      for (int j = std::max(0, i - 3); j <= std::min(n - 1, i + 3); ++j) low = std::min(low, c[j]);
      accept = c[i] - low > 0.08f * pass.maxC;
    }
    if (accept) out.push_back({i, c[i], MeasurePeak(c, i, dt)});
  }
  return out;
}

// Keeps the most prominent candidate of every neighbourhood, in frame order.
std::vector<Candidate> suppressNeighbours(const TraceAnalyzer& a, std::vector<Candidate> cands, float window) {
  std::stable_sort(cands.begin(), cands.end(),
                   [](const Candidate& x, const Candidate& y) { return x.shape.prominence > y.shape.prominence; });
  std::vector<Candidate> kept;
  for (const Candidate& cand : cands) {
    bool near = std::any_of(kept.begin(), kept.end(), [&](const Candidate& k) {
      return WithinSeconds(a.frames[k.frame].time, a.frames[cand.frame].time, window);
    });
    if (!near) kept.push_back(cand);
  }
  std::sort(kept.begin(), kept.end(), [](const Candidate& x, const Candidate& y) { return x.frame < y.frame; });
  return kept;
}

// Of two new events closer than the window, the weaker goes (the later on a tie).
void keepStrongerOfNeighbours(std::vector<TraceEvent>& fresh, float window) {
  std::stable_sort(fresh.begin(), fresh.end(), [](const TraceEvent& x, const TraceEvent& y) { return x.time < y.time; });
  std::vector<bool> gone(fresh.size(), false);
  for (size_t i = 0; i < fresh.size(); ++i) {
    for (size_t j = i + 1; j < fresh.size() && !gone[i]; ++j) {
      if (gone[j] || !WithinSeconds(fresh[i].time, fresh[j].time, window)) continue;
      if (fresh[j].intensity > fresh[i].intensity)
        gone[i] = true;
      else
        gone[j] = true;
    }
  }
  std::vector<TraceEvent> survivors;
  for (size_t i = 0; i < fresh.size(); ++i)
    if (!gone[i]) survivors.push_back(std::move(fresh[i]));
  fresh = std::move(survivors);
}

// Lowers the work composite around every event just found, so the next pass
// sees what is left.
void suppressFound(const TraceAnalyzer& a, const std::vector<TraceEvent>& found, std::vector<float>& work) {
  for (const TraceEvent& e : found) {
    const float h = std::max(0.3f, 0.6f * e.suggestedDuration);
    for (size_t i = 0; i < work.size(); ++i) {
      const float d = std::fabs(a.frames[i].time - e.time);
      if (d >= h) continue;
      const float r = d / h;
      work[i] = std::max(0.0f, work[i] * (1.0f - 0.9f * std::exp(-4.5f * r * r)));
    }
  }
}

void setThresholdColumn(TraceAnalyzer& a, const std::vector<float>& c, const ShotCuts& shots, int half) {
  const std::vector<RobustWindow> stats = RobustWindows(c, shots, half);
  for (size_t i = 0; i < c.size(); ++i) a.frames[i].adaptiveThr = ThresholdFrom(stats[i], 1.35f, 0.006f, 0.05f);
}

}  // namespace

int AdaptiveHalfWindow(const TraceParams& params, float analysisFps) {
  const int window = std::max(5, static_cast<int>(params.adaptiveWindowSec * analysisFps));
  return std::max(2, window / 2);
}

bool WithinSeconds(float a, float b, float window) { return std::fabs(a - b) + 1e-4f < window; }

PeakShape MeasurePeak(const std::vector<float>& c, int i, float dt) {
  const int n = static_cast<int>(c.size());
  const float peak = c[i];
  float leftBase = peak, rightBase = peak;
  for (int j = i - 1; j >= 0; --j) {
    leftBase = j == i - 1 ? c[j] : std::min(leftBase, c[j]);
    if (c[j] > peak) break;
  }
  for (int j = i + 1; j < n; ++j) {
    rightBase = j == i + 1 ? c[j] : std::min(rightBase, c[j]);
    if (c[j] > peak) break;
  }
  PeakShape shape;
  shape.prominence = peak - std::max(leftBase, rightBase);
  const float level = peak - 0.5f * shape.prominence;
  int l = i, r = i;
  while (l > 0 && c[l - 1] > level) --l;
  while (r < n - 1 && c[r + 1] > level) ++r;
  shape.width = static_cast<float>(r - l) * dt;
  return shape;
}

void DetectTraceEvents(TraceAnalyzer& a, const TraceParams& params) {
  const int n = static_cast<int>(a.frames.size());
  const float dt = 1.0f / std::max(1.0f, a.analysisFps);
  const std::vector<float> savedC = ColumnOf(a.frames, &FrameMeasures::composite);
  const std::vector<float> savedA = ColumnOf(a.frames, &FrameMeasures::adaptiveThr);
  const float savedMax = maxOf(savedC);
  const ShotCuts shots = ComputeShots(ColumnOf(a.frames, &FrameMeasures::histogramDiff));
  const int half = AdaptiveHalfWindow(params, a.analysisFps);
  const float minGap = a.model.valid ? a.model.minGap : params.minEventGap;
  const float gap = std::max(3.0f * dt, minGap);
  std::vector<float> work = savedC;
  a.events.clear();

  for (int p = 0; p < kPeelPasses; ++p) {
    PeelPass pass;
    pass.pass = p;
    if (p > 0) {
      if (std::max(0.0f, maxOf(work)) < 0.06f * savedMax) break;
      pass.c.resize(n);
      for (int i = 0; i < n; ++i) pass.c[i] = std::max(0.0f, work[i]);
      setThresholdColumn(a, pass.c, shots, half);
    } else {
      pass.c = savedC;
    }
    // Intensity curves of this pass follow the composite the pass sees.
    for (int i = 0; i < n; ++i) a.frames[i].composite = pass.c[i];
    pass.maxC = maxOf(pass.c);
    pass.narrow = p == 0 ? 0.5f : 0.3f;
    const float nmsWindow = p == 0 ? std::max(2.0f * dt, gap) : std::max(2.0f * dt, (0.5f / p) * gap);

    const std::vector<Candidate> kept = suppressNeighbours(a, findCandidates(a, pass), nmsWindow);
    float maxProm = 0.0f;
    for (const Candidate& k : kept) maxProm = std::max(maxProm, k.shape.prominence);
    if (maxProm < 0.001f) maxProm = 1.0f;
    std::vector<TraceEvent> fresh;
    for (const Candidate& k : kept) fresh.push_back(BuildPeakEvent(a, pass, k, maxProm));
    AppendSweeps(a, pass, fresh);

    std::erase_if(fresh, [&](const TraceEvent& e) {
      return std::any_of(a.events.begin(), a.events.end(), [&](const TraceEvent& old) {
        return old.type != kTraceFill && WithinSeconds(old.time, e.time, gap);
      });
    });
    keepStrongerOfNeighbours(fresh, nmsWindow);
    if (p > 0 && fresh.empty()) break;
    if (p < kPeelPasses - 1) suppressFound(a, fresh, work);
    a.events.insert(a.events.end(), fresh.begin(), fresh.end());
  }

  for (int i = 0; i < n; ++i) {
    a.frames[i].composite = savedC[i];
    a.frames[i].adaptiveThr = savedA[i];
  }
  a.maxComposite = savedMax < 0.001f ? 1.0f : savedMax;

  DemoteBackgroundEvents(a);
  FoldRegularRuns(a);
  AssignShotsAndSalience(a);
  AssignSliceValues(a);
  a.numFrames = n;
  a.ready.store(true, std::memory_order_release);
}

}  // namespace vn
