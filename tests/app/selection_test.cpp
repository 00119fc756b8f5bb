#include <gtest/gtest.h>

#include "app/selection.h"

namespace vn {
namespace {

TEST(Selection, ToggleAndClampKeepThePrimaryAmongTheSelected) {
  Selection s;
  selectOnly(s, 4);
  toggleSelected(s, 2);
  toggleSelected(s, 7);
  EXPECT_EQ(s.events, (std::set<int>{2, 4, 7}));
  EXPECT_EQ(s.primary, 7) << "the last one added is the one the inspector shows";
  toggleSelected(s, 7);
  EXPECT_EQ(s.events, (std::set<int>{2, 4}));
  EXPECT_EQ(s.primary, 2);
  toggleSelected(s, 4);  // not the primary: the primary stays
  EXPECT_EQ(s.primary, 2);
  toggleSelected(s, 2);
  EXPECT_TRUE(s.events.empty());
  EXPECT_EQ(s.primary, -1);

  // Events 3 and beyond went away (undo, delete).
  s.events = {1, 3, 5};
  s.primary = 5;
  clampSelection(s, 3);
  EXPECT_EQ(s.events, (std::set<int>{1}));
  EXPECT_EQ(s.primary, 1);
  s.primary = 1;
  clampSelection(s, 3);
  EXPECT_EQ(s.primary, 1);
  clampSelection(s, 0);
  EXPECT_TRUE(s.events.empty());
  EXPECT_EQ(s.primary, -1);
  selectOnly(s, -1);
  EXPECT_TRUE(s.events.empty());
}

}  // namespace
}  // namespace vn
