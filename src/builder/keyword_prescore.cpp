#include "builder/keyword_prescore.h"

#include <algorithm>
#include <thread>

#include "builder/scoring.h"

namespace vn {
namespace {

// One term's results: remembered ones are read, fresh ones are filled here.
struct TermColumn {
  std::shared_ptr<const TermMatches> known;
  std::shared_ptr<TermMatches> fresh;
  const uint8_t* data() const { return known ? known->data() : fresh->data(); }
};

// Fills the fresh columns for candidates begin..end, then combines every
// column into K. texts: the list's folded texts (one per candidate).
void scoreRange(const std::vector<FoldedRecord>& texts, const std::vector<PreparedTerm>& terms,
                const std::vector<TermColumn>& columns, size_t begin, size_t end, std::vector<float>& out) {
  for (size_t t = 0; t < terms.size(); ++t)
    if (columns[t].fresh)
      for (size_t i = begin; i < end; ++i) (*columns[t].fresh)[i] = static_cast<uint8_t>(matchFolded(texts[i], terms[t]));
  std::vector<uint8_t> matches(terms.size());
  for (size_t i = begin; i < end; ++i) {
    for (size_t t = 0; t < terms.size(); ++t) matches[t] = columns[t].data()[i];
    out[i] = keywordFromMatches(terms, matches);
  }
}

}  // namespace

std::vector<float> computeKeywordScores(const CandidateList& candidates, std::span<const SearchTerm> terms,
                                        unsigned maxThreads, TermMatchMemo* memo) {
  const auto prepared = prepareTerms(terms);
  const size_t n = candidates.size();
  std::vector<float> out(n, 0.0f);
  const std::vector<FoldedRecord>& texts = foldedTexts(candidates);
  std::vector<TermColumn> columns(prepared.size());
  for (size_t t = 0; t < prepared.size(); ++t) {
    if (memo) columns[t].known = recallMatches(*memo, candidates, prepared[t]);
    if (!columns[t].known) columns[t].fresh = std::make_shared<TermMatches>(n);
  }
  unsigned threads = maxThreads ? maxThreads : std::max(1u, std::thread::hardware_concurrency());
  threads = std::min(threads, kMaxKeywordThreads);
  if (n < kParallelKeywordThreshold || threads <= 1) {
    scoreRange(texts, prepared, columns, 0, n, out);
  } else {
    // Each worker writes its own slice of out and of the fresh columns, so no
    // locking is needed.
    std::vector<std::thread> workers;
    const size_t chunk = (n + threads - 1) / threads;
    for (unsigned t = 1; t < threads; ++t) {
      const size_t begin = std::min(n, t * chunk), end = std::min(n, begin + chunk);
      if (begin < end)
        workers.emplace_back(scoreRange, std::cref(texts), std::cref(prepared), std::cref(columns), begin, end,
                             std::ref(out));
    }
    scoreRange(texts, prepared, columns, 0, std::min(n, chunk), out);
    for (auto& w : workers) w.join();
  }
  if (memo)
    for (size_t t = 0; t < prepared.size(); ++t)
      if (columns[t].fresh) rememberMatches(*memo, candidates, prepared[t], std::move(columns[t].fresh));
  return out;
}

std::shared_ptr<const std::vector<float>> KeywordScoreCache::scores(const CandidateList& candidates,
                                                                    std::span<const SearchTerm> terms) {
  const std::string key = termSetKey(terms);
  std::lock_guard<std::mutex> lock(mutex_);
  if (scores_ && key == termsKey_ && candidates.identity == listIdentity_ && candidates.size() == listSize_ &&
      sameFoldedTexts(listTexts_, candidates))
    return scores_;
  scores_ = std::make_shared<const std::vector<float>>(computeKeywordScores(candidates, terms, 0, &memo_));
  termsKey_ = key;
  listIdentity_ = candidates.identity;
  listSize_ = candidates.size();
  listTexts_ = candidates.folded;
  ++computations_;
  return scores_;
}

int KeywordScoreCache::computations() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return computations_;
}

}  // namespace vn
