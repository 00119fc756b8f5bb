#pragma once
// Keyword scores for a whole candidate list at once, kept while the term set and
// the list stay the same. Large lists are scored on several threads.
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "builder/candidates.h"
#include "builder/search_terms.h"
#include "builder/term_memo.h"

namespace vn {

// Lists this long or longer are split across worker threads.
constexpr size_t kParallelKeywordThreshold = 4000;
constexpr unsigned kMaxKeywordThreads = 16;

// One K per candidate (-1 = rejected). maxThreads 0 = as many as the hardware
// offers (at most 16); the work is split only for lists of the threshold or longer.
// memo: each word's results over the list are taken from it when it has them
// and kept in it otherwise.
std::vector<float> computeKeywordScores(const CandidateList& candidates, std::span<const SearchTerm> terms,
                                        unsigned maxThreads = 0, TermMatchMemo* memo = nullptr);

class KeywordScoreCache {
 public:
  // The scores for this term set and list, computed when either changed since
  // the last call. Safe to call from several threads.
  std::shared_ptr<const std::vector<float>> scores(const CandidateList& candidates,
                                                   std::span<const SearchTerm> terms);
  // How many times the scores had to be computed (for tests and diagnostics).
  int computations() const;

 private:
  mutable std::mutex mutex_;
  std::string termsKey_;
  uint64_t listIdentity_ = 0;
  size_t listSize_ = 0;
  std::weak_ptr<const FoldedTexts> listTexts_;  // the scores hold for these texts only
  std::shared_ptr<const std::vector<float>> scores_;
  int computations_ = 0;
  TermMatchMemo memo_;
};

}  // namespace vn
