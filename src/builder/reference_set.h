#pragma once
// The reference set: sound files the user marked as "this is the sound I want".
// While it is active, the ranking favours the marked files themselves and every
// candidate that resembles their mean profile.
#include <string>
#include <vector>

#include "builder/band_profile.h"
#include "builder/candidates.h"

namespace vn {

struct ReferenceSet {
  std::vector<std::string> paths;
  BandArray shares{};  // mean normalised band shares of the marked files
  float centroid = 0.5f;
  float zeroCrossRate = 0.0f;
  float flatness = 0.0f;

  bool active() const { return !paths.empty(); }
};

// The set of the given files whose records the Libraries know (by path); the
// profile is the mean of those records. unknown receives the paths no Library
// holds (they are left out: without an analysis there is no profile).
ReferenceSet makeReferenceSet(const std::vector<std::string>& paths, LibraryView libraries,
                              std::vector<std::string>* unknown = nullptr);

// How a ranked candidate's score changes under an active set: a marked file
// counts 1.5 times, any other gains up to 15 points by its likeness.
float referenceAdjusted(const ReferenceSet& set, const LibraryRecord& record, const BandArray& shares,
                        float score);

}  // namespace vn
