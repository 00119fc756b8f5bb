#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "picture/session_text.h"
#include "platform/log.h"

namespace vn {
namespace {

const char* const kReport =
    "SESSION NAME:\tReel 3\n"
    "SAMPLE RATE:\t48000.000000\n"
    "BIT DEPTH:\t24-bit\n"
    "SESSION START TIMECODE:\t01:00:00:00\n"
    "TIMECODE FORMAT:\t25 Frame\n"
    "\n"
    "M A R K E R S  L I S T I N G\n"
    "#   \tLOCATION     \tTIME REFERENCE    \tUNITS    \tNAME                             \tTRACK NAME   \tTRACK TYPE   \tCOMMENTS\n"
    "1   \t01:00:10:12  \t48480000          \tSamples  \tDoor slam                        \tMarkers      \tRuler        \t\n"
    "2   \t01:00:10:12  \t                  \tSamples  \tDoor slam                        \tMarkers      \tRuler        \theavy\r\n"
    "3   \t01:02:00:00  \t                  \tSamples  \tScene, Car chase, night, rain    \tMarkers      \tRuler        \tfast\n"
    "4   \t01:03:00:00  \t                  \tSamples  \tImpacts: high bloom metal        \tMarkers      \tRuler        \t\n"
    "5   \tnot a time   \tsoon              \tSamples  \tLater\n"
    "6   \ttoo few       \tcolumns\n"
    "\n"
    "T R A C K  L I S T I N G\n"
    "TRACK NAME:\tFX 1_stereo\n"
    "COMMENTS:\t\n"
    "CHANNEL \tEVENT   \tCLIP NAME                     \tSTART TIME    \tEND TIME      \tDURATION      \tSTATE\n"
    "1       \t1       \tDoor_01                       \t01:00:10:12   \t01:00:11:00   \t00:00:00:13   \tUnmuted\n"
    "1       \t2       \tDoor_02                       \t01:00:20:00   \t01:00:21:00   \t00:00:01:00   \tMuted\n"
    "\n"
    "TRACK NAME:\tAmb 7.1.2\n"
    "CHANNEL \tEVENT   \tCLIP NAME  \tSTART TIME    \tEND TIME\n"
    "1       \t1       \tWind       \t01:00:00:00   \t01:01:00:00\n"
    "\n"
    "#   \tLOCATION     \tTIME REFERENCE    \tUNITS    \tNAME\n"
    "9   \t01:00:00:00  \t0                 \tSamples  \tNot a marker\n";

TEST(SessionText, MarkersScenesAndHeaderValues) {
  std::istringstream in(kReport);
  std::vector<ImportedMarker> markers;
  std::vector<ImportedScene> scenes;
  const SessionTextHeader header = ParseSessionMarkers(in, 24.0f, markers, &scenes, {"impacts", "whooshes"});
  EXPECT_EQ(header.sampleRate, 48000);
  EXPECT_FLOAT_EQ(header.frameRate, 25.0f);
  ASSERT_EQ(markers.size(), 4u) << "markers after the section's end are never read";

  EXPECT_FLOAT_EQ(markers[0].time, 1010.0f) << "the sample count wins over the location";
  EXPECT_EQ(markers[0].name, "Door slam");
  EXPECT_EQ(markers[0].keywords, "door slam");
  EXPECT_EQ(markers[0].shape, 0);
  EXPECT_FLOAT_EQ(markers[0].band, 0.3f);
  EXPECT_TRUE(markers[0].accepted);
  EXPECT_FLOAT_EQ(markers[1].time, 3600.0f + 10.0f + 12.0f / 25.0f);
  EXPECT_EQ(markers[1].keywords, "door slam heavy") << "the comment follows the words";

  EXPECT_EQ(markers[2].recipeName, "impacts");
  EXPECT_EQ(markers[2].shape, 1);
  EXPECT_FLOAT_EQ(markers[2].band, 0.7f);
  EXPECT_EQ(markers[2].keywords, "metal");
  EXPECT_EQ(markers[2].name, "Impacts: high bloom metal");

  EXPECT_EQ(markers[3].name, "Later");
  EXPECT_FLOAT_EQ(markers[3].time, 0.0f) << "neither a sample count nor a location";

  ASSERT_EQ(scenes.size(), 1u);
  EXPECT_EQ(scenes[0].name, "Car chase");
  EXPECT_EQ(scenes[0].description, "night rain fast");
  EXPECT_FLOAT_EQ(scenes[0].time, 3720.0f);

  // Without a scene list, a scene marker is an ordinary marker.
  std::istringstream again(kReport);
  markers.clear();
  ParseSessionMarkers(again, 24.0f, markers, nullptr, {});
  EXPECT_EQ(markers.size(), 5u);
}

TEST(SessionText, DropFrameRateSixColumnsAndProjectRate) {
  const std::string report =
      "TIMECODE FORMAT:\t29.97 Drop Frame\n"
      "MARKERS LISTING\n"
      "#\tLOCATION\tTIME REFERENCE\tUNITS\tNAME\tCOMMENTS\n"
      "1\t00:00:01:15\t\tSamples\tSpot sub hit\tignored without track columns\n";
  std::istringstream in(report);
  std::vector<ImportedMarker> markers;
  const SessionTextHeader header = ParseSessionMarkers(in, 24.0f, markers, nullptr, {});
  EXPECT_FLOAT_EQ(header.frameRate, 29.97f);
  ASSERT_EQ(markers.size(), 1u);
  EXPECT_NEAR(markers[0].time, 1.0f + 15.0f / 29.97f, 1e-5);
  EXPECT_FLOAT_EQ(markers[0].band, 0.1f);
  EXPECT_EQ(markers[0].keywords, "hit");

  std::istringstream noFormat("MARKERS LISTING\n# LOCATION\n1\t00:00:01:12\t\tSamples\tx\n");
  markers.clear();
  EXPECT_FLOAT_EQ(ParseSessionMarkers(noFormat, 0.0f, markers, nullptr, {}).frameRate, 25.0f);
  EXPECT_FLOAT_EQ(markers.at(0).time, 1.0f + 12.0f / 25.0f);
}

TEST(SessionText, MarkerNameWords) {
  ImportedMarker m;
  ParseMarkerName("IMPACTS:contour Bloom low HIGH glass", {"Impacts"}, m);
  EXPECT_EQ(m.recipeName, "Impacts") << "the saved spelling";
  EXPECT_TRUE(m.otherShapeWord);
  EXPECT_EQ(m.shape, 0) << "only the first shape word counts";
  EXPECT_FLOAT_EQ(m.band, 0.3f);
  EXPECT_EQ(m.keywords, "bloom high glass");

  ImportedMarker plain;
  ParseMarkerName("boom: air\tspot  rumble", {"impacts"}, plain);
  EXPECT_TRUE(plain.recipeName.empty());
  EXPECT_FLOAT_EQ(plain.band, 0.9f);
  EXPECT_EQ(plain.keywords, "rumble");
}

TEST(SessionText, TrackListingNamesAndFormats) {
  const std::vector<std::string> report = {"SESSION NAME:\tx", "T R A C K  L I S T I N G",
                                           "TRACK NAME:\tFX 1_stereo", "COMMENTS:", "  track name:   Amb 7.1.2 ",
                                           "TRACK NAME:\tDialog", "M A R K E R S  L I S T I N G",
                                           "TRACK NAME:\tAfter the section"};
  const std::vector<TrackListEntry> tracks = ReadTrackListing(report);
  ASSERT_EQ(tracks.size(), 3u);
  EXPECT_EQ(tracks[0].name, "FX 1");
  EXPECT_EQ(tracks[0].formatClass, 1);
  EXPECT_EQ(tracks[1].name, "Amb");
  EXPECT_EQ(tracks[1].formatClass, 3);
  EXPECT_EQ(tracks[2].name, "Dialog");
  EXPECT_EQ(tracks[2].formatClass, -1);

  const std::vector<TrackListEntry> plain =
      ReadTrackListing({"Music\t5.1", "Dialog_mono\tstereo", "Crowd-LCR", "Room tone\tsurround", "", "Stereo"});
  ASSERT_EQ(plain.size(), 5u);
  EXPECT_EQ(plain[0].name, "Music");
  EXPECT_EQ(plain[0].formatClass, 2);
  EXPECT_EQ(plain[1].name, "Dialog_mono") << "the explicit format disagrees with the word";
  EXPECT_EQ(plain[1].formatClass, 1);
  EXPECT_EQ(plain[2].name, "Crowd");
  EXPECT_EQ(plain[2].formatClass, 2);
  EXPECT_EQ(plain[3].formatClass, -1);
  EXPECT_EQ(plain[4].name, "Stereo");
  EXPECT_EQ(plain[4].formatClass, 1);
}

TEST(SessionText, SessionInfoReadsTracksAndClips) {
  std::vector<std::string> lines;
  setLogSink([&](LogStream, const std::string& line) { lines.push_back(line); });
  std::istringstream in(kReport);
  const SessionInfo info = ReadSessionInfo(in);
  setLogSink({});
  EXPECT_EQ(info.sessionName, "Reel 3");
  EXPECT_EQ(info.sampleRate, 48000);
  EXPECT_EQ(info.startTimecode, "01:00:00:00");
  EXPECT_EQ(info.timecodeFormat, "25 Frame");
  ASSERT_EQ(info.tracks.size(), 2u);
  EXPECT_EQ(info.tracks[0].name, "FX 1_stereo");
  ASSERT_EQ(info.tracks[0].clips.size(), 2u);
  EXPECT_EQ(info.tracks[0].clips[1].name, "Door_02");
  EXPECT_EQ(info.tracks[0].clips[1].event, 2);
  EXPECT_EQ(info.tracks[0].clips[1].state, "Muted");
  EXPECT_EQ(info.tracks[1].clips.at(0).endTime, "01:01:00:00");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "session info: 2 track(s), 3 clip(s), 25 fps\n");
}

TEST(SessionText, HostileInputNeverCrashes) {
  std::mt19937 random(7);
  std::vector<std::string> inputs;
  std::string garbage(20000, '\0');
  for (char& c : garbage) c = static_cast<char>(random());
  inputs.push_back(garbage);
  const std::string longLine(100000, 'x');
  inputs.push_back("MARKERS LISTING\n# LOCATION\n" + longLine + "\t" + longLine + "\t1\t2\t" + longLine + "\n");
  inputs.push_back("SAMPLE RATE: inf\nTIMECODE FORMAT: nan\nMARKERS LISTING\n# LOCATION\n1\t99999999999:9:9\t\t\tx\n");
  inputs.push_back("MARKERS LISTING\n# LOCATION\n\t\t\t\t\n,,,\t,\t,\t,\t,\n1\t1:2\t-5\tu\t:::\n");
  const std::string report = kReport;
  for (size_t cut = 0; cut < report.size(); cut += 7) inputs.push_back(report.substr(0, cut));
  for (int k = 0; k < 200; ++k) {
    std::string mutated = report;
    for (int j = 0; j < 8; ++j) mutated[random() % mutated.size()] = "\t\n:,#;0 "[random() % 8];
    inputs.push_back(mutated);
  }
  setLogSink([](LogStream, const std::string&) {});
  for (const std::string& text : inputs) {
    std::istringstream a(text), b(text);
    std::vector<ImportedMarker> markers;
    std::vector<ImportedScene> scenes;
    ParseSessionMarkers(a, 25.0f, markers, &scenes, {"impacts"});
    for (const ImportedMarker& m : markers) {
      EXPECT_LT(m.keywords.size(), kMarkerTextCapacity);
      EXPECT_LT(m.name.size(), kMarkerTextCapacity);
    }
    ReadSessionInfo(b);
    std::vector<std::string> lines;
    std::istringstream c(text);
    for (std::string line; std::getline(c, line);) lines.push_back(line);
    ReadTrackListing(lines);
  }
  setLogSink({});
}

}  // namespace
}  // namespace vn
