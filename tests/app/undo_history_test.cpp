#include <gtest/gtest.h>

#include "app/undo_history.h"

namespace vn {
namespace {

Session withEvents(int count) {
  Session s;
  for (int i = 0; i < count; ++i) {
    Event e;
    e.time = float(i);
    s.events.push_back(e);
  }
  return s;
}

TEST(UndoHistory, StepsBackAndForwardThroughEdits) {
  UndoHistory h;
  Session s = withEvents(1);
  recordUndo(h, s, "Add");
  s.events.push_back(Event{});
  recordUndo(h, s, "Keywords");
  s.events[0].keywords = "door";

  std::string label;
  ASSERT_TRUE(undoStep(h, s, &label));
  EXPECT_EQ(label, "Keywords");
  EXPECT_EQ(s.events.size(), 2u);
  EXPECT_TRUE(s.events[0].keywords.empty());
  EXPECT_TRUE(s.dirty);
  ASSERT_TRUE(undoStep(h, s, &label));
  EXPECT_EQ(label, "Add");
  EXPECT_EQ(s.events.size(), 1u);
  EXPECT_FALSE(undoStep(h, s));

  ASSERT_TRUE(redoStep(h, s, &label));
  EXPECT_EQ(label, "Add");
  EXPECT_EQ(s.events.size(), 2u);
  ASSERT_TRUE(redoStep(h, s));
  EXPECT_EQ(s.events[0].keywords, "door");
  EXPECT_FALSE(redoStep(h, s));

  // A new edit after an undo forgets what could have been redone.
  ASSERT_TRUE(undoStep(h, s));
  recordUndo(h, s, "Other");
  EXPECT_TRUE(h.redo.empty());
  EXPECT_FALSE(redoStep(h, s));
}

TEST(UndoHistory, KeepsTheMissingListOfTheDiskAsItIsNow) {
  UndoHistory h;
  Session s = withEvents(1);
  recordUndo(h, s, "Edit");
  s.events[0].time = 5.0f;
  s.missingFiles = {"/gone.wav"};
  ASSERT_TRUE(undoStep(h, s));
  EXPECT_EQ(s.events[0].time, 0.0f);
  EXPECT_EQ(s.missingFiles, std::vector<std::string>{"/gone.wav"});
}

TEST(UndoHistory, IsBoundedByStepsAndByMemory) {
  UndoHistory h;
  h.maxSteps = 3;
  Session s = withEvents(2);
  for (int i = 0; i < 10; ++i) {
    recordUndo(h, s, "Move");
    s.events[0].time = float(i + 1);
  }
  EXPECT_EQ(h.undo.size(), 3u);
  // The oldest steps went: undoing everything reaches the state before edit 8.
  while (undoStep(h, s)) {
  }
  EXPECT_EQ(s.events[0].time, 7.0f);

  UndoHistory small;
  const Session big = withEvents(1000);
  small.maxBytes = approximateSessionBytes(big) * 2 + 1;
  for (int i = 0; i < 5; ++i) recordUndo(small, big, "Edit");
  EXPECT_EQ(small.undo.size(), 2u);
  EXPECT_LE(small.bytes, small.maxBytes);
  clearHistory(small);
  EXPECT_EQ(small.bytes, 0u);
  EXPECT_TRUE(small.undo.empty());
}

}  // namespace
}  // namespace vn
