#pragma once
// Ranking a candidate list for one layer: banned files out, every candidate
// scored, the best N above the floor kept, best first.
#include <string>
#include <unordered_set>
#include <vector>

#include "builder/candidates.h"
#include "builder/keyword_prescore.h"
#include "builder/reference_set.h"
#include "builder/scoring.h"
#include "core/session.h"

namespace vn {

struct ScoredCandidate {
  const LibraryRecord* record = nullptr;
  float score = 0.0f;
};

// The Session's banned files, as sets for quick look-up.
struct BanList {
  std::unordered_set<std::string> files;
  std::unordered_set<std::string> fileIds;

  bool bans(const LibraryRecord& record) const;
};
BanList makeBanList(const Session& session);

// What ranking needs besides the list and the request; every member may be absent.
struct RankContext {
  const BanList* bans = nullptr;
  const ReferenceSet* reference = nullptr;
  KeywordScoreCache* keywordCache = nullptr;  // keyword scores are computed afresh without it
  // For a ranking without terms: the keyword scores of the event's own terms, one
  // per candidate. A negative one (a required word missing, an excluded word
  // present) keeps the candidate out even when the words no longer weigh.
  const std::vector<float>* keywordGate = nullptr;
};

// Only candidates scoring above this enter a ranking; the best alone stands in
// when none does.
constexpr float kRankFloor = 5.0f;

std::vector<ScoredCandidate> rankCandidates(const CandidateList& candidates, const ScoreRequest& request,
                                            int topN, const RankContext& context);

// Sorts best first and keeps the first n.
void keepBest(std::vector<ScoredCandidate>& list, size_t n);

}  // namespace vn
