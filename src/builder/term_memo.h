#pragma once
// How single words matched the records of recent candidate lists. A build asks
// for a new term set at almost every event, but the sets are made of the same
// few words; with each word's results remembered, a new set costs a pass over
// small numbers instead of text searches. Results belong to the folded texts they
// were found in (sameFoldedTexts), never to an address.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "builder/candidates.h"
#include "builder/search_terms.h"

namespace vn {

// matchFolded of one word for each candidate of a list: 0, 2 or 3.
using TermMatches = std::vector<uint8_t>;

// Enough for a few hundred words over a list of 20,000 records.
constexpr size_t kTermMemoBytes = size_t{8} << 20;

// Bounded in bytes; the least recently used results go first. Not locked: its
// owner (the keyword score cache) guards it.
struct TermMatchMemo {
  struct Entry {
    std::weak_ptr<const FoldedTexts> texts;  // of the list the results were found in
    std::string word;
    bool openStart = false, openEnd = false;
    uint64_t lastUse = 0;
    std::shared_ptr<const TermMatches> matches;
  };
  std::vector<Entry> entries;
  size_t bytes = 0;
  size_t maxBytes = kTermMemoBytes;
  uint64_t clock = 0;
};

// The remembered results of the word over this very list (or a copy of it), or none.
std::shared_ptr<const TermMatches> recallMatches(TermMatchMemo& memo, const CandidateList& list,
                                                 const PreparedTerm& term);
// Remembers them, letting the least recently used go while over the bound.
void rememberMatches(TermMatchMemo& memo, const CandidateList& list, const PreparedTerm& term,
                     std::shared_ptr<const TermMatches> matches);

}  // namespace vn
