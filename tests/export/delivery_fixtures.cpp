#include "delivery_fixtures.h"

#include <algorithm>
#include <cmath>

#include "platform/text.h"
#include "render/track_routing.h"

namespace vn::test {

namespace {

struct Lcg {
  uint32_t state;
  float uniform() {
    state = state * 1103515245u + 12345u;
    return static_cast<float>(state >> 16) / 65535.0f;
  }
  int below(int n) { return std::min(n - 1, static_cast<int>(uniform() * static_cast<float>(n))); }
};

}  // namespace

Session deliverySession(int busCount) {
  Session s;
  s.trackLayout.busCount = busCount;
  for (int b = 0; b < busCount; ++b) s.trackLayout.busses[b].name = format("Bus %d", b + 1);
  return s;
}

int addFitLayer(Session& session, int bus, float start, float duration, std::array<float, 5> shares, int eventIdx,
                int fmt) {
  if (eventIdx < 0) {
    Event e;
    e.time = start;
    e.duration = duration;
    session.events.push_back(e);
    eventIdx = static_cast<int>(session.events.size()) - 1;
  }
  Layer l;
  l.id = static_cast<uint32_t>(session.results.size()) + 100;
  l.name = format("layer %d", static_cast<int>(session.results.size()));
  l.startTime = start;
  l.duration = duration;
  l.sourceDuration = duration;
  l.eventIdx = eventIdx;
  l.group = bus;
  l.fmt = fmt;
  l.bandShares = shares;
  session.results.push_back(l);
  return static_cast<int>(session.results.size()) - 1;
}

void routeLayers(Session& session) { allocateBusTracks(session.results); }

Session randomDeliverySession(uint32_t seed, int layers, int busses) {
  Lcg rng{seed};
  Session s = deliverySession(busses);
  for (int b = 0; b < busses; ++b) {
    if (rng.uniform() < 0.35f) continue;
    const int slots = 1 + rng.below(3);
    for (int k = 0; k < slots; ++k) s.trackLayout.busses[b].slots.push_back({1 + rng.below(3), rng.below(4), {}});
  }
  const int events = std::max(1, layers / 6);
  for (int e = 0; e < events; ++e) {
    Event ev;
    ev.time = rng.uniform() * 60.0f;
    ev.duration = 0.3f + rng.uniform() * 5.0f;
    ev.hero = rng.uniform() < 0.2f;
    ev.shape = rng.uniform() < 0.1f ? ShapeType::Fill : ShapeType::Spot;
    s.events.push_back(ev);
  }
  for (int i = 0; i < layers; ++i) {
    const int e = rng.below(events);
    const Event& ev = s.events[e];
    std::array<float, 5> shares{};
    for (float& v : shares) v = rng.uniform();
    const int idx = addFitLayer(s, rng.below(busses), ev.time + rng.uniform() * 0.5f,
                                0.1f + rng.uniform() * ev.duration, shares, e, rng.below(4));
    Layer& l = s.results[idx];
    const float pin = rng.uniform();
    l.foldPin = pin < 0.08f ? 1 : pin < 0.16f ? 2 : 0;
    l.muted = rng.uniform() < 0.05f;
    l.deconOffset = rng.uniform() < 0.2f ? 0.003f : 0.0f;
  }
  for (Layer& l : s.results)
    if (rng.uniform() < 0.05f) l.foldTarget = static_cast<int>(s.results[rng.below(layers)].id);
  routeLayers(s);
  return s;
}

void fillCache(RenderCache& cache, const Session& session, int sampleRate, const std::vector<int>& skip) {
  cache.sampleRate = sampleRate;
  for (size_t i = 0; i < session.results.size(); ++i) {
    if (std::find(skip.begin(), skip.end(), static_cast<int>(i)) != skip.end()) continue;
    const Layer& l = session.results[i];
    RenderedBlock b;
    const size_t frames = static_cast<size_t>(std::lround(l.duration * static_cast<float>(sampleRate)));
    b.left.resize(frames);
    b.right.resize(frames);
    for (size_t f = 0; f < frames; ++f) {
      b.left[f] = 0.1f * std::sin(0.01f * static_cast<float>(f) * static_cast<float>(i + 1));
      b.right[f] = l.fmt == 0 ? b.left[f] : 0.05f * std::cos(0.02f * static_cast<float>(f));
    }
    b.start = l.startTime + l.deconOffset;
    b.duration = l.duration;
    b.stereoSource = l.fmt != 0;
    b.bus = l.group;
    b.eventIdx = l.eventIdx;
    b.layerIdx = static_cast<int>(i);
    b.layerId = l.id;
    appendBlock(cache, std::move(b), l.fadeIn, l.fadeOut);
  }
}

}  // namespace vn::test
