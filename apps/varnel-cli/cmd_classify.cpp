// varnel-cli classify WORD...: the category the classifier picks for a set of words.
#include <cstdio>

#include "args.h"
#include "command.h"
#include "library/categories.h"

namespace vn::cli {
namespace {

// "DOOR_Slam-Heavy.01" gives DOOR, Slam, Heavy and 01, so file names can be passed as they are.
void appendWords(const std::string& text, std::vector<std::string>& words) {
  std::string word;
  for (char c : text + " ") {
    if (c == ' ' || c == '_' || c == '-' || c == '.' || c == '\t') {
      if (!word.empty()) words.push_back(word);
      word.clear();
    } else {
      word += c;
    }
  }
}

int runClassify(const std::vector<std::string>& args);

const Command kClassify{
    "classify", "classify WORD...", "the category (CatID) that a set of words classifies as",
    "Words may be written separately or joined by \"_\", \"-\" or \".\" as in a file name.\n"
    "Prints the CatID, category, subcategory, score and margin; DSGNMisc with score 0\n"
    "when no single category wins with a score of at least 3.",
    runClassify};

int runClassify(const std::vector<std::string>& raw) {
  Args args(raw, {}, {});
  if (!args.error().empty()) return usageError(kClassify, args.error());
  if (args.positional().empty()) return usageError(kClassify, "give at least one word");
  std::vector<std::string> words;
  for (const std::string& text : args.positional()) appendWords(text, words);
  CategoryMatch match = ClassifyWords(words);
  std::printf("%s\tcategory: %s\tsubcategory: %s\tscore: %d\tmargin: %d\n", match.catId.c_str(),
              match.category.c_str(), match.subcategory.c_str(), match.score, match.margin);
  if (!CategoryTableIsComplete())
    std::fprintf(stderr, "note: this build has no category table file; only category names are known\n");
  return kExitOk;
}

const Registration kRegistration(kClassify);

}  // namespace
}  // namespace vn::cli
