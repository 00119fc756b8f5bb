#pragma once
// The event's search words: parsing the keywords text and matching one word
// against a library record.
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
};
PreparedTerm prepareTerm(const SearchTerm& term);
std::vector<PreparedTerm> prepareTerms(std::span<const SearchTerm> terms);

// The searchable texts of a record, lower-cased once for all of a term set.
struct FoldedRecord {
  std::string name, path, description, keywords;
};
// Fills out, reusing its buffers.
void foldRecord(const LibraryRecord& record, FoldedRecord& out);
int matchFolded(const FoldedRecord& record, const PreparedTerm& term);

// One text for a term set, so that a cache can tell two sets apart.
std::string termSetKey(std::span<const SearchTerm> terms);

}  // namespace vn
