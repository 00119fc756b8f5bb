// Grouping of mono files named as the channels of one sound.
#include <gtest/gtest.h>

#include "library/multimono.h"

namespace vn {
namespace {

LibraryRecord mono(const std::string& path, float rate = 48000.0f, float duration = 1.0f) {
  LibraryRecord r;
  r.path = path;
  std::string file = path.substr(path.find_last_of('/') + 1);
  r.name = file.substr(0, file.find_last_of('.'));
  r.channels = 1;
  r.sampleRate = rate;
  r.duration = duration;
  r.groupId = 99;  // stale values from a previous grouping are always replaced
  r.groupChannel = 7;
  return r;
}

TEST(MultiMono, GroupsMatchingChannelsOfOneFolderAndName) {
  std::vector<LibraryRecord> records = {mono("/s/Door_L.wav"), mono("/s/Door_R.wav"), mono("/s/door-lfe.wav"),
                                        mono("/s/door-Ls.wav"), mono("/t/Door_C.wav"), mono("/s/Wind.wav")};
  GroupMultiMono(records);
  EXPECT_NE(records[0].groupId, 0u);
  EXPECT_EQ(records[0].groupId, records[1].groupId);
  EXPECT_EQ(records[0].groupChannel, 0);
  EXPECT_EQ(records[1].groupChannel, 1);
  // "door" differs from "Door": its own group, suffixes in any case.
  EXPECT_EQ(records[2].groupId, records[3].groupId);
  EXPECT_NE(records[2].groupId, records[0].groupId);
  EXPECT_EQ(records[2].groupChannel, 3);
  EXPECT_EQ(records[3].groupChannel, 4);
  // Alone in its folder, or without a suffix: not grouped.
  EXPECT_EQ(records[4].groupId, 0u);
  EXPECT_EQ(records[4].groupChannel, -1);
  EXPECT_EQ(records[5].groupId, 0u);

  // The key is the parent folder without trailing separators and the name before the suffix.
  std::vector<LibraryRecord> again = {mono("/s//Door_L.wav"), mono("/s/Door_R.wav")};
  GroupMultiMono(again);
  EXPECT_EQ(again[0].groupId, records[0].groupId);
}

TEST(MultiMono, DropsGroupsWithRepeatedChannelsOrDifferentShapes) {
  std::vector<LibraryRecord> repeated = {mono("/s/Door_L.wav"), mono("/s/Door_R.wav"), mono("/s/Door_L.aif")};
  GroupMultiMono(repeated);
  for (const auto& r : repeated) EXPECT_EQ(r.groupId, 0u);

  std::vector<LibraryRecord> rates = {mono("/s/Hit_L.wav", 48000.0f), mono("/s/Hit_R.wav", 44100.0f)};
  GroupMultiMono(rates);
  EXPECT_EQ(rates[0].groupId, 0u);

  // Lengths equal once rounded to frames group; one frame apart do not.
  std::vector<LibraryRecord> close = {mono("/s/Pad_L.wav", 48000.0f, 1.0f), mono("/s/Pad_R.wav", 48000.0f, 1.0000001f)};
  GroupMultiMono(close);
  EXPECT_NE(close[0].groupId, 0u);
  std::vector<LibraryRecord> apart = {mono("/s/Pad_L.wav", 48000.0f, 1.0f),
                                      mono("/s/Pad_R.wav", 48000.0f, 1.0f + 1.0f / 48000.0f)};
  GroupMultiMono(apart);
  EXPECT_EQ(apart[0].groupId, 0u);

  std::vector<LibraryRecord> stereo = {mono("/s/Amb_L.wav"), mono("/s/Amb_R.wav")};
  stereo[1].channels = 2;
  GroupMultiMono(stereo);
  EXPECT_EQ(stereo[0].groupId, 0u);

  // Hostile numbers from an index file: no group, no undefined conversions.
  std::vector<LibraryRecord> hostile = {mono("/s/X_L.wav", 3e38f, 3e38f), mono("/s/X_R.wav", 3e38f, 3e38f)};
  GroupMultiMono(hostile);
  EXPECT_EQ(hostile[0].groupId, 0u);
  std::vector<LibraryRecord> empty = {mono("/s/Y_L.wav", 0.0f), mono("/s/Y_R.wav", 0.0f)};
  GroupMultiMono(empty);
  EXPECT_EQ(empty[0].groupId, 0u);
}

}  // namespace
}  // namespace vn
