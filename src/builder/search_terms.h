#pragma once
// The event's search words: parsing the keywords text and matching one word
// against a library record.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "library/library.h"

namespace vn {

enum class TermMode : int { Plain = 0, Required = 1, Excluded = 2 };

struct SearchTerm {
  std::string text;  // without its "+" or "-"; "*" wildcards are kept
  TermMode mode = TermMode::Plain;
};

// Splits at spaces, tabs, commas and semicolons; "+word" is required, "-word"
// excluded. Words shorter than two characters are dropped: they can never match.
std::vector<SearchTerm> parseSearchTerms(std::string_view keywords);

// 3 when the record's name matches, 2 when its path, description or keywords
// match, else 0.
int matchTerm(const LibraryRecord& record, const SearchTerm& term);

// A term made ready for matching many records: lower-cased, its "*" wildcards
// stripped and remembered.
struct PreparedTerm {
  std::string word;
  bool openStart = false;  // "*" before: may sit inside a longer word
  bool openEnd = false;    // "*" after
  TermMode mode = TermMode::Plain;
  uint64_t chars = 0;      // characterMask of word
};
PreparedTerm prepareTerm(const SearchTerm& term);
std::vector<PreparedTerm> prepareTerms(std::span<const SearchTerm> terms);

// One bit per letter and digit, the other characters sharing the remaining
// bits: a text whose mask lacks a bit of a word's mask cannot contain the word,
// so most texts are passed over without a search.
uint64_t characterMask(std::string_view text);

// A lower-cased text with the mask of its characters.
struct FoldedText {
  std::string text;
  uint64_t chars = 0;
};

// The searchable texts of a record, lower-cased once for all of a term set.
struct FoldedRecord {
  FoldedText name, path, description, keywords;
};
// Fills out, reusing its buffers.
void foldRecord(const LibraryRecord& record, FoldedRecord& out);
int matchFolded(const FoldedRecord& record, const PreparedTerm& term);

// One text for a term set, so that a cache can tell two sets apart.
std::string termSetKey(std::span<const SearchTerm> terms);

}  // namespace vn
