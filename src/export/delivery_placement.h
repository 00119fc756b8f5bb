#pragma once
// Placing a bus's items on its declared tracks, earliest first.
#include <vector>

#include "core/session.h"

namespace vn {

struct DeclaredTrack {
  int slot = 0;
  int fmt = 1;
};

// The bus's declared tracks in slot order, each slot expanded to its count.
std::vector<DeclaredTrack> declaredTrackList(const Bus& bus);

struct PlacementSpan {
  float start = 0.0f;
  float end = 0.0f;
  int fmt = 1;
};

// The track of every span (index into tracks), -1 where no track is free. Spans
// are taken earliest first; among the free tracks one of the span's own format
// is preferred, else the first in slot order. A track is free once its last
// item has ended (within the fit's time tolerance).
std::vector<int> placeOnDeclaredTracks(const std::vector<PlacementSpan>& spans, const std::vector<DeclaredTrack>& tracks);

}  // namespace vn
