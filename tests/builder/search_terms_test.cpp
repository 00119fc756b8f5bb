#include <gtest/gtest.h>

#include "builder/search_terms.h"
#include "build_fixtures.h"

namespace vn {
namespace {

TEST(SearchTerms, ParsesModesAndSeparators) {
  const auto terms = parseSearchTerms("glass +break -metal");
  ASSERT_EQ(terms.size(), 3u);
  EXPECT_EQ(terms[0].text, "glass");
  EXPECT_EQ(terms[0].mode, TermMode::Plain);
  EXPECT_EQ(terms[1].text, "break");
  EXPECT_EQ(terms[1].mode, TermMode::Required);
  EXPECT_EQ(terms[2].text, "metal");
  EXPECT_EQ(terms[2].mode, TermMode::Excluded);

  // Commas, semicolons and tabs separate too; one-letter words and a bare sign go.
  const auto mixed = parseSearchTerms("door,\tslam;; a + -x wood*");
  ASSERT_EQ(mixed.size(), 3u);
  EXPECT_EQ(mixed[0].text, "door");
  EXPECT_EQ(mixed[1].text, "slam");
  EXPECT_EQ(mixed[2].text, "wood*");
  EXPECT_TRUE(parseSearchTerms("  ,; ").empty());
}

TEST(SearchTerms, MatchesWholeWordsUnlessWildcarded) {
  LibraryRecord r = test::referenceRecord("Glassy_Break");
  r.path = "/fx/impacts/Glassy_Break.wav";
  EXPECT_EQ(matchTerm(r, {"glass", TermMode::Plain}), 0);
  EXPECT_EQ(matchTerm(r, {"GLASS*", TermMode::Plain}), 3);
  EXPECT_EQ(matchTerm(r, {"*lass*", TermMode::Plain}), 3);
  EXPECT_EQ(matchTerm(r, {"*lass", TermMode::Plain}), 0);  // "y" follows inside the word
  EXPECT_EQ(matchTerm(r, {"break", TermMode::Plain}), 3);
  EXPECT_EQ(matchTerm(r, {"b", TermMode::Plain}), 0);
  EXPECT_EQ(matchTerm(r, {"*b*", TermMode::Plain}), 0);  // one letter after stripping

  // Path, description and keywords count 2; the name wins with 3.
  EXPECT_EQ(matchTerm(r, {"impacts", TermMode::Plain}), 2);
  r.description = "Window pane shatters";
  r.keywords = "debris shards";
  EXPECT_EQ(matchTerm(r, {"pane", TermMode::Plain}), 2);
  EXPECT_EQ(matchTerm(r, {"shards", TermMode::Plain}), 2);
  EXPECT_EQ(matchTerm(r, {"window", TermMode::Plain}), 2);
  r.name = "Window_01";
  EXPECT_EQ(matchTerm(r, {"window", TermMode::Plain}), 3);
  // Digits are not letters: "01" sits between "_" and the end.
  EXPECT_EQ(matchTerm(r, {"01", TermMode::Plain}), 3);
  EXPECT_EQ(matchTerm(r, {"02", TermMode::Plain}), 0);
  // Punctuation inside a word is looked for as it stands.
  r.path = "/fx/Glass-Pane (Take 2).wav";
  EXPECT_EQ(matchTerm(r, {"glass-pane", TermMode::Plain}), 2);
  EXPECT_EQ(matchTerm(r, {"*(take*", TermMode::Plain}), 2);
  EXPECT_EQ(matchTerm(r, {"glass_pane", TermMode::Plain}), 0);
}

}  // namespace
}  // namespace vn
