#pragma once
// The category table compiled into the program, the classifier that picks the
// best category for a set of words, and the coarse families that name the
// sounds a build designs.
#include <string>
#include <string_view>
#include <vector>

namespace vn {

struct CategoryRow {
  std::string catId;        // "AIRBlow"
  std::string code;         // "AIR"
  std::string category;     // "air"
  std::string subcategory;  // "blow"
  std::string synonyms;     // "|air|blow|aerate|...|"; empty in the fallback table
  // Words of category and subcategory, prepared once for the word match.
  std::vector<std::string> categoryWords;
  std::vector<std::string> subcategoryWords;
};

// Every row in table order.
const std::vector<CategoryRow>& CategoryTable();
// False when the build fell back to the bare category list without subcategories
// and synonyms.
bool CategoryTableIsComplete();

// The first row whose CatID equals id ignoring ASCII case; null for ids shorter
// than three characters or unknown ones.
const CategoryRow* LookupCategoryById(std::string_view id);

struct CategoryMatch {
  std::string catId = "DSGNMisc";
  std::string code = "DSGN";
  std::string category = "designed";
  std::string subcategory = "misc";
  int score = 0;
  int margin = 0;
  bool matched = false;
};

// Best row for a list of words; the DSGNMisc default unless exactly one category
// code reaches the best score and it is at least 3.
CategoryMatch ClassifyWords(const std::vector<std::string>& words);

// Word match: equal, or the longer is the shorter (3+ characters) plus "s" or "es".
bool CategoryWordsMatch(std::string_view a, std::string_view b);
// Maximal runs of ASCII letters and digits, lower-cased.
std::vector<std::string> SplitCategoryWords(std::string_view text);

enum class NamingKind : int { Ordinary = 0, Strong = 1, Ignore = 2 };

struct NamingItem {
  std::string word;
  NamingKind kind = NamingKind::Ordinary;
};

struct CoarseFamily {
  const char* code;
  const char* displayName;
  std::vector<const char*> keywords;
};

// The 15 families in order.
const std::vector<CoarseFamily>& CoarseFamilies();

// The code of the best family for the items, or "DSGNMisc".
std::string ClassifyCoarse(const std::vector<NamingItem>& items);

// "HIT_Door Slam Designed_01": family code, title from the items (else the first
// word of name), the first word of extra, " Designed" and index + 1.
std::string MakeDesignedName(const std::vector<NamingItem>& items, std::string_view name,
                             std::string_view extra, int index);

}  // namespace vn
