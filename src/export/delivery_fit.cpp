#include "export/delivery_fit.h"

#include <algorithm>
#include <cmath>
#include <mutex>

#include "export/delivery_audio.h"
#include "export/delivery_fold_plan.h"
#include "export/delivery_placement.h"
#include "export/delivery_report.h"
#include "export/delivery_traits.h"
#include "platform/log.h"
#include "render/render_cache.h"
#include "render/track_routing.h"

namespace vn {

namespace {

constexpr float kAlignmentTolerance = 0.001f;

int busCountOf(const Session& session) { return std::clamp(session.trackLayout.busCount, 0, kMaxBusses); }

bool layerDelivered(const Session& session, const Layer& layer) {
  if (layer.muted) return false;
  if (layer.eventIdx >= 0 && layer.eventIdx < static_cast<int>(session.events.size()) &&
      session.events[layer.eventIdx].muted)
    return false;
  return layer.group >= 0 && layer.group < busCountOf(session);
}

std::string trackName(const Bus& bus, const std::string& group, int number) {
  return group.empty() ? format("%s %d", bus.name.c_str(), number)
                       : format("%s %s %d", group.c_str(), bus.name.c_str(), number);
}

std::string compName(const Session& session, const FoldUnit& unit, int id) {
  const std::string& first = session.results[unit.members.front()].name;
  return format("Fold %d: %s +%d", id, first.c_str(), static_cast<int>(unit.members.size()) - 1);
}

// One bus's planned units, before placement.
struct BusPlan {
  int bus = 0;
  bool declares = false;
  std::vector<FoldUnit> units;
  std::vector<int> notFitting;
};

struct FitPlan {
  std::vector<FoldTraits> traits;  // by layer index
  std::vector<BusPlan> busses;     // by bus position
};

FitPlan planBusses(const Session& session) {
  const TrackLayout& layout = session.trackLayout;
  FitPlan fit;
  std::vector<FoldTraits>& traits = fit.traits;
  traits.reserve(session.results.size());
  for (const Layer& l : session.results) traits.push_back(foldTraitsOf(session, l));
  std::vector<std::vector<int>> layersOfBus(static_cast<size_t>(busCountOf(session)));
  for (size_t i = 0; i < session.results.size(); ++i)
    if (layerDelivered(session, session.results[i])) layersOfBus[session.results[i].group].push_back(static_cast<int>(i));

  for (int bus = 0; bus < busCountOf(session); ++bus) {
    BusPlan p;
    p.bus = bus;
    const int declared = declaredTracks(layout.busses[bus]);
    p.declares = declared > 0;
    if (p.declares) {
      BusFoldPlan folds = planBusFolds(layersOfBus[bus], traits, declared);
      p.units = std::move(folds.units);
      p.notFitting = std::move(folds.notFitting);
    } else {
      for (int l : layersOfBus[bus]) p.units.push_back(singleUnit(l, traits[l]));
    }
    fit.busses.push_back(std::move(p));
  }
  return fit;
}

// Members without audio ship unfolded; a comp with no audio at all gives all of them back.
void revertSilentMembers(FitPlan& fit, const std::vector<int>& blockOfLayer) {
  int compId = 0;
  for (BusPlan& plan : fit.busses) {
    std::vector<FoldUnit> kept;
    for (FoldUnit& unit : plan.units) {
      if (!unit.comp) {
        kept.push_back(std::move(unit));
        continue;
      }
      ++compId;
      std::vector<int> silent, sounding;
      for (int m : unit.members) (blockOfLayer[m] < 0 ? silent : sounding).push_back(m);
      if (silent.empty()) {
        kept.push_back(std::move(unit));
        continue;
      }
      if (sounding.empty()) {
        logLine("[Delivery] fold comp %d had no audio - %d member(s) reverted to unfolded\n", compId,
                static_cast<int>(silent.size()));
      } else {
        for (int m : silent) logLine("[Delivery] fold member %d had no cached audio - shipping it unfolded\n", m);
      }
      std::vector<int> unfolded = silent;
      if (sounding.size() >= 2) {
        FoldUnit comp = singleUnit(sounding.front(), fit.traits[sounding.front()]);
        for (size_t i = 1; i < sounding.size(); ++i)
          foldInto(comp, singleUnit(sounding[i], fit.traits[sounding[i]]), unit.reason);
        kept.push_back(std::move(comp));
      } else {
        unfolded.insert(unfolded.end(), sounding.begin(), sounding.end());
      }
      for (int m : unfolded) kept.push_back(singleUnit(m, fit.traits[m]));
    }
    plan.units = std::move(kept);
  }
}

void addTrack(DeliveryResult& result, int bus, int slot, int busTrack, int fmt, std::string name) {
  FittedTrack t;
  t.bus = bus;
  t.slot = slot;
  t.busTrack = busTrack;
  t.fmt = fmt;
  t.name = std::move(name);
  result.tracks.push_back(std::move(t));
}

FittedItem layerItem(const Session& session, int layer, int bus) {
  const Layer& l = session.results[layer];
  FittedItem item;
  item.layer = layer;
  item.layerId = l.id;
  item.bus = bus;
  item.fmt = l.fmt;
  item.sourceFmt = l.fmt;
  item.start = deliveryStart(l);
  item.duration = l.duration;
  return item;
}

// A free bus ships as the session packed it.
void shipFreeBus(const Session& session, const BusPlan& plan, int sessionTracks, DeliveryResult& result) {
  const Bus& bus = session.trackLayout.busses[plan.bus];
  const int firstTrack = static_cast<int>(result.tracks.size());
  for (int t = 0; t < sessionTracks; ++t) addTrack(result, plan.bus, -1, t, 1, trackName(bus, bus.deliveryGroup, t + 1));
  for (const FoldUnit& unit : plan.units) {
    FittedItem item = layerItem(session, unit.members.front(), plan.bus);
    item.busTrack = std::clamp(session.results[item.layer].groupTrack, 0, std::max(0, sessionTracks - 1));
    item.track = firstTrack + item.busTrack;
    result.items.push_back(item);
  }
}

void placeDeclaringBus(const Session& session, BusPlan& plan, DeliveryResult& result) {
  const Bus& bus = session.trackLayout.busses[plan.bus];
  const std::vector<DeclaredTrack> declared = declaredTrackList(bus);
  std::vector<PlacementSpan> spans;
  for (const FoldUnit& u : plan.units) spans.push_back({u.start, u.end, u.fmt});
  const std::vector<int> placed = placeOnDeclaredTracks(spans, declared);
  const int firstTrack = static_cast<int>(result.tracks.size());
  for (size_t t = 0; t < declared.size(); ++t)
    addTrack(result, plan.bus, declared[t].slot, static_cast<int>(t), declared[t].fmt,
             trackName(bus, bus.deliveryGroup, static_cast<int>(t) + 1));
  for (size_t i = 0; i < plan.units.size(); ++i) {
    const FoldUnit& unit = plan.units[i];
    if (placed[i] < 0) {
      plan.notFitting.insert(plan.notFitting.end(), unit.members.begin(), unit.members.end());
      continue;
    }
    const DeclaredTrack& track = declared[placed[i]];
    FittedItem item;
    if (unit.comp) {
      FoldComp comp;
      comp.id = static_cast<int>(result.comps.size()) + 1;
      comp.bus = plan.bus;
      comp.slot = track.slot;
      comp.busTrack = placed[i];
      comp.members = unit.members;
      comp.reason = unit.reason;
      comp.start = unit.start;
      comp.duration = unit.end - unit.start;
      comp.name = compName(session, unit, comp.id);
      comp.fmt = track.fmt;
      item.comp = static_cast<int>(result.comps.size());
      item.bus = plan.bus;
      item.sourceFmt = track.fmt;
      item.start = comp.start;
      item.duration = comp.duration;
      result.comps.push_back(std::move(comp));
    } else {
      item = layerItem(session, unit.members.front(), plan.bus);
    }
    item.slot = track.slot;
    item.busTrack = placed[i];
    item.track = firstTrack + placed[i];
    item.fmt = track.fmt;
    result.items.push_back(item);
  }
}

void collectTrackItems(DeliveryResult& result) {
  for (FittedTrack& t : result.tracks) t.items.clear();
  for (size_t i = 0; i < result.items.size(); ++i) result.tracks[result.items[i].track].items.push_back(static_cast<int>(i));
  for (FittedTrack& t : result.tracks)
    std::stable_sort(t.items.begin(), t.items.end(),
                     [&](int a, int b) { return result.items[a].start < result.items[b].start; });
}

// Places every bus in display order and counts what the report and the panels show.
void placeAll(const Session& session, std::vector<BusPlan>& plans, DeliveryResult& result) {
  const TrackLayout& layout = session.trackLayout;
  const std::array<int, kMaxBusses> sessionTracks = busTrackCounts(session.results);
  result.busses.assign(plans.size(), BusFit{});
  for (int k = 0; k < static_cast<int>(plans.size()); ++k) {
    const int bus = layout.busOrder[k];
    if (bus < 0 || bus >= static_cast<int>(plans.size())) continue;
    BusPlan& plan = plans[bus];
    const size_t compsBefore = result.comps.size();
    const size_t tracksBefore = result.tracks.size();
    BusFit& fit = result.busses[bus];
    fit.declares = plan.declares;
    fit.declared = declaredTracks(layout.busses[bus]);
    fit.sessionTracks = sessionTracks[bus];
    if (plan.declares) {
      placeDeclaringBus(session, plan, result);
    } else {
      shipFreeBus(session, plan, sessionTracks[bus], result);
    }
    fit.folds = static_cast<int>(result.comps.size() - compsBefore);
    fit.notFitting = static_cast<int>(plan.notFitting.size());
    result.notFittingLayers.insert(result.notFittingLayers.end(), plan.notFitting.begin(), plan.notFitting.end());
    std::vector<bool> used(result.tracks.size() - tracksBefore, false);
    for (const FittedItem& item : result.items)
      if (item.bus == bus) used[item.track - tracksBefore] = true;
    fit.used = plan.declares ? static_cast<int>(std::count(used.begin(), used.end(), true)) : sessionTracks[bus];
    result.tracksAfter += fit.used;
  }
  std::sort(result.notFittingLayers.begin(), result.notFittingLayers.end());
  result.folds = static_cast<int>(result.comps.size());
  result.notFitting = static_cast<int>(result.notFittingLayers.size());
  collectTrackItems(result);
}

// Every item still names the session's layers where they are, and every comp spans its members.
bool checkAlignment(const Session& session, const DeliveryResult& result) {
  auto near = [](float a, float b) { return std::fabs(a - b) <= kAlignmentTolerance; };
  for (const FittedItem& item : result.items) {
    if (item.comp >= 0) {
      if (item.comp >= static_cast<int>(result.comps.size())) return false;
      const FoldComp& comp = result.comps[item.comp];
      float lo = 1e30f, hi = -1e30f;
      for (int m : comp.members) {
        if (m < 0 || m >= static_cast<int>(session.results.size())) return false;
        const Layer& l = session.results[m];
        lo = std::min(lo, deliveryStart(l));
        hi = std::max(hi, deliveryStart(l) + l.duration);
      }
      if (!near(lo, item.start) || !near(hi - lo, item.duration)) return false;
      continue;
    }
    if (item.layer < 0 || item.layer >= static_cast<int>(session.results.size())) return false;
    const Layer& l = session.results[item.layer];
    if (l.id != item.layerId || !near(deliveryStart(l), item.start) || !near(l.duration, item.duration)) return false;
  }
  return true;
}

DeliveryResult unconformed(const Session& session, bool keepSource) {
  DeliveryResult result;
  std::vector<BusPlan> plans;
  for (int bus = 0; bus < busCountOf(session); ++bus) {
    BusPlan p;
    p.bus = bus;
    plans.push_back(std::move(p));
  }
  for (size_t i = 0; i < session.results.size(); ++i)
    if (layerDelivered(session, session.results[i]))
      plans[session.results[i].group].units.push_back(
          singleUnit(static_cast<int>(i), foldTraitsOf(session, session.results[i])));
  placeAll(session, plans, result);
  result.tracksBefore = sessionTrackCount(session);
  result.tracksAfter = result.tracksBefore;
  result.report = keepSource ? keepSourceChannelsReport(result.tracksBefore) : noDeclarationsReport(result.tracksBefore);
  result.aligned = checkAlignment(session, result);
  return result;
}

bool anyBusDeclares(const Session& session) {
  for (int bus = 0; bus < busCountOf(session); ++bus)
    if (declaredTracks(session.trackLayout.busses[bus]) > 0) return true;
  return false;
}

DeliveryResult conformed(const Session& session, std::vector<BusPlan> plans) {
  DeliveryResult result;
  result.conformed = true;
  placeAll(session, plans, result);
  result.tracksBefore = sessionTrackCount(session);
  return result;
}

}  // namespace

const char* foldReasonText(FoldReason reason) {
  switch (reason) {
    case FoldReason::SpectralMerge: return "spectral merge";
    case FoldReason::EventComp: return "event comp";
    case FoldReason::CrossEventMerge: return "cross-event merge";
    case FoldReason::TransientWithTail: return "last resort: transient with its tail";
    case FoldReason::HeroWithNonHero: return "last resort: hero with non-hero";
    case FoldReason::SeparabilityGivenUp: return "last resort: separability given up to fit";
  }
  return "";
}

DeliveryResult deliveryAsItIs(const Session& session) { return unconformed(session, true); }

int sessionTrackCount(const Session& session) {
  const std::array<int, kMaxBusses> counts = busTrackCounts(session.results);
  int total = 0;
  for (int bus = 0; bus < busCountOf(session); ++bus) total += counts[bus];
  return total;
}

DeliveryResult planDelivery(const Session& session, const FitOptions& options) {
  if (options.keepSourceChannels) return unconformed(session, true);
  if (!anyBusDeclares(session)) return unconformed(session, false);
  DeliveryResult result = conformed(session, planBusses(session).busses);
  result.aligned = checkAlignment(session, result);
  result.report = deliveryReport(session, result);
  return result;
}

DeliveryResult fitDelivery(const Session& session, const RenderCache& cache, const FitOptions& options) {
  if (options.keepSourceChannels) return unconformed(session, true);
  if (!anyBusDeclares(session)) return unconformed(session, false);
  FitPlan plan = planBusses(session);
  std::lock_guard<std::mutex> lock(cache.mutex);
  const std::vector<int> blockOfLayer = blocksByLayer(cache, session.results);
  revertSilentMembers(plan, blockOfLayer);
  DeliveryResult result = conformed(session, std::move(plan.busses));
  for (FoldComp& comp : result.comps)
    comp.audio = mixMembers(cache, blockOfLayer, comp.members, comp.start, comp.duration, comp.fmt,
                            options.spatialAmount);
  result.aligned = checkAlignment(session, result);
  result.report = deliveryReport(session, result);
  return result;
}

}  // namespace vn
