#pragma once
// Candidate lists: which library records an event may draw from.
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "build/band_profile.h"
#include "core/session.h"
#include "library/library.h"

namespace vn {

// The loaded Libraries, in the application's order. The caller holds the
// library mutex for as long as a build uses them.
using LibraryView = std::span<const Library* const>;

// What the scoring reads of a record again and again, worked out once per list.
struct CandidateTraits {
  BandArray shares{};  // normalised band shares
  float noisiness = 0.0f;
};

// References to records (never copies) plus their traits. identity tells two
// lists apart for the keyword score cache.
struct CandidateList {
  std::vector<const LibraryRecord*> records;
  std::vector<CandidateTraits> traits;
  uint64_t identity = 0;

  size_t size() const { return records.size(); }
  bool empty() const { return records.empty(); }
};

CandidateList makeCandidateList(std::vector<const LibraryRecord*> records);

// Every record of the enabled Libraries that may feed the bus (busPosition -1 =
// any), narrowed to the Libraries named by libFilter when it is not empty.
// "~none~" selects nothing. An empty result is gathered again for any bus.
// A Library's rootNumber names the bus position it is assigned to (-1 = none).
CandidateList gatherCandidates(LibraryView libraries, int busPosition, std::string_view libFilter);

// Distance between two sounds over band shares, centroid, brightness share,
// zero crossings, flatness, harmonicity and crest.
float soundAlikeDistance(const LibraryRecord& a, const LibraryRecord& b);
// The same, also weighing dynamics, energy position and spectral change; used
// when "Next sound" looks for a neighbour of the current file.
float rerollDistance(const LibraryRecord& a, const LibraryRecord& b);

// The candidates that sound like the pinned file (distance below 1.5), when the
// pinned file is among them; otherwise the list unchanged.
CandidateList soundAlikes(const CandidateList& candidates, std::string_view pinnedPath);

// The record of a library file: by id first (the file may have moved), then by path.
const LibraryRecord* findLibraryRecord(LibraryView libraries, std::string_view fileId,
                                       std::string_view path);

}  // namespace vn
