// The one-line character of a Library.
#include "library/library_summary.h"

#include <gtest/gtest.h>

namespace vn {
namespace {

LibraryRecord Record(const std::string& name, float seconds, std::array<float, 5> bands) {
  LibraryRecord r;
  r.name = name;
  r.path = "/sfx/" + name + ".wav";
  r.duration = seconds;
  r.bandShare = bands;
  return r;
}

TEST(LibrarySummary, CountsSpectrumLengthsAndWords) {
  Library library;
  for (int i = 0; i < 7; ++i)
    library.records.push_back(Record("DOORWood_Slam_Heavy_Final", 0.3f, {1, 0.9f, 0.2f, 0.7f, 0.2f}));
  for (int i = 0; i < 3; ++i) library.records.push_back(Record("MetalHit_Mono", 1.0f, {1, 0.9f, 0.2f, 0.7f, 0.2f}));
  SummariseLibrary(library);
  // The 150-750 Hz band is next to the strongest; 2-6 kHz is not.
  // The CatID stands for its category and subcategory; "final" and "mono" are not words worth showing.
  EXPECT_EQ(library.topWords, "Doors, Heavy, Slam, Wood, Hit, Metal");
  EXPECT_EQ(library.summary, "10 files, sub-heavy and bright, mostly transient, medium, " + library.topWords);

  Library even;
  for (int i = 0; i < 4; ++i)
    even.records.push_back(Record("a" + std::to_string(i), 5.0f, {0.8f, 1, 0.9f, 0.75f, 0.8f}));
  even.records.push_back(Record("b", 1.0f, {0.8f, 1, 0.9f, 0.75f, 0.8f}));
  SummariseLibrary(even);
  EXPECT_EQ(even.summary, "5 files, balanced, mostly sustained");  // 20 % medium is not worth a mention

  Library big;
  big.records.assign(1234, Record("x", 1.0f, {0, 0, 1, 0, 0}));
  SummariseLibrary(big);
  EXPECT_EQ(big.summary, "1,234 files, mid-range, mostly medium");  // "x" is too short to count as a word

  Library empty;
  SummariseLibrary(empty);
  EXPECT_EQ(empty.summary, "0 files");
  EXPECT_EQ(empty.topWords, "");
}

TEST(LibrarySummary, FrequentWordsNeedEnoughFiles) {
  Library library;
  for (int i = 0; i < 200; ++i) {
    // "rare" is in 3 files: below the 200/50 = 4 needed. "common" in all, "some" in 4.
    LibraryRecord r = Record("Common_" +
                                 std::string(i < 3   ? "Rare"
                                             : i < 7 ? "Some"
                                                     : "Plain") +
                                 "_Take",
                             1.0f, {1, 1, 1, 1, 1});
    library.records.push_back(r);
  }
  SummariseLibrary(library);
  EXPECT_EQ(library.topWords, "Common, Plain, Some");
  EXPECT_EQ(library.summary, "200 files, balanced, mostly medium, Common, Plain, Some");
}

}  // namespace
}  // namespace vn
