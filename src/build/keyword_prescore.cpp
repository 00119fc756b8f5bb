#include "build/keyword_prescore.h"

#include <algorithm>
#include <thread>

#include "build/scoring.h"

namespace vn {
namespace {

// texts: the list's folded texts, or empty when the list has none.
void scoreRange(const CandidateList& candidates, const std::vector<FoldedRecord>& texts,
                const std::vector<PreparedTerm>& terms, size_t begin, size_t end, std::vector<float>& out) {
  for (size_t i = begin; i < end; ++i)
    out[i] = texts.empty() ? keywordScore(*candidates.records[i], terms) : keywordScore(texts[i], terms);
}

}  // namespace

std::vector<float> computeKeywordScores(const CandidateList& candidates, std::span<const SearchTerm> terms,
                                        unsigned maxThreads) {
  const auto prepared = prepareTerms(terms);
  const size_t n = candidates.size();
  std::vector<float> out(n, 0.0f);
  const std::vector<FoldedRecord>& texts = foldedTexts(candidates);
  unsigned threads = maxThreads ? maxThreads : std::max(1u, std::thread::hardware_concurrency());
  threads = std::min(threads, kMaxKeywordThreads);
  if (n < kParallelKeywordThreshold || threads <= 1) {
    scoreRange(candidates, texts, prepared, 0, n, out);
    return out;
  }
  // Each worker writes its own slice of out, so no locking is needed.
  std::vector<std::thread> workers;
  const size_t chunk = (n + threads - 1) / threads;
  for (unsigned t = 1; t < threads; ++t) {
    const size_t begin = std::min(n, t * chunk), end = std::min(n, begin + chunk);
    if (begin < end) workers.emplace_back(scoreRange, std::cref(candidates), std::cref(texts), std::cref(prepared), begin, end,
                           std::ref(out));
  }
  scoreRange(candidates, texts, prepared, 0, std::min(n, chunk), out);
  for (auto& w : workers) w.join();
  return out;
}

std::shared_ptr<const std::vector<float>> KeywordScoreCache::scores(const CandidateList& candidates,
                                                                    std::span<const SearchTerm> terms) {
  const std::string key = termSetKey(terms);
  std::lock_guard<std::mutex> lock(mutex_);
  if (scores_ && key == termsKey_ && candidates.identity == listIdentity_ && candidates.size() == listSize_)
    return scores_;
  scores_ = std::make_shared<const std::vector<float>>(computeKeywordScores(candidates, terms));
  termsKey_ = key;
  listIdentity_ = candidates.identity;
  listSize_ = candidates.size();
  ++computations_;
  return scores_;
}

int KeywordScoreCache::computations() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return computations_;
}

}  // namespace vn
