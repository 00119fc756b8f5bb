#include "build/term_memo.h"

#include <algorithm>

namespace vn {
namespace {

bool sameWord(const TermMatchMemo::Entry& e, const PreparedTerm& term) {
  return e.openStart == term.openStart && e.openEnd == term.openEnd && e.word == term.word;
}

}  // namespace

std::shared_ptr<const TermMatches> recallMatches(TermMatchMemo& memo, uint64_t listIdentity, size_t listSize,
                                                 const PreparedTerm& term) {
  for (auto& e : memo.entries)
    if (e.listIdentity == listIdentity && e.listSize == listSize && sameWord(e, term)) {
      e.lastUse = ++memo.clock;
      return e.matches;
    }
  return nullptr;
}

void rememberMatches(TermMatchMemo& memo, uint64_t listIdentity, const PreparedTerm& term,
                     std::shared_ptr<const TermMatches> matches) {
  const size_t size = matches->size();
  if (size > memo.maxBytes) return;
  while (memo.bytes + size > memo.maxBytes) {
    const auto oldest = std::min_element(memo.entries.begin(), memo.entries.end(),
                                         [](const auto& a, const auto& b) { return a.lastUse < b.lastUse; });
    memo.bytes -= oldest->listSize;
    memo.entries.erase(oldest);
  }
  memo.entries.push_back({listIdentity, size, term.word, term.openStart, term.openEnd, ++memo.clock, std::move(matches)});
  memo.bytes += size;
}

}  // namespace vn
