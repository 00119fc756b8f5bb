#include "builder/ranking.h"

#include <algorithm>

namespace vn {

bool BanList::bans(const LibraryRecord& record) const {
  if (!fileIds.empty() && !record.fileId.empty() && fileIds.count(record.fileId)) return true;
  return !files.empty() && files.count(record.path) > 0;
}

BanList makeBanList(const Session& session) {
  BanList list;
  list.files.insert(session.bannedFiles.begin(), session.bannedFiles.end());
  for (const auto& id : session.bannedFileIds)
    if (!id.empty()) list.fileIds.insert(id);
  return list;
}

void keepBest(std::vector<ScoredCandidate>& list, size_t n) {
  const auto better = [](const ScoredCandidate& a, const ScoredCandidate& b) { return a.score > b.score; };
  if (list.size() > n) {
    std::partial_sort(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(n), list.end(), better);
    list.resize(n);
  } else {
    std::stable_sort(list.begin(), list.end(), better);
  }
}

std::vector<ScoredCandidate> rankCandidates(const CandidateList& candidates, const ScoreRequest& request,
                                            int topN, const RankContext& context) {
  const PreparedScore prepared = prepareScore(request);
  std::shared_ptr<const std::vector<float>> keywords;
  if (prepared.hasTerms) {
    keywords = context.keywordCache
                   ? context.keywordCache->scores(candidates, request.terms)
                   : std::make_shared<const std::vector<float>>(computeKeywordScores(candidates, request.terms));
  }
  const bool referenceActive = context.reference && context.reference->active();
  const size_t keep = static_cast<size_t>(std::max(topN, 0));
  // The best N so far as a heap whose root is the weakest of them, so that a
  // long list costs one comparison per candidate.
  const auto weaker = [](const ScoredCandidate& a, const ScoredCandidate& b) { return a.score > b.score; };
  std::vector<ScoredCandidate> top;
  top.reserve(keep + 1);
  bool entered = false;
  ScoredCandidate best;
  for (size_t i = 0; i < candidates.size(); ++i) {
    const LibraryRecord& r = *candidates.records[i];
    if (context.bans && context.bans->bans(r)) continue;
    const float k = keywords ? (*keywords)[i] : 0.0f;
    if (k < 0.0f) continue;
    if (!keywords && context.keywordGate && (*context.keywordGate)[i] < 0.0f) continue;
    // With a full top list (so something has entered and the fallback is moot),
    // a candidate that cannot beat its weakest entry is not scored at all. The
    // reference set can lift scores past the bound, so it turns this off.
    if (!referenceActive && keep > 0 && top.size() == keep &&
        scoreCeiling(candidates.traits[i], prepared, k) <= top.front().score)
      continue;
    const float score = scorePrepared(candidates.traits[i], prepared, k);
    if (score > best.score) best = {&r, score};
    if (!(score > kRankFloor)) continue;
    entered = true;
    const ScoredCandidate c{
        &r, referenceActive ? referenceAdjusted(*context.reference, r, candidates.traits[i].shares, score) : score};
    if (top.size() < keep) {
      top.push_back(c);
      std::push_heap(top.begin(), top.end(), weaker);
    } else if (keep > 0 && c.score > top.front().score) {
      std::pop_heap(top.begin(), top.end(), weaker);
      top.back() = c;
      std::push_heap(top.begin(), top.end(), weaker);
    }
  }
  if (!entered) {
    if (best.record) return {{best.record, std::max(0.01f, best.score)}};
    return {};
  }
  keepBest(top, keep);
  return top;
}

}  // namespace vn
