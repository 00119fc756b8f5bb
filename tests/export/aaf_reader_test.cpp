// Our reader of AAF sessions: it reads back what the writer placed, and turns
// damaged files (mutated containers, property streams, indexes) into an error.
#include <gtest/gtest.h>

#include <algorithm>

#include <random>

#include "export/aaf/aaf_reader.h"
#include "export/aaf/aaf_session.h"
#include "export/aaf_inspect.h"
#include "support/temp_dir.h"

namespace vn {
namespace {

aaf::Session sampleSession() {
  aaf::Session s;
  s.productVersion = "2.0.1";
  s.frameRate = 25;
  s.startFrame = 25 * 3600;
  aaf::Track mono{"FX", 1, 1, "mono", {}};
  for (int i = 0; i < 3; ++i) {
    aaf::Clip c;
    c.name = "hit " + std::to_string(i);
    c.position = 48000 * (2 * i + 1);
    c.length = 24000;
    c.sourceOffset = 48000;
    c.essencePath = "/media/x/Audio Files/hit " + std::to_string(i) + ".wav";
    c.essenceLength = 120000;
    c.gain = i == 1 ? 0.5 : 1.0;
    if (i == 2) c.gainCurve = {{0, 0.25}, {24000, 1.0}};
    mono.clips.push_back(c);
  }
  aaf::Track stereo{"Amb", 2, 2, "stereo", {}};
  aaf::Clip bed = mono.clips[0];
  bed.name = "bed";
  bed.position = 0;
  bed.channels = 2;
  stereo.clips.push_back(bed);
  bed.name = "bed 2";
  bed.position = 16000;  // dissolves from the first bed over its last 8000 samples
  bed.crossfade = 8000;
  stereo.clips.push_back(bed);
  s.tracks = {mono, stereo};
  s.markers = {{96000, "Door"}};
  return s;
}

TEST(AafReader, ReadsBackTracksClipsGainAndMarkers) {
  test::TempDir dir;
  const std::string path = dir.file("s.aaf");
  ASSERT_EQ(aaf::writeSessionFile(path, sampleSession()).hr, aaf::kAafOk);
  ASSERT_TRUE(aaf::looksLikeAaf(path));
  std::string error;
  const auto read = aaf::readSessionFile(path, error);
  ASSERT_TRUE(read) << error;
  EXPECT_EQ(read->compositionName, "Varnel Timeline");
  EXPECT_EQ(read->product, "Varnel 2.0.1");
  EXPECT_EQ(read->timecodeRate, 25);
  EXPECT_EQ(read->timecodeStart, 90000);
  ASSERT_EQ(read->tracks.size(), 2u);
  const auto& fx = read->tracks[0];
  EXPECT_EQ(fx.name, "FX");
  EXPECT_EQ(fx.editRate, 48000);
  ASSERT_EQ(fx.clips.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(fx.clips[i].position, 48000 * (2 * i + 1));
    EXPECT_EQ(fx.clips[i].length, 24000);
    EXPECT_EQ(fx.clips[i].sourceOffset, 48000);
    EXPECT_EQ(fx.clips[i].name, "hit " + std::to_string(i));
    EXPECT_EQ(fx.clips[i].sourceUrl, "file:///media/x/Audio%20Files/hit%20" + std::to_string(i) + ".wav");
  }
  EXPECT_DOUBLE_EQ(fx.clips[1].gain, 0.5);
  EXPECT_TRUE(fx.clips[2].gainAutomation);
  EXPECT_DOUBLE_EQ(fx.clips[2].gain, 0.25);
  ASSERT_EQ(read->tracks[1].clips.size(), 2u);
  EXPECT_EQ(read->tracks[1].clips[0].channels, 2);
  EXPECT_EQ(read->tracks[1].clips[0].crossfade, 0);
  EXPECT_EQ(read->tracks[1].clips[1].position, 16000);
  EXPECT_EQ(read->tracks[1].clips[1].crossfade, 8000);
  ASSERT_EQ(read->markers.size(), 1u);
  EXPECT_EQ(read->markers[0].position, 96000);

  const auto lines = aafSessionLines(*read);
  ASSERT_GE(lines.size(), 8u);
  EXPECT_EQ(lines[0], "AAF composition 'Varnel Timeline' (Varnel 2.0.1)");
  EXPECT_EQ(lines[1], "  timecode start 01:00:00:00 at 25 fps");
  EXPECT_EQ(lines[4].rfind("    01:00:01:00  0.500 s  'hit 0'  1 ch  offset 48000  gain 1.000  file:///", 0), 0u)
      << lines[4];
  const auto dissolving = std::find_if(lines.begin(), lines.end(), [](const std::string& l) {
    return l.find("'bed 2'") != std::string::npos;
  });
  ASSERT_NE(dissolving, lines.end());
  EXPECT_NE(dissolving->find("gain 1.000, dissolve 0.167 s  file:///"), std::string::npos) << *dissolving;
}

TEST(AafReader, DamagedSessionsGiveAnErrorNotACrash) {
  test::TempDir dir;
  const std::string path = dir.file("s.aaf");
  ASSERT_EQ(aaf::writeSessionFile(path, sampleSession()).hr, aaf::kAafOk);
  std::string good;
  {
    FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_TRUE(f);
    char buf[65536];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) good.append(buf, n);
    std::fclose(f);
  }
  std::mt19937 rng(7);
  int rejected = 0, read = 0;
  for (int round = 0; round < 3000; ++round) {
    std::string b = good;
    const int flips = 1 + static_cast<int>(rng() % 6);
    for (int i = 0; i < flips; ++i) {
      // Past the header, the directory and every small stream live in the first
      // sectors; aim most of the damage there.
      const size_t span = rng() % 4 ? std::min<size_t>(b.size(), 6 * 4096) : b.size();
      b[rng() % span] = static_cast<char>(rng() % 4 == 0 ? 0xFF : rng());
    }
    std::string error;
    const auto session = aaf::readSessionBytes(std::move(b), error);
    if (session) {
      ++read;
      aafSessionLines(*session);
    } else {
      ++rejected;
      EXPECT_FALSE(error.empty());
    }
  }
  EXPECT_GT(rejected, 50);  // most flips land in bytes a reader may ignore (names, unused sectors)
  EXPECT_GT(read, 0);
  std::string error;
  EXPECT_FALSE(aaf::readSessionBytes(good.substr(0, good.size() / 2), error));
  EXPECT_FALSE(aaf::readSessionBytes("not an aaf", error));
}

}  // namespace
}  // namespace vn
