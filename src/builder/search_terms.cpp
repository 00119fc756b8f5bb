#include "builder/search_terms.h"

namespace vn {
namespace {

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
bool isLetter(char c) {
  c = lower(c);
  return c >= 'a' && c <= 'z';
}
bool isSeparator(char c) { return c == ' ' || c == '\t' || c == ',' || c == ';'; }

uint64_t characterBit(char c) {
  const auto u = static_cast<unsigned char>(lower(c));
  if (u >= 'a' && u <= 'z') return uint64_t{1} << (u - 'a');
  if (u >= '0' && u <= '9') return uint64_t{1} << (26 + u - '0');
  return uint64_t{1} << (36 + u % 28);
}

void foldInto(std::string_view text, FoldedText& out) {
  out.text.resize(text.size());
  out.chars = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    out.text[i] = lower(text[i]);
    out.chars |= characterBit(text[i]);
  }
}

bool occursIn(const FoldedText& folded, const PreparedTerm& p) {
  const size_t n = p.word.size();
  if (n < 2 || (p.chars & ~folded.chars) != 0) return false;
  const std::string_view text = folded.text;
  for (size_t at = text.find(p.word); at != std::string_view::npos; at = text.find(p.word, at + 1)) {
    if (!p.openStart && at > 0 && isLetter(text[at - 1])) continue;
    if (!p.openEnd && at + n < text.size() && isLetter(text[at + n])) continue;
    return true;
  }
  return false;
}

}  // namespace

std::vector<SearchTerm> parseSearchTerms(std::string_view keywords) {
  std::vector<SearchTerm> terms;
  size_t i = 0;
  while (i < keywords.size()) {
    while (i < keywords.size() && isSeparator(keywords[i])) ++i;
    size_t end = i;
    while (end < keywords.size() && !isSeparator(keywords[end])) ++end;
    std::string_view token = keywords.substr(i, end - i);
    i = end;
    if (token.empty()) continue;
    SearchTerm term;
    if (token.size() >= 2 && token.front() == '+') {
      term.mode = TermMode::Required;
      token.remove_prefix(1);
    } else if (token.size() >= 2 && token.front() == '-') {
      term.mode = TermMode::Excluded;
      token.remove_prefix(1);
    }
    if (token.size() < 2) continue;
    term.text = std::string(token);
    terms.push_back(std::move(term));
  }
  return terms;
}

uint64_t characterMask(std::string_view text) {
  uint64_t mask = 0;
  for (char c : text) mask |= characterBit(c);
  return mask;
}

PreparedTerm prepareTerm(const SearchTerm& term) {
  PreparedTerm p;
  p.mode = term.mode;
  std::string_view text = term.text;
  if (!text.empty() && text.front() == '*') {
    p.openStart = true;
    text.remove_prefix(1);
  }
  if (!text.empty() && text.back() == '*') {
    p.openEnd = true;
    text.remove_suffix(1);
  }
  p.word.reserve(text.size());
  for (char c : text) p.word.push_back(lower(c));
  p.chars = characterMask(p.word);
  return p;
}

std::vector<PreparedTerm> prepareTerms(std::span<const SearchTerm> terms) {
  std::vector<PreparedTerm> prepared;
  prepared.reserve(terms.size());
  for (const auto& t : terms) prepared.push_back(prepareTerm(t));
  return prepared;
}

void foldRecord(const LibraryRecord& record, FoldedRecord& out) {
  foldInto(record.name, out.name);
  foldInto(record.path, out.path);
  foldInto(record.description, out.description);
  foldInto(record.keywords, out.keywords);
}

int matchTerm(const LibraryRecord& record, const SearchTerm& term) {
  FoldedRecord folded;
  foldRecord(record, folded);
  return matchFolded(folded, prepareTerm(term));
}

int matchFolded(const FoldedRecord& record, const PreparedTerm& p) {
  if (p.word.size() < 2) return 0;
  if (occursIn(record.name, p)) return 3;
  if (occursIn(record.path, p) || occursIn(record.description, p)) return 2;
  if (occursIn(record.keywords, p)) return 2;
  return 0;
}

std::string termSetKey(std::span<const SearchTerm> terms) {
  std::string key;
  for (const auto& t : terms) {
    key.push_back(static_cast<char>('0' + static_cast<int>(t.mode)));
    key += t.text;
    key.push_back('\n');
  }
  return key;
}

}  // namespace vn
