// The compiled category table, the word classifier and the names of designed sounds.
#include <gtest/gtest.h>

#include <set>

#include "library/categories.h"

namespace vn {
namespace {

TEST(CategoryTable, KeepsEveryRowInTableOrderAndFindsIdsIgnoringCase) {
  const auto& table = CategoryTable();
  ASSERT_EQ(table.size(), 753u);
  EXPECT_EQ(table.front().catId, "AIRBlow");
  EXPECT_EQ(table.back().catId, "WOODTonl");
  std::set<std::string> codes;
  for (const CategoryRow& row : table) {
    codes.insert(row.code);
    EXPECT_EQ(row.catId.rfind(row.code, 0), 0u) << row.catId;
  }
  EXPECT_EQ(codes.size(), 100u);

  const CategoryRow* blow = LookupCategoryById("airblow");
  ASSERT_NE(blow, nullptr);
  EXPECT_EQ(blow->catId, "AIRBlow");
  EXPECT_EQ(blow->category, "air");
  const CategoryRow* dirt = LookupCategoryById("DIRTCRSH");
  ASSERT_NE(dirt, nullptr);
  EXPECT_EQ(dirt->categoryWords, (std::vector<std::string>{"dirt", "sand"}));
  ASSERT_NE(LookupCategoryById("adr"), nullptr);
  EXPECT_EQ(LookupCategoryById("IR"), nullptr);  // ids shorter than three never match
  EXPECT_EQ(LookupCategoryById("AIRBlowing"), nullptr);
  EXPECT_EQ(LookupCategoryById(""), nullptr);

  if (!CategoryTableIsComplete()) GTEST_SKIP() << "built with the bare category list";
  EXPECT_EQ(blow->subcategory, "blow");
  EXPECT_EQ(LookupCategoryById("DSGNMisc")->synonyms, "|designed|misc|miscellaneous|");
}

TEST(CategoryTable, WordMatchAllowsOnlyPluralEndings) {
  EXPECT_TRUE(CategoryWordsMatch("door", "doors"));
  EXPECT_TRUE(CategoryWordsMatch("glasses", "glass"));
  EXPECT_TRUE(CategoryWordsMatch("ox", "ox"));
  EXPECT_FALSE(CategoryWordsMatch("ox", "oxes"));  // the shorter needs three characters
  EXPECT_FALSE(CategoryWordsMatch("door", "doorway"));
  EXPECT_FALSE(CategoryWordsMatch("door", "doorss"));
  EXPECT_EQ(SplitCategoryWords("Food & Drink/2go"), (std::vector<std::string>{"food", "drink", "2go"}));
}

TEST(ClassifyWords, PicksAUniqueCodeWithEnoughScore) {
  CategoryMatch door = ClassifyWords({"Door"});
  EXPECT_TRUE(door.matched);
  EXPECT_EQ(door.catId, "DOORAntq");  // first DOOR row; AERODoor only scores 3
  EXPECT_EQ(door.code, "DOOR");
  EXPECT_EQ(door.score, 6);
  EXPECT_EQ(door.margin, 0);

  CategoryMatch dropped = ClassifyWords({"take01", "mono", "x", "THE"});
  EXPECT_FALSE(dropped.matched);
  EXPECT_EQ(dropped.catId, "DSGNMisc");
  EXPECT_EQ(dropped.score, 0);

  if (!CategoryTableIsComplete()) GTEST_SKIP() << "built with the bare category list";
  CategoryMatch glass = ClassifyWords({"glass", "break"});
  EXPECT_EQ(glass.catId, "GLASBrk");
  EXPECT_EQ(glass.subcategory, "break");
  EXPECT_EQ(glass.score, 9);
  EXPECT_EQ(glass.margin, 3);

  CategoryMatch metalDoor = ClassifyWords({"metal", "door", "slam"});
  EXPECT_EQ(metalDoor.catId, "DOORMetl");
  EXPECT_EQ(metalDoor.score, 9);
  EXPECT_EQ(metalDoor.margin, 2);

  // Subcategory "impact" in many codes: no unique winner.
  CategoryMatch impact = ClassifyWords({"impact"});
  EXPECT_FALSE(impact.matched);
  EXPECT_EQ(impact.catId, "DSGNMisc");
  // A lone synonym hit never reaches 3.
  EXPECT_FALSE(ClassifyWords({"aerate"}).matched);
}

TEST(CoarseNaming, FamiliesScoreOverlapsAndNamesFollowTheirPattern) {
  EXPECT_EQ(CoarseFamilies().size(), 15u);
  EXPECT_EQ(ClassifyCoarse({{"gunshot", NamingKind::Strong}}), "GUN");
  EXPECT_EQ(ClassifyCoarse({}), "DSGNMisc");
  EXPECT_EQ(ClassifyCoarse({{"zzz", NamingKind::Ordinary}}), "DSGNMisc");
  EXPECT_EQ(ClassifyCoarse({{"gunshot", NamingKind::Ignore}}), "DSGNMisc");
  // "glass" is a CRASH keyword and "drip" a WATR one: equal scores keep the earlier row.
  EXPECT_EQ(ClassifyCoarse({{"glass", NamingKind::Ordinary}, {"drip", NamingKind::Ordinary}}), "CRASH");
  // A strong item outweighs an ordinary one.
  EXPECT_EQ(ClassifyCoarse({{"glass", NamingKind::Ordinary}, {"drip", NamingKind::Strong}}), "WATR");
  // Short items match inside longer keywords ("bom" in "bomb", "boom").
  EXPECT_EQ(ClassifyCoarse({{"BOM", NamingKind::Ordinary}}), "EXPL");

  EXPECT_EQ(MakeDesignedName({{"door", NamingKind::Ordinary}, {"slam", NamingKind::Ordinary}}, "", "", 0),
            "HIT_Door Slam Designed_01");
  // Ignored items neither name nor classify: the family falls back to DSGNMisc.
  EXPECT_EQ(MakeDesignedName({{"x", NamingKind::Ignore}}, "__whoosh_long.wav", "Long tail", 9),
            "DSGNMisc_whoosh Long Designed_10");
  EXPECT_EQ(MakeDesignedName({}, "", "Sound", 99), "DSGNMisc_Sound Designed_100");
  EXPECT_EQ(MakeDesignedName({{"fire", NamingKind::Strong}}, "ignored", "Fire", 1), "FIRE_Fire Designed_02");
}

}  // namespace
}  // namespace vn
