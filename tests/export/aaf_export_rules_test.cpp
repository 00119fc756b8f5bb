// The rules of an AAF delivery that need no audio: one clip at a time on a track,
// and essence file names that stay unique in their folder.
#include <gtest/gtest.h>

#include "export/aaf_essence_names.h"
#include "export/aaf_overlaps.h"
#include "support/log_capture.h"

namespace vn {
namespace {

TEST(AafExportRules, OverlapsDropCoveredClipsAndTrimHeadsAtTheirTimecode) {
  test::LogCapture log;
  std::vector<TrackSpan> spans = {
      {1, 0, 48000, 0, false},      // 0 .. 48000
      {2, 12000, 24000, 0, false},  // wholly inside clip 1
      {3, 40000, 20000, 0, false},  // starts inside clip 1: 8000 samples of head go
      {4, 60000, 1000, 0, false},   // touches clip 3's end: stays
      {5, 60500, 500, 0, false},    // ends where clip 4 ends: inside it
  };
  resolveTrackOverlaps(spans);
  EXPECT_FALSE(spans[0].dropped);
  EXPECT_TRUE(spans[1].dropped);
  EXPECT_FALSE(spans[2].dropped);
  EXPECT_EQ(spans[2].headTrim, 8000);
  EXPECT_EQ(spans[2].position, 48000);
  EXPECT_EQ(spans[2].length, 12000);
  EXPECT_EQ(spans[2].position + spans[2].length, 60000);  // its end stays where it was
  EXPECT_FALSE(spans[3].dropped);
  EXPECT_EQ(spans[3].headTrim, 0);
  EXPECT_TRUE(spans[4].dropped);
  ASSERT_EQ(log.out.size(), 3u);
  EXPECT_EQ(log.out[0], "[AAF] OverlapWarning: clip 2 fully overlapped on its track - dropped (24000 samples)\n");
  EXPECT_EQ(log.out[1],
            "[AAF] OverlapWarning: clip 3 overlaps the previous clip by 8000 samples - head trimmed to stay at "
            "timecode\n");
  EXPECT_EQ(log.out[2], "[AAF] OverlapWarning: clip 5 fully overlapped on its track - dropped (500 samples)\n");
}

TEST(AafExportRules, EssenceNamesFollowTheModesAndNeverCollide) {
  std::set<std::string> taken;
  EXPECT_EQ(essenceFileName({"Reel1", 7, "Door/Slam", false, "", 48000}, taken), "Reel1_007_Door_Slam.wav");
  EXPECT_EQ(essenceFileName({"Reel1", 8, "Bed", false, ".L", 0}, taken), "Reel1_008_Bed.L.wav");
  EXPECT_EQ(essenceFileName({"Reel1", 8, "Bed", false, ".R", 0}, taken), "Reel1_008_Bed.R.wav");
  EXPECT_EQ(essenceFileName({"Reel1", 9, "Hit", true, "", 0}, taken), "Reel1_009_src_Hit.wav");
  EXPECT_EQ(essenceFileName({"Reel1", 9, "Hit", true, ".L", 0}, taken), "Reel1_009_src_Hit.L.wav");
  // The same name again (in any case) takes the clip's time as a suffix.
  EXPECT_EQ(essenceFileName({"Reel1", 7, "door/slam", false, "", 96000}, taken),
            "Reel1_007_door_slam-t000096000.wav");
  EXPECT_EQ(essenceFileName({"Reel1", 7, "Door_Slam", false, "", 96000}, taken),
            "Reel1_007_Door_Slam-t000096001.wav");
  EXPECT_EQ(essenceSafeName(""), "clip");
}

}  // namespace
}  // namespace vn
