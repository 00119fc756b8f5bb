#pragma once
// Candidate lists: which library records an event may draw from.
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string_view>
#include <vector>

#include "builder/band_profile.h"
#include "builder/search_terms.h"
#include "core/session.h"
#include "library/library.h"

namespace vn {

// The loaded Libraries, in the application's order. The caller holds the
// library mutex for as long as a build uses them.
using LibraryView = std::span<const Library* const>;

// What the scoring reads of a record again and again, worked out once per list
// (traitsOf in scoring.h): the parts of the score that depend on the record alone.
struct CandidateTraits {
  BandArray rawShares{};  // the record's own band shares
  BandArray shares{};     // normalised band shares
  float brightness = 0.5f;
  float duration = 0.0f;
  float noisiness = 0.0f;
  float calm = 0.0f;         // character of a low-impact sound (steady, soft, centred)
  float hit = 0.0f;          // character of a high-impact sound (clean, peaky, changing)
  float spotClean = 0.0f;    // Spot: 5·clamp(1 - 3·inharmonicity)
  float swellShape = 0.0f;   // Bloom and Contour shape term
  float fillSteady = 0.0f;   // Fill shape term without its length part
  float scatterShape = 0.0f; // Scatter shape term
};

// The records' searchable texts in lower case, made once per list when words
// are first looked for in it: every keyword set of a build then matches without
// folding twenty thousand paths again.
struct FoldedTexts {
  std::once_flag once;
  std::vector<FoldedRecord> records;
};

// References to records (never copies) plus their traits. identity tells two
// lists apart for the keyword score cache.
struct CandidateList {
  std::vector<const LibraryRecord*> records;
  std::vector<CandidateTraits> traits;
  uint64_t identity = 0;
  std::shared_ptr<FoldedTexts> folded;  // shared by copies of the list

  size_t size() const { return records.size(); }
  bool empty() const { return records.empty(); }
};

CandidateList makeCandidateList(std::vector<const LibraryRecord*> records);
// The folded texts, one per record, made on first use (safe from several threads).
const std::vector<FoldedRecord>& foldedTexts(const CandidateList& list);
// Whether texts are the list's own folded texts, still alive. Told apart by ownership,
// not by address: a Library scanned again may put new records, and new texts, where the
// old ones lay, and results kept for the old ones must not pass for the new.
bool sameFoldedTexts(const std::weak_ptr<const FoldedTexts>& texts, const CandidateList& list);

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
