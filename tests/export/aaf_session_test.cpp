// AAF sessions as an independent reader (pyaaf2) and olefile see them: the
// composition, its tracks and clips at their positions, offsets and gains, every clip
// reaching a file source mob whose locator names an existing essence file, markers,
// and no missing required property or reader warning.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

#include "export/aaf/aaf_composition.h"
#include "export/aaf/aaf_reader.h"
#include "export/aaf/aaf_session.h"
#include "export_fixtures.h"
#include "platform/text.h"
#include "support/temp_dir.h"

namespace vn {
namespace {

std::string walk(const std::string& path) {
  return test::commandOutput("PYTHONPATH='" VN_TOOLS_DIR "/pyaaf2' python3 " VN_EXPORT_TEST_DIR "/aaf_walk.py '" +
                             path + "'");
}

std::vector<std::string> linesStarting(const std::string& text, const std::string& prefix) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (line.rfind(prefix, 0) == 0) out.push_back(line);
  return out;
}

aaf::Clip clipAt(const std::string& essence, int64_t position, int64_t length, int channels) {
  aaf::Clip c;
  c.name = "clip";
  c.position = position;
  c.length = length;
  c.sourceOffset = 2400;
  c.essencePath = essence;
  c.essenceLength = length + 4800;
  c.channels = channels;
  c.wavSummary = "RIFF....WAVEfmt ";
  return c;
}

TEST(AafSession, IndependentReaderWalksCompositionClipsGainAndMarkers) {
  test::TempDir dir;
  const std::string essence = dir.file("Audio Files/door & hit.wav");
  test::commandOutput("mkdir -p '" + dir.file("Audio Files") + "'");
  std::ofstream(essence) << "x";

  aaf::Session s;
  s.productVersion = "1.4.2";
  s.frameRate = 24;
  s.startFrame = 24 * 3600;
  aaf::Track mono{"FX 1", 1, 1, "mono", {}};
  mono.clips.push_back(clipAt(essence, 48000, 24000, 1));
  mono.clips.push_back(clipAt(essence, 96000, 12000, 1));
  mono.clips.back().gain = 0.25;
  mono.clips.push_back(clipAt(essence, 120000, 48000, 1));
  mono.clips.back().gainCurve = {{0, 0.0}, {24000, 1.0}, {48000, 0.5}};
  aaf::Track stereo{"Amb", 2, 2, "stereo", {}};
  stereo.clips.push_back(clipAt(essence, 0, 96000, 2));
  // Two clips that cross-fade over 8000 samples.
  aaf::Track fade{"Xfade", 3, 1, "mono", {}};
  fade.clips.push_back(clipAt(essence, 200000, 48000, 1));
  fade.clips.push_back(clipAt(essence, 240000, 24000, 1));
  fade.clips.back().crossfade = 8000;
  s.tracks = {mono, stereo, fade};
  s.markers = {{48000, "Door slam"}, {120000, "Hit"}};

  const std::string path = dir.file("session.aaf");
  const aaf::WriteOutcome out = aaf::writeSessionFile(path, s);
  ASSERT_EQ(out.hr, aaf::kAafOk) << out.error;
  EXPECT_EQ(out.stats.clipSegments, 6);
  EXPECT_EQ(out.stats.dissolves, 1);
  EXPECT_EQ(out.stats.withGain, 2);
  EXPECT_EQ(out.stats.wrapped, 1);
  EXPECT_EQ(out.stats.combinedTracks, 1);

  const std::string text = walk(path);
  EXPECT_NE(text.find("IDENT Varnel Varnel linux toolkit version\n"), std::string::npos) << text;
  EXPECT_NE(text.find("TOPLEVEL 1 ESSENCEDATA 0\n"), std::string::npos) << text;
  EXPECT_NE(text.find("COMP Varnel Timeline\n"), std::string::npos) << text;
  EXPECT_TRUE(linesStarting(text, "MISSING").empty()) << text;
  EXPECT_TRUE(linesStarting(text, "WARNING").empty()) << text;
  EXPECT_TRUE(linesStarting(text, "Traceback").empty()) << text;
  // The file defines every type its classes use, and each resolves within the file.
  const std::vector<std::string> types = linesStarting(text, "TYPES ");
  ASSERT_EQ(types.size(), 1u) << text;
  EXPECT_GE(std::stoi(types[0].substr(6)), 60) << text;
  EXPECT_TRUE(linesStarting(text, "UNDECLARED").empty()) << text;
  EXPECT_TRUE(linesStarting(text, "UNRESOLVED").empty()) << text;
  EXPECT_NE(text.find("TIMECODE 24 86400 24\n"), std::string::npos) << text;
  EXPECT_NE(text.find("SLOT 1 FX 1 48000 1 168000\n"), std::string::npos) << text;
  EXPECT_NE(text.find("SLOT 2 Amb 48000 2 96000\n"), std::string::npos) << text;
  const std::string file = " MasterMob SourceMob WAVEDescriptor " + essence + " True";
  const std::vector<std::string> clips = linesStarting(text, "CLIP");
  ASSERT_EQ(clips.size(), 6u) << text;
  EXPECT_NE(text.find("SLOT 3 Xfade 48000 3 264000\n"), std::string::npos) << text;
  EXPECT_EQ(clips[4], "CLIP 200000 48000 2400 - channels=1" + file);
  EXPECT_EQ(clips[5], "CLIP 240000 24000 2400 - channels=1" + file);
  EXPECT_NE(text.find("DISSOLVE 240000 8000 4000 Mono Audio Dissolve Level LinearInterp "
                      "0.0000@0.0000,1.0000@1.0000\n"),
            std::string::npos)
      << text;
  EXPECT_EQ(clips[0], "CLIP 48000 24000 2400 - channels=1" + file);
  EXPECT_EQ(clips[1], "CLIP 96000 12000 2400 0.250000 channels=1" + file);
  EXPECT_EQ(clips[2], "CLIP 120000 48000 2400 curve:0.0000@0.0000,1.0000@0.5000,0.5000@1.0000 channels=1" + file);
  EXPECT_EQ(clips[3], "CLIP 0 96000 2400 - channels=2" + file);
  EXPECT_NE(text.find("MARKER 48000 Door slam\nMARKER 120000 Hit\n"), std::string::npos) << text;

  const std::string listing =
      test::commandOutput("/usr/bin/python3 " VN_EXPORT_TEST_DIR "/olefile_list.py '" + path + "'");
  EXPECT_EQ(listing.find("DEFECT"), std::string::npos) << listing;
  EXPECT_NE(listing.find("STREAM referenced properties"), std::string::npos) << listing;
  EXPECT_NE(listing.find(format("COUNTS streams=%d storages=%d\n", out.stats.streams, out.stats.storages)),
            std::string::npos)
      << listing;
}

TEST(AafSession, ManyClipsAndStreamsPastTheMiniStreamOpen) {
  test::TempDir dir;
  const std::string essence = dir.file("e.wav");
  std::ofstream(essence) << "x";
  aaf::Session s;
  s.productVersion = "1.0.0";
  for (int t = 0; t < 4; ++t) {
    aaf::Track track{format("T%d", t + 1), t + 1, 1, "mono", {}};
    for (int c = 0; c < 60; ++c) track.clips.push_back(clipAt(essence, int64_t(c) * 10000, 5000, 1));
    s.tracks.push_back(track);
  }
  // A long name and summary put a properties stream and a data value past the cutoff;
  // the mob set's index is past it by the count of mobs alone. (The 5,000-clip
  // session is written by the benchmark.)
  s.tracks[0].clips[0].name = std::string(3000, 'n');
  s.tracks[0].clips[0].wavSummary = std::string(5000, 's');
  const std::string path = dir.file("big.aaf");
  const aaf::WriteOutcome out = aaf::writeSessionFile(path, s);
  ASSERT_EQ(out.hr, aaf::kAafOk) << out.error;
  EXPECT_EQ(out.stats.clipSegments, 240);
  std::string error;
  const auto read = aaf::readSessionFile(path, error);
  ASSERT_TRUE(read) << error;
  size_t clips = 0;
  for (const auto& t : read->tracks) clips += t.clips.size();
  EXPECT_EQ(clips, 240u);
  EXPECT_EQ(read->tracks[0].clips[0].name, std::string(3000, 'n'));

  // olefile finds every storage and stream the writer laid out, without a defect.
  const std::string listing =
      test::commandOutput("/usr/bin/python3 " VN_EXPORT_TEST_DIR "/olefile_list.py '" + path + "'");
  EXPECT_NE(listing.find(format("COUNTS streams=%d storages=%d\n", out.stats.streams, out.stats.storages)),
            std::string::npos)
      << listing.substr(0, 2000);
  EXPECT_GT(out.stats.streams, 240 * 3);
  EXPECT_EQ(listing.find("DEFECT"), std::string::npos) << listing.substr(0, 2000);

  // pyaaf2 walks it to every clip's file.
  const std::string text = walk(path);
  EXPECT_EQ(linesStarting(text, "CLIP").size(), 240u) << text.substr(0, 2000);
  EXPECT_TRUE(linesStarting(text, "MISSING").empty()) << text.substr(0, 2000);
  EXPECT_TRUE(linesStarting(text, "WARNING").empty()) << text.substr(0, 2000);
}

TEST(AafSession, UnwritableFolderFailsAtOpenWithACode) {
  aaf::Session s;
  const aaf::WriteOutcome out = aaf::writeSessionFile("/nonexistent-folder/x.aaf", s);
  EXPECT_EQ(out.hr, aaf::kAafOpenFailed);
  EXPECT_EQ(out.step, "OpenNewModifyEx");
  EXPECT_LT(out.hr, 0);
}

TEST(AafSession, MobIdsAreUniqueWithinAndAcrossFiles) {
  aaf::MobIdSource first, second;
  std::set<aaf::MobId> seen;
  for (int i = 0; i < 20000; ++i) seen.insert(first.next());
  const aaf::MobId other = second.next();
  EXPECT_EQ(seen.size(), 20000u);
  EXPECT_EQ(seen.count(other), 0u);
  EXPECT_EQ(other[12], 0x13);           // the UMID's length byte
  EXPECT_EQ(other[16 + 6] & 0xF0, 0x40);  // a version-4 material number
}

TEST(AafSession, FileUrlsArePercentEncoded) {
  EXPECT_EQ(aaf::fileUrl("/a b/Audio Files/x&y_1.wav"), "file:///a%20b/Audio%20Files/x%26y_1.wav");
  EXPECT_EQ(aaf::fileUrl("/caf\xc3\xa9.wav"), "file:///caf%C3%A9.wav");
}

}  // namespace
}  // namespace vn
