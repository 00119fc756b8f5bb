#pragma once
// The session fitted to the tracks its busses declare: every unmuted layer of a
// declaring bus is placed on a declared track, overlapping layers beyond the
// bus's track count are folded into comps (the sounds hardest to tell apart
// first), and what could not be placed is counted. The record is plain so the
// export job and the AAF writer read it directly.
#include <cstdint>
#include <string>
#include <vector>

#include "core/session.h"

namespace vn {

struct RenderCache;

enum class FoldReason : int {
  SpectralMerge = 0,
  EventComp,
  CrossEventMerge,
  TransientWithTail,
  HeroWithNonHero,
  SeparabilityGivenUp,
};
constexpr int kFoldReasonCount = 6;
// "spectral merge", "event comp", ... "last resort: separability given up to fit".
const char* foldReasonText(FoldReason reason);

struct FoldComp {
  int id = 0;                // 1, 2, ... over the whole delivery
  int bus = 0;               // bus position
  int slot = -1;             // declared slot it lands on, -1 until placed
  int busTrack = -1;         // track inside the bus, -1 until placed
  std::vector<int> members;  // indices into the session's results, in the order they joined
  FoldReason reason = FoldReason::SpectralMerge;
  float start = 0.0f;        // the union of its members
  float duration = 0.0f;
  std::string name;
  int fmt = 1;                            // the slot's channel format
  std::vector<std::vector<float>> audio;  // one buffer per channel of fmt, project rate; empty until rendered
};

// One clip on a delivery track: a session layer, or a comp standing for its members.
struct FittedItem {
  int layer = -1;        // index into the session's results, -1 for a comp
  uint32_t layerId = 0;  // that layer's id, for the alignment check
  int comp = -1;         // index into DeliveryResult::comps, -1 for a layer
  int bus = 0;           // bus position
  int slot = -1;         // declared slot, -1 on a free bus or without conforming
  int busTrack = 0;      // track inside the bus
  int track = 0;         // index into DeliveryResult::tracks
  int fmt = 1;           // delivered channel format
  int sourceFmt = 1;     // the layer's own format (a comp: its slot's)
  float start = 0.0f;
  float duration = 0.0f;
};

struct FittedTrack {
  int bus = 0;
  int slot = -1;
  int busTrack = 0;
  int fmt = 1;
  std::string name;        // "Bus 1", or "Group Bus 1" with a group name
  std::vector<int> items;  // indices into DeliveryResult::items, earliest first
};

// Per bus position: what the bus line of the report and the bus panel show.
struct BusFit {
  bool declares = false;
  int declared = 0;      // declared tracks
  int sessionTracks = 0; // tracks the bus uses in the session
  int used = 0;          // delivery tracks that carry an item
  int folds = 0;
  int notFitting = 0;    // layers of this bus that are not delivered
};

struct DeliveryResult {
  bool conformed = false;  // false: the session ships as it is (keep source channels, or nothing declared)
  std::vector<FittedItem> items;
  std::vector<FoldComp> comps;
  std::vector<FittedTrack> tracks;
  std::vector<BusFit> busses;         // by bus position, busCount entries
  std::vector<int> notFittingLayers;  // indices into the session's results
  int tracksBefore = 0;
  int tracksAfter = 0;
  int folds = 0;
  int notFitting = 0;
  bool aligned = true;  // the fitted list still lines up with the session
  std::string report;
};

struct FitOptions {
  bool keepSourceChannels = false;
  float spatialAmount = 0.0f;  // pan amount of the upmix to 5.1 and 7.1 tracks
};

// Plans, places and reports without audio: comps carry no audio. The layers
// must be routed (each one's group and groupTrack set by the track routing).
DeliveryResult planDelivery(const Session& session, const FitOptions& options);

// The whole fit: plan, render every comp from its members' Rendered blocks
// (reverting members without audio), place, check alignment and report. The
// cache is read under its mutex.
DeliveryResult fitDelivery(const Session& session, const RenderCache& cache, const FitOptions& options);

// The session delivered as it is: every sounding layer on its own session track,
// in its own channel format, nothing folded.
DeliveryResult deliveryAsItIs(const Session& session);
// Tracks the session uses: the sum over the busses in use of their packed tracks.
int sessionTrackCount(const Session& session);

}  // namespace vn
