#pragma once
// Routing layers to busses and tracks: stale bus routes are re-routed, every
// bus's layers are packed onto tracks that never overlap, each layer gets its
// global track, overlaps are reported and a layout hash tells the track view
// and the delivery fit when to redraw.
#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

#include "core/session.h"

namespace vn {

struct TrackLayoutState {
  std::array<int, kMaxBusses> busTracks{};  // tracks each bus uses
  uint64_t layoutHash = 0;
  std::atomic<uint64_t> generation{0};
};

// Sends each layer to its event's bus (the bus override, else the shape's
// home); returns and logs the number of layers whose bus changed.
int rerouteStaleLayers(Session& session);
// Packs each bus's layers onto tracks (groupTrack) so that no two on a track
// overlap; returns the tracks each bus needs.
std::array<int, kMaxBusses> allocateBusTracks(std::vector<Layer>& layers);
// Tracks a bus declares through its slots.
int declaredTracks(const Bus& bus);
// Global track of every layer: the tracks of the busses before its own in
// display order, plus its groupTrack; -1 for a layer on no bus.
void assignGlobalTracks(Session& session, const std::array<int, kMaxBusses>& busTracks);
// Logs up to eight overlapping neighbours per run and how many more there were.
int reportOverlaps(const std::vector<Layer>& layers, const char* reason);
uint64_t layoutHashOf(const std::vector<Layer>& layers);
// Tracks each bus uses: the largest groupTrack + 1 of its layers.
std::array<int, kMaxBusses> busTrackCounts(const std::vector<Layer>& layers);

// All of the above in order; the generation moves when the hash changes.
void rerouteAndRepack(Session& session, TrackLayoutState& state);

}  // namespace vn
