#include <algorithm>
#include <map>
#include <string>

#include "library/ascii_case.h"
#include "library/categories.h"
#include "library/category_table_data.h"

namespace vn {
namespace {

std::vector<CategoryRow> parseTable() {
  std::string_view text(reinterpret_cast<const char*>(kCategoryTableBytes), kCategoryTableSize);
  std::vector<CategoryRow> rows;
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == '#') continue;
    std::string fields[5];
    for (std::string& field : fields) {
      size_t tab = line.find('\t');
      field = std::string(line.substr(0, tab));
      line.remove_prefix(tab == std::string_view::npos ? line.size() : tab + 1);
    }
    CategoryRow row{fields[0], fields[1], fields[2], fields[3], fields[4], {}, {}};
    row.categoryWords = SplitCategoryWords(row.category);
    row.subcategoryWords = SplitCategoryWords(row.subcategory);
    rows.push_back(std::move(row));
  }
  return rows;
}

bool isStopWord(const std::string& word) {
  static const char* const kStopWords[] = {
      "loop",   "lp",     "st",     "mono",     "stereo", "mix",    "final", "take",  "takes", "edit",
      "master", "wav",    "aiff",   "aif",      "flac",   "seamless", "bounce", "render", "export", "sfx",
      "fx",     "sound",  "sounds", "audio",    "the",    "and",    "layer", "comp",  "raw",   "designed",
      "design"};
  return std::find(std::begin(kStopWords), std::end(kStopWords), word) != std::end(kStopWords);
}

bool matchesAny(const std::string& word, const std::vector<std::string>& tableWords) {
  return std::any_of(tableWords.begin(), tableWords.end(),
                     [&](const std::string& t) { return CategoryWordsMatch(word, t); });
}

int wordScore(const std::string& word, const CategoryRow& row) {
  if (matchesAny(word, row.categoryWords)) return 6;
  if (matchesAny(word, row.subcategoryWords)) return 3;
  if (row.synonyms.find("|" + word + "|") != std::string::npos) return 1;
  return 0;
}

std::vector<std::string> prepareQuery(const std::vector<std::string>& words) {
  std::vector<std::string> query;
  for (const std::string& raw : words) {
    std::string word = LowerAsciiCopy(raw);
    if (word.size() < 2 || isStopWord(word)) continue;
    if (std::any_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; })) continue;
    query.push_back(std::move(word));
  }
  return query;
}

}  // namespace

const std::vector<CategoryRow>& CategoryTable() {
  static const std::vector<CategoryRow> rows = parseTable();
  return rows;
}

bool CategoryTableIsComplete() { return kCategoryTableComplete; }

const CategoryRow* LookupCategoryById(std::string_view id) {
  if (id.size() < 3) return nullptr;
  for (const CategoryRow& row : CategoryTable()) {
    if (row.catId.size() != id.size()) continue;
    if (std::equal(id.begin(), id.end(), row.catId.begin(),
                   [](char a, char b) { return LowerAscii(a) == LowerAscii(b); }))
      return &row;
  }
  return nullptr;
}

bool CategoryWordsMatch(std::string_view a, std::string_view b) {
  if (a == b) return true;
  std::string_view shorter = a.size() < b.size() ? a : b;
  std::string_view longer = a.size() < b.size() ? b : a;
  if (shorter.size() < 3 || longer.substr(0, shorter.size()) != shorter) return false;
  std::string_view rest = longer.substr(shorter.size());
  return rest == "s" || rest == "es";
}

std::vector<std::string> SplitCategoryWords(std::string_view text) {
  std::vector<std::string> words;
  std::string current;
  for (char c : text) {
    bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (alnum) {
      current += LowerAscii(c);
    } else if (!current.empty()) {
      words.push_back(std::move(current));
      current.clear();
    }
  }
  if (!current.empty()) words.push_back(std::move(current));
  return words;
}

CategoryMatch ClassifyWords(const std::vector<std::string>& words) {
  CategoryMatch result;
  std::vector<std::string> query = prepareQuery(words);
  if (query.empty()) return result;

  struct CodeBest {
    int best = 0;
    int second = 0;
    const CategoryRow* row = nullptr;
  };
  std::map<std::string, CodeBest> byCode;
  for (const CategoryRow& row : CategoryTable()) {
    int score = 0;
    for (const std::string& word : query) score += wordScore(word, row);
    if (score < 1) continue;
    CodeBest& code = byCode[row.code];
    if (score > code.best) {
      code.second = code.best;
      code.best = score;
      code.row = &row;
    } else if (score > code.second) {
      code.second = score;
    }
  }

  int top = 0;
  int codesAtTop = 0;
  const CodeBest* winner = nullptr;
  for (const auto& [code, best] : byCode) {
    if (best.best > top) {
      top = best.best;
      codesAtTop = 1;
      winner = &best;
    } else if (best.best == top) {
      ++codesAtTop;
    }
  }
  if (!winner || codesAtTop != 1 || top < 3) return result;
  const CategoryRow& row = *winner->row;
  result.catId = row.catId;
  result.code = row.code;
  result.category = row.category;
  result.subcategory = row.subcategory;
  result.score = top;
  result.margin = top - winner->second;
  result.matched = true;
  return result;
}

}  // namespace vn
