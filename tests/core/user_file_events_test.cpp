#include <gtest/gtest.h>

#include "core/user_file_events.h"

namespace vn {
namespace {

TEST(UserFileEvents, AClipIsLockedAndAsLongAsItsFileWithinTheLongestEvent) {
  const Event clip = makeClipEvent("/sfx/Car Horn.wav", "id-horn", 3.0f, 21.5f, 2.0f);
  EXPECT_EQ(clip.shape, ShapeType::Clip);
  EXPECT_TRUE(clip.locked);
  EXPECT_TRUE(clip.hasPinned);
  EXPECT_EQ(clip.pinnedFile, "/sfx/Car Horn.wav");
  EXPECT_EQ(clip.pinnedFileId, "id-horn");
  EXPECT_FLOAT_EQ(clip.time, 21.5f);
  EXPECT_FLOAT_EQ(clip.duration, 2.0f);  // cut to the longest event
  EXPECT_FLOAT_EQ(clip.clipSourceDuration, 2.0f);
  EXPECT_EQ(clip.keywords, "Car Horn");
  EXPECT_FLOAT_EQ(makeClipEvent("/a.wav", "", 0.5f, -3.0f, 10.0f).time, 0.0f);
  EXPECT_FLOAT_EQ(makeClipEvent("/a.wav", "", 0.5f, 1.0f, 10.0f).duration, 0.5f);
}

TEST(UserFileEvents, BedFilesKeepTheirParallelListsInStep) {
  Event bed = makeBedEvent(12.0f, 18.0f);
  EXPECT_EQ(bed.shape, ShapeType::Bed);
  EXPECT_TRUE(bed.locked);
  EXPECT_EQ(bed.intensityMode, 2);
  EXPECT_FALSE(bed.hasPinned);

  // A document from an older program with a file but none of its lists.
  bed.pinnedFiles = {"/sfx/old.wav"};
  ASSERT_TRUE(addBedFile(bed, "/sfx/traffic_01.wav", "id-1"));
  ASSERT_TRUE(addBedFile(bed, "/sfx/traffic_02.wav", "id-2"));
  EXPECT_TRUE(bed.hasPinned);
  ASSERT_EQ(bed.pinnedFiles.size(), 3u);
  EXPECT_EQ(bed.pinnedFileIds, (std::vector<std::string>{"", "id-1", "id-2"}));
  EXPECT_EQ(bed.bedLayerLoop, (std::vector<bool>{true, true, true}));
  EXPECT_EQ(bed.bedLayerWeight, (std::vector<float>{1.0f, 1.0f, 1.0f}));

  bed.bedLayerWeight[2] = 0.5f;
  ASSERT_TRUE(removeBedFile(bed, 1));
  EXPECT_EQ(bed.pinnedFiles, (std::vector<std::string>{"/sfx/old.wav", "/sfx/traffic_02.wav"}));
  EXPECT_EQ(bed.pinnedFileIds, (std::vector<std::string>{"", "id-2"}));
  EXPECT_EQ(bed.bedLayerWeight, (std::vector<float>{1.0f, 0.5f}));
  EXPECT_EQ(bed.bedLayerLoop.size(), 2u);
  EXPECT_FALSE(removeBedFile(bed, 2));
  ASSERT_TRUE(removeBedFile(bed, 0));
  ASSERT_TRUE(removeBedFile(bed, 0));
  EXPECT_FALSE(bed.hasPinned);
  EXPECT_TRUE(bed.pinnedFileIds.empty() && bed.bedLayerLoop.empty() && bed.bedLayerWeight.empty());

  Event spot;
  EXPECT_FALSE(addBedFile(spot, "/sfx/a.wav", "id"));
  EXPECT_TRUE(spot.pinnedFiles.empty());
}

}  // namespace
}  // namespace vn
