#include "library/library_summary.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "library/categories.h"
#include "platform/log.h"

namespace vn {
namespace {

constexpr std::array<const char*, 5> kBandNames{"sub-heavy", "low-end", "mid-range", "bright", "airy"};
constexpr size_t kMostTopWords = 6;

const std::set<std::string>& StopWords() {
  static const std::set<std::string> words{
      "the",  "and",   "for",    "with",  "from", "out",    "off",      "this",      "that",    "designed", "misc",
      "wav",  "aiff",  "aif",    "flac",  "mono", "stereo", "mix",      "final",     "take",    "master",   "edit",
      "boom", "sfx",   "fx",     "into",  "over", "are",    "was",      "its",       "one",     "two",      "version",
      "alt",  "sound", "sounds", "audio", "file", "files",  "recorded", "recording", "various", "track"};
  return words;
}

std::string CountText(size_t count) {
  const unsigned long long n = count;
  if (n >= 1000000) return format("%llu,%03llu,%03llu", n / 1000000, n / 1000 % 1000, n % 1000);
  if (n >= 1000) return format("%llu,%03llu", n / 1000, n % 1000);
  return format("%llu", n);
}

std::string SpectralCharacter(const std::vector<LibraryRecord>& records) {
  std::array<double, 5> mean{};
  for (const LibraryRecord& r : records) {
    for (size_t b = 0; b < 5; ++b) mean[b] += r.bandShare[b];
  }
  const double largest = *std::max_element(mean.begin(), mean.end());
  if (largest <= 0.0) return {};
  for (double& m : mean) m /= largest;
  if (*std::min_element(mean.begin(), mean.end()) > 0.7) return ", balanced";
  const size_t top = static_cast<size_t>(std::max_element(mean.begin(), mean.end()) - mean.begin());
  std::string text = std::string(", ") + kBandNames[top];
  for (size_t b = 0; b < 5; ++b) {
    const bool neighbour = b + 1 == top || b == top + 1;
    if (b != top && !neighbour && mean[b] > 0.6) return text + " and " + kBandNames[b];
  }
  return text;
}

std::string LengthCharacter(const std::vector<LibraryRecord>& records) {
  struct Kind {
    const char* word;
    size_t count;
  };
  std::array<Kind, 3> kinds{{{"transient", 0}, {"medium", 0}, {"sustained", 0}}};
  for (const LibraryRecord& r : records) {
    const size_t kind = r.duration < 0.5f ? 0 : r.duration >= 3.0f ? 2 : 1;
    ++kinds[kind].count;
  }
  std::stable_sort(kinds.begin(), kinds.end(), [](const Kind& a, const Kind& b) { return a.count > b.count; });
  if (kinds[0].count == 0) return {};
  const double total = static_cast<double>(records.size());
  std::string text = ", ";
  if (kinds[0].count > 0.65 * total) text += "mostly ";
  text += kinds[0].word;
  if (kinds[1].count > 0.25 * total) text += std::string(", ") + kinds[1].word;
  return text;
}

// Runs of letters, cut again where a lower-case letter meets a capital
// ("MetalHit_02" gives "metal" and "hit"), lower-cased; stop words and words
// shorter than three letters are left out.
void AddWords(std::string_view text, std::vector<std::string>& words) {
  std::string word;
  auto flush = [&] {
    if (word.size() >= 3 && !StopWords().count(word)) words.push_back(word);
    word.clear();
  };
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (!std::isalpha(c)) {
      flush();
      continue;
    }
    if (std::isupper(c) && i > 0 && std::islower(static_cast<unsigned char>(text[i - 1]))) flush();
    word += static_cast<char>(std::tolower(c));
  }
  flush();
}

// The category row of every CatID prefix met so far: a library holds few distinct
// prefixes, and the table is searched row by row.
using PrefixRows = std::unordered_map<std::string, const CategoryRow*>;

// A file's distinct words: its name (a CatID prefix counts as its category's words)
// and its description.
void WordsOfRecord(const LibraryRecord& r, PrefixRows& prefixRows, std::vector<std::string>& words) {
  words.clear();
  const size_t cut = r.name.find_first_of("_ -.");
  std::string_view rest = r.name;
  const std::string prefix = r.name.substr(0, cut);
  auto known = prefixRows.find(prefix);
  if (known == prefixRows.end()) known = prefixRows.emplace(prefix, LookupCategoryById(prefix)).first;
  if (const CategoryRow* row = known->second) {
    AddWords(row->category + " " + row->subcategory, words);
    rest = cut == std::string::npos ? std::string_view() : rest.substr(cut);
  }
  AddWords(rest, words);
  AddWords(r.description, words);
  std::sort(words.begin(), words.end());
  words.erase(std::unique(words.begin(), words.end()), words.end());
}

std::string TopWords(const std::vector<LibraryRecord>& records) {
  std::map<std::string, size_t> counts;
  PrefixRows prefixRows;
  std::vector<std::string> words;
  for (const LibraryRecord& r : records) {
    WordsOfRecord(r, prefixRows, words);
    for (const std::string& word : words) ++counts[word];
  }
  const size_t needed = std::max<size_t>(2, records.size() / 50);
  std::vector<std::pair<std::string, size_t>> frequent;
  for (const auto& [word, count] : counts) {
    if (count >= needed) frequent.emplace_back(word, count);
  }
  std::stable_sort(frequent.begin(), frequent.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
  std::string text;
  for (size_t i = 0; i < frequent.size() && i < kMostTopWords; ++i) {
    std::string word = frequent[i].first;
    word[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(word[0])));
    if (!text.empty()) text += ", ";
    text += word;
  }
  return text;
}

}  // namespace

void SummariseLibrary(Library& library) {
  const std::vector<LibraryRecord>& records = library.records;
  library.topWords = TopWords(records);
  library.summary = CountText(records.size()) + " files" + SpectralCharacter(records) + LengthCharacter(records);
  if (!library.topWords.empty()) library.summary += ", " + library.topWords;
}

}  // namespace vn
