#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "export/delivery_fixtures.h"
#include "export/delivery_audio.h"
#include "export/delivery_fit.h"
#include "render/fades.h"

namespace vn {
namespace {

// The most items of one bus that sound at any instant (an item starting as another ends does not overlap).
int peakItems(const DeliveryResult& r, int bus) {
  std::vector<std::pair<float, int>> edges;
  for (const FittedItem& item : r.items) {
    if (item.bus != bus) continue;
    edges.push_back({item.start, +1});
    edges.push_back({item.start + item.duration - 0.0002f, -1});
  }
  std::sort(edges.begin(), edges.end(), [](auto& a, auto& b) { return a.first != b.first ? a.first < b.first : a.second < b.second; });
  int now = 0, peak = 0;
  for (auto& e : edges) peak = std::max(peak, now += e.second);
  return peak;
}

TEST(DeliveryFitInvariants, RandomSessionsFitTheirDeclarations) {
  int totalComps = 0, totalOut = 0;
  for (uint32_t seed = 1; seed <= 60; ++seed) {
    SCOPED_TRACE(seed);
    const Session s = test::randomDeliverySession(seed * 7919u, 300, 5);
    const DeliveryResult r = planDelivery(s, {});
    if (!r.conformed) continue;
    EXPECT_TRUE(r.aligned);

    for (int bus = 0; bus < s.trackLayout.busCount; ++bus) {
      const Bus& b = s.trackLayout.busses[bus];
      int declared = 0;
      for (const BusSlot& slot : b.slots) declared += slot.count;
      if (declared == 0) continue;
      EXPECT_LE(peakItems(r, bus), declared) << "bus " << bus;
    }
    // Items on one declared track never overlap (free busses keep the session's packing),
    // and each sits on a track of the slot's format.
    for (const FittedTrack& t : r.tracks) {
      for (size_t k = 1; t.slot >= 0 && k < t.items.size(); ++k) {
        const FittedItem& prev = r.items[t.items[k - 1]];
        EXPECT_LE(prev.start + prev.duration, r.items[t.items[k]].start + 0.0002f);
      }
      for (int i : t.items) {
        EXPECT_EQ(r.items[i].track, &t - r.tracks.data());
        if (t.slot >= 0) {
          EXPECT_EQ(r.items[i].fmt, t.fmt);
        }
      }
    }

    // Every unmuted layer of a declaring bus is on a track, in exactly one comp, or counted out.
    std::map<int, int> seen;
    for (const FittedItem& item : r.items)
      if (item.layer >= 0) ++seen[item.layer];
    for (const FoldComp& c : r.comps) {
      float lo = 1e9f, hi = -1e9f;
      for (int m : c.members) {
        ++seen[m];
        const Layer& l = s.results[m];
        lo = std::min(lo, l.startTime + l.deconOffset);
        hi = std::max(hi, l.startTime + l.deconOffset + l.duration);
        EXPECT_NE(l.foldPin, 1);
        EXPECT_EQ(l.group, c.bus);
      }
      EXPECT_GE(c.members.size(), 2u);
      EXPECT_FLOAT_EQ(c.start, lo);
      EXPECT_NEAR(c.duration, hi - lo, 1e-5f);
    }
    for (int out : r.notFittingLayers) ++seen[out];
    for (size_t i = 0; i < s.results.size(); ++i) {
      const Layer& l = s.results[i];
      const bool muted = l.muted || s.events[l.eventIdx].muted;
      EXPECT_EQ(seen[static_cast<int>(i)], muted ? 0 : 1) << "layer " << i;
    }
    totalComps += r.folds;
    totalOut += r.notFitting;
  }
  // The seeds must exercise folding and overflow, or the checks above prove little.
  EXPECT_GT(totalComps, 100);
  EXPECT_GT(totalOut, 0);
}

TEST(DeliveryFitInvariants, CompAudioIsTheSumOfItsMembers) {
  constexpr int kRate = 4000;
  int checkedComps = 0;
  for (uint32_t seed = 1; seed <= 12; ++seed) {
    SCOPED_TRACE(seed);
    Session s = test::randomDeliverySession(seed * 104729u, 120, 3);
    RenderCache cache;
    test::fillCache(cache, s, kRate);
    const DeliveryResult r = fitDelivery(s, cache, {});
    if (!r.conformed) continue;
    for (const FoldComp& comp : r.comps) {
      if (comp.fmt > 1) continue;  // the sum is checked where members share the pair's channels
      const size_t frames = static_cast<size_t>(std::lround(comp.duration * kRate));
      ASSERT_EQ(comp.audio.size(), comp.fmt == 0 ? 1u : 2u);
      std::vector<std::vector<double>> expected(comp.audio.size(), std::vector<double>(frames, 0.0));
      for (int m : comp.members) {
        const RenderedBlock& b = cache.blocks[static_cast<size_t>(m)];
        ASSERT_EQ(b.layerIdx, m);
        const FadeLengths fades = effectiveFades(cache.fadeIns[m], cache.fadeOuts[m], b.duration);
        const long offset = std::lround((b.start - comp.start) * kRate);
        for (size_t f = 0; f < b.left.size(); ++f) {
          const long at = offset + static_cast<long>(f);
          if (at < 0 || at >= static_cast<long>(frames)) continue;
          const double g = fadeGain(fades, b.duration, static_cast<float>(f) / kRate);
          if (comp.fmt == 0) {
            expected[0][at] += g * 0.5 * (b.left[f] + b.right[f]);
          } else {
            expected[0][at] += g * b.left[f];
            expected[1][at] += g * b.right[f];
          }
        }
      }
      for (size_t c = 0; c < expected.size(); ++c) {
        ASSERT_EQ(comp.audio[c].size(), frames);
        double worst = 0.0;
        for (size_t f = 0; f < frames; ++f) worst = std::max(worst, std::fabs(comp.audio[c][f] - expected[c][f]));
        EXPECT_LT(worst, 1e-5) << "comp " << comp.id;
      }
      ++checkedComps;
    }
  }
  EXPECT_GT(checkedComps, 10);
}

}  // namespace
}  // namespace vn
