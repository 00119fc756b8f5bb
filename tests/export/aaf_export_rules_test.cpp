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
  auto span = [](int number, int64_t position, int64_t length) { return TrackSpan{number, position, length}; };
  std::vector<TrackSpan> spans = {
      span(1, 0, 48000),      // 0 .. 48000
      span(2, 12000, 24000),  // wholly inside clip 1
      span(3, 40000, 20000),  // starts inside clip 1: 8000 samples of head go
      span(4, 60000, 1000),   // touches clip 3's end: stays
      span(5, 60500, 500),    // ends where clip 4 ends: inside it
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

TEST(AafExportRules, OverlapsCoveredByBothFadesDissolveAndKeepBothClipsWhole) {
  test::LogCapture log;
  auto span = [](int number, int64_t position, int64_t length, int64_t fadeIn, int64_t fadeOut) {
    return TrackSpan{number, position, length, fadeIn, fadeOut};
  };
  std::vector<TrackSpan> spans = {
      span(1, 0, 48000, 0, 10000),
      span(2, 40000, 20000, 8000, 4000),      // 8000 overlap, both fades cover it: a dissolve
      span(3, 55000, 20000, 2000, 0),         // 5000 overlap, its own fade-in is too short: trimmed
      span(4, 70000, 30000, 9000, 0),         // 5000 overlap, clip 3 has no fade-out: trimmed
  };
  resolveTrackOverlaps(spans);
  EXPECT_EQ(spans[1].crossfade, 8000);
  EXPECT_EQ(spans[1].headTrim, 0);
  EXPECT_EQ(spans[1].position, 40000);  // stays whole at its timecode
  EXPECT_EQ(spans[1].length, 20000);
  EXPECT_EQ(spans[2].crossfade, 0);
  EXPECT_EQ(spans[2].headTrim, 5000);
  EXPECT_EQ(spans[3].crossfade, 0);
  EXPECT_EQ(spans[3].headTrim, 5000);
  ASSERT_EQ(log.out.size(), 2u);  // a dissolve is no warning
  EXPECT_NE(log.out[0].find("clip 3 overlaps the previous clip by 5000 samples"), std::string::npos);

  // A dissolve never reaches into the one at the previous clip's head.
  std::vector<TrackSpan> tight = {span(1, 0, 10000, 0, 10000), span(2, 4000, 10000, 10000, 10000),
                                  span(3, 9000, 10000, 10000, 0)};
  resolveTrackOverlaps(tight);
  EXPECT_EQ(tight[1].crossfade, 6000);
  EXPECT_EQ(tight[2].crossfade, 0);  // 5000 more would overlap the 6000 already at clip 2's head
  EXPECT_EQ(tight[2].headTrim, 5000);
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
