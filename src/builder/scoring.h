#pragma once
// How well one library record suits the layer being filled: keywords, spectral
// match to the layer weight, brightness, band filling, duration, character,
// shape and contrast with the event's earlier picks. 0 rejects.
#include <cstdint>
#include <optional>
#include <span>

#include "builder/band_profile.h"
#include "builder/candidates.h"
#include "builder/search_terms.h"
#include "core/session.h"

namespace vn {

struct ScoreRequest {
  float weight = 0.5f;    // layer weight 0..1
  float duration = 1.0f;  // event (or segment) duration, seconds
  ShapeType shape = ShapeType::Spot;
  std::span<const SearchTerm> terms;
  float impact = 0.5f;
  std::optional<BandArray> occupied;  // band energy the event's chosen layers hold
  float noisinessTarget = -1.0f;      // negative = none
  int pickCount = 0;
};

CandidateTraits traitsOf(const LibraryRecord& record);

// The keyword part K of the score: 0..50, or -1 when a required word is missing
// or an excluded word is present. 0 without terms.
float keywordScore(const LibraryRecord& record, std::span<const PreparedTerm> terms);
// The same for a record whose texts are folded already.
float keywordScore(const FoldedRecord& record, std::span<const PreparedTerm> terms);
// The same from each term's matchFolded result (matches[t] for terms[t]).
float keywordFromMatches(std::span<const PreparedTerm> terms, std::span<const uint8_t> matches);

// keyword: a precomputed K (negative rejects); computed here when absent.
float scoreCandidate(const LibraryRecord& record, const ScoreRequest& request,
                     std::optional<float> keyword = std::nullopt);

// The request with what does not depend on the record worked out once, for
// scoring whole lists.
struct PreparedScore {
  ScoreRequest request;
  BandArray target{};
  bool hasTerms = false;
  BandArray occupiedShare{};  // occupied energy relative to its fullest band
};
PreparedScore prepareScore(const ScoreRequest& request);
float scorePrepared(const CandidateTraits& traits, const PreparedScore& prepared, float keyword);
// A bound that scorePrepared never exceeds, from the brightness and K alone: every
// other part at its largest and a perfect spectral match. A ranking whose top
// list is full skips the candidates whose bound cannot beat its weakest entry.
float scoreCeiling(const CandidateTraits& traits, const PreparedScore& prepared, float keyword);

}  // namespace vn
