#include "builder/term_memo.h"

#include <algorithm>

namespace vn {
namespace {

bool sameWord(const TermMatchMemo::Entry& e, const PreparedTerm& term) {
  return e.openStart == term.openStart && e.openEnd == term.openEnd && e.word == term.word;
}

}  // namespace

std::shared_ptr<const TermMatches> recallMatches(TermMatchMemo& memo, const CandidateList& list,
                                                 const PreparedTerm& term) {
  for (auto& e : memo.entries)
    if (sameFoldedTexts(e.texts, list) && sameWord(e, term)) {
      e.lastUse = ++memo.clock;
      return e.matches;
    }
  return nullptr;
}

void rememberMatches(TermMatchMemo& memo, const CandidateList& list, const PreparedTerm& term,
                     std::shared_ptr<const TermMatches> matches) {
  const size_t size = matches->size();
  if (size > memo.maxBytes || !list.folded) return;
  while (memo.bytes + size > memo.maxBytes) {
    const auto oldest = std::min_element(memo.entries.begin(), memo.entries.end(),
                                         [](const auto& a, const auto& b) { return a.lastUse < b.lastUse; });
    memo.bytes -= oldest->matches->size();
    memo.entries.erase(oldest);
  }
  memo.entries.push_back({list.folded, term.word, term.openStart, term.openEnd, ++memo.clock, std::move(matches)});
  memo.bytes += size;
}

}  // namespace vn
