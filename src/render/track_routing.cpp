#include "render/track_routing.h"

#include <algorithm>

#include "core/track_layout.h"
#include "platform/fnv.h"
#include "platform/log.h"

namespace vn {

namespace {

constexpr float kOverlapTolerance = 0.03f;

float effectiveStart(const Layer& l) { return l.startTime + l.deconOffset; }
float effectiveEnd(const Layer& l) { return effectiveStart(l) + l.duration; }

}  // namespace

int rerouteStaleLayers(Session& session) {
  int moved = 0;
  for (Layer& l : session.results) {
    if (l.eventIdx < 0 || l.eventIdx >= static_cast<int>(session.events.size())) continue;
    const int bus = eventBusPosition(session.trackLayout, session.events[l.eventIdx]);
    if (bus >= 0 && bus != l.group) {
      l.group = bus;
      ++moved;
    }
  }
  if (moved > 0) logLine("[Layout] re-routed %d block(s) whose bus had gone stale\n", moved);
  return moved;
}

std::array<int, kMaxBusses> allocateBusTracks(std::vector<Layer>& layers) {
  std::array<int, kMaxBusses> counts{};
  for (int bus = 0; bus < kMaxBusses; ++bus) {
    std::vector<size_t> order;
    for (size_t i = 0; i < layers.size(); ++i)
      if (layers[i].group == bus) order.push_back(i);
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return effectiveStart(layers[a]) < effectiveStart(layers[b]); });
    std::vector<float> trackEnds;
    for (size_t i : order) {
      Layer& l = layers[i];
      size_t t = 0;
      while (t < trackEnds.size() && trackEnds[t] - kOverlapTolerance > effectiveStart(l)) ++t;
      if (t == trackEnds.size()) trackEnds.push_back(0.0f);
      trackEnds[t] = effectiveEnd(l);
      l.groupTrack = static_cast<int>(t);
    }
    counts[bus] = static_cast<int>(trackEnds.size());
  }
  return counts;
}

int declaredTracks(const Bus& bus) {
  int n = 0;
  for (const BusSlot& s : bus.slots) n += std::max(0, s.count);
  return n;
}

void assignGlobalTracks(Session& session, const std::array<int, kMaxBusses>& busTracks) {
  const TrackLayout& layout = session.trackLayout;
  const int busCount = std::clamp(layout.busCount, 0, kMaxBusses);
  for (Layer& l : session.results) {
    l.track = -1;
    if (l.group < 0 || l.group >= busCount) continue;
    int before = 0;
    for (int k = 0; k < busCount; ++k) {
      const int bus = layout.busOrder[k];
      if (bus == l.group) {
        l.track = before + l.groupTrack;
        break;
      }
      if (bus >= 0 && bus < kMaxBusses) before += std::max(declaredTracks(layout.busses[bus]), busTracks[bus]);
    }
  }
}

int reportOverlaps(const std::vector<Layer>& layers, const char* reason) {
  std::vector<size_t> order;
  for (size_t i = 0; i < layers.size(); ++i)
    if (!layers[i].muted && layers[i].track >= 0) order.push_back(i);
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    if (layers[a].track != layers[b].track) return layers[a].track < layers[b].track;
    return effectiveStart(layers[a]) < effectiveStart(layers[b]);
  });
  int pairs = 0;
  for (size_t k = 1; k < order.size(); ++k) {
    const Layer& a = layers[order[k - 1]];
    const Layer& b = layers[order[k]];
    if (a.track != b.track || effectiveEnd(a) - kOverlapTolerance <= effectiveStart(b)) continue;
    if (++pairs <= 8) {
      logLine("[Layout] OVERLAP on track %d (%s): \"%s\" (event %d, bus %d) runs to %.3fs but \"%s\" (event %d, "
              "bus %d) starts at %.3fs - %.3fs of overlap\n",
              a.track, reason, a.name.c_str(), a.eventIdx, a.group, effectiveEnd(a), b.name.c_str(), b.eventIdx,
              b.group, effectiveStart(b), effectiveEnd(a) - effectiveStart(b));
    }
  }
  if (pairs > 8) logLine("[Layout] \u2026and %d more overlapping pair(s)\n", pairs - 8);
  return pairs;
}

uint64_t layoutHashOf(const std::vector<Layer>& layers) {
  uint64_t h = static_cast<uint64_t>(layers.size()) ^ kFnvStart;
  auto feed = [&h](int64_t v) {
    h ^= static_cast<uint32_t>(v);
    h *= kFnvPrime;
  };
  for (const Layer& l : layers) {
    feed(l.group + 1);
    feed(l.groupTrack + 1);
    feed(static_cast<int64_t>(l.startTime * 1000.0f));
    feed(static_cast<int64_t>(l.duration * 1000.0f));
  }
  return h;
}

std::array<int, kMaxBusses> busTrackCounts(const std::vector<Layer>& layers) {
  std::array<int, kMaxBusses> counts{};
  for (const Layer& l : layers) {
    if (l.group >= 0 && l.group < kMaxBusses) counts[l.group] = std::max(counts[l.group], l.groupTrack + 1);
  }
  return counts;
}

void rerouteAndRepack(Session& session, TrackLayoutState& state) {
  rerouteStaleLayers(session);
  state.busTracks = allocateBusTracks(session.results);
  assignGlobalTracks(session, state.busTracks);
  reportOverlaps(session.results, "RepackAllTracks");
  const uint64_t hash = layoutHashOf(session.results);
  if (hash != state.layoutHash) {
    state.layoutHash = hash;
    state.generation.fetch_add(1);
  }
}

}  // namespace vn
