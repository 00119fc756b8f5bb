#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "picture/trace_file.h"
#include "platform/paths.h"
#include "support/temp_dir.h"

namespace vn {
namespace {

const char* const kFrameColumns =
    "  \"frame_columns\": [\"time\",\"brightness\",\"motion\",\"cameraMotion\",\"foregroundMass\",\"panX\",\"panY\","
    "\"spatialSpread\",\"impact\",\"flow\",\"composite\",\"adaptiveThr\",\"accentThr\",\"localMotionPeak\","
    "\"histogramDiff\",\"colorTemp\",\"saturation\"],\n";

TraceSource sourceOf(const std::string& path) {
  TraceSource s;
  s.path = path;
  s.appVersion = "2026.12.0";
  s.sourceFps = 24.0f;
  s.tcStartSec = 3600.0f;
  s.width = 1280;
  s.height = 720;
  return s;
}

// A small finished read: a bump of composite at frame 5 and one event on it.
void smallRead(TraceAnalyzer& a) {
  ResetTrace(a, 1.0f);
  a.frames.resize(10);
  for (int i = 0; i < 10; ++i) {
    FrameMeasures& f = a.frames[i];
    f.time = i / 10.0f;
    f.brightness = 0.4f + 0.01f * i;
    f.brightnessDelta = i ? 0.01f : 0.0f;
    f.composite = i == 5 ? 0.8f : i == 6 ? 0.5f : 0.05f;
    f.impact = i == 4 ? 1.5f : 0.1f;
    f.foregroundMass = i == 7 ? 0.9f : 0.2f;
    f.adaptiveThr = 0.01f * i;
    f.panX = -0.25f;
  }
  a.numFrames = 10;
  a.maxComposite = 0.8f;
  TraceEvent e;
  e.time = 0.52f;
  e.type = kTraceCluster;
  e.layer = kLayerBackground;
  e.intensity = 0.75f;
  e.confidence = 0.5f;
  e.depthSalience = 0.9f;
  e.suggestedDuration = 1.25f;
  e.shotIndex = 2;
  a.events = {e};
}

TEST(TraceFile, EmptyReadHasTheExactLayout) {
  TraceAnalyzer a;
  ResetTrace(a, 0.0f);
  a.frames.clear();
  const std::string text = FormatTraceFile(a, {}, sourceOf("/v/a.mp4"));
  const std::string expected =
      std::string("{\n  \"vntrace_version\": 1,\n  \"note\": \"work-in-progress internal format\",\n") +
      "  \"source\": { \"path\": \"/v/a.mp4\", \"appVersion\": \"2026.12.0\", \"sourceFps\": 24.0000, "
      "\"tcStartSec\": 3600.0000, \"width\": 1280, \"height\": 720 },\n" +
      "  \"analysis\": { \"analysisFps\": 10.0000, \"durationSec\": 0.0000, \"numFrames\": 0, \"maxComposite\": "
      "0.000000 },\n" +
      "  \"params\": { \"sensitivity\": 0.0000, \"minEventGap\": 0.0000, \"adaptiveWindowSec\": 0.0000 },\n" +
      kFrameColumns + "  \"frames\": [\n  ],\n  \"events\": [\n  ]\n}\n";
  EXPECT_EQ(text, expected);
}

TEST(TraceFile, RowsAndEventsWithTheirFormats) {
  TraceAnalyzer a;
  smallRead(a);
  TraceParams params{0.5f, 0.3f, 2.0f};
  const std::string text = FormatTraceFile(a, params, sourceOf("/v/a.mp4"));
  EXPECT_NE(text.find("  \"params\": { \"sensitivity\": 0.5000, \"minEventGap\": 0.3000, \"adaptiveWindowSec\": 2.0000 },\n"),
            std::string::npos);
  EXPECT_NE(text.find("  \"frames\": [\n    [0.000,0.4000,0.0000,0.0000,0.2000,-0.250,0.000,0.000,0.1000,0.0000,"
                      "0.05000,0.00000,0.00000,0.0000,0.0000,0.000,0.000],\n    [0.100,"),
            std::string::npos);
  // The event's frame is 5; its window 3 .. 7 takes maxima and the peak frame's values.
  const std::string event =
      "    { \"id\": 0, \"time\": 0.520, \"timecode\": \"01:00:00:12\", \"layer\": \"BG\", \"type\": \"Cluster\", "
      "\"depthSalience\": 0.900, \"intensity\": 0.750, \"confidence\": 0.500, \"duration\": 1.250, \"shotIndex\": 2, "
      "\"obj\": { \"composite\": 0.80000, \"adaptiveThr\": 0.05000, \"accentThr\": 0.00000, \"foregroundMass\": 0.900, "
      "\"impact\": 1.5000, \"brightnessDelta\": 0.0100, \"histDiff\": 0.0000, \"flow\": 0.0000, \"cameraMotion\": 0.000, "
      "\"spatialSpread\": 0.000, \"brightness\": 0.450, \"localMotionPeak\": 0.0000, \"panX\": -0.250 }, "
      "\"annotation\": { \"user_layer\": \"\", \"user_action\": \"\", \"note\": \"\" } }\n  ]\n}\n";
  EXPECT_EQ(text.substr(text.size() - event.size()), event);

  // An event on the last frame looks at a window clipped to the end.
  a.events[0].time = 0.9f;
  a.events[0].type = kTraceFill;
  const std::string last = FormatTraceFile(a, params, sourceOf("x"));
  EXPECT_NE(last.find("\"type\": \"Fill\""), std::string::npos);
  EXPECT_NE(last.find("\"composite\": 0.05000, \"adaptiveThr\": 0.07000"), std::string::npos);
}

TEST(TraceFile, TimecodesAndEscapes) {
  EXPECT_EQ(TraceTimecode(3601.5f, 0.0f, 23.976f), "00:59:57:22");
  EXPECT_EQ(TraceTimecode(1.5f, 0.0f, 0.0f), "00:00:01:15") << "no rate counts 30 frames";
  EXPECT_EQ(TraceTimecode(2.0f, -10.0f, 25.0f), "00:00:00:00");
  EXPECT_EQ(TraceTimecode(0.52f, 3600.0f, 24.0f), "01:00:00:12");

  TraceAnalyzer a;
  ResetTrace(a, 0.0f);
  const std::string text = FormatTraceFile(a, {}, sourceOf("/clips/\"odd\\name\"\n\xc3\xa9t\xc3\xa9.mov"));
  EXPECT_NE(text.find("\"path\": \"/clips/\\\"odd\\\\name\\\"\\n\xc3\xa9t\xc3\xa9.mov\""), std::string::npos);
}

TEST(TraceFile, WrittenFileReadsBackToTheSameRead) {
  test::TempDir dir;
  TraceAnalyzer a;
  smallRead(a);
  TraceEvent second = a.events[0];
  second.time = 0.2f;
  second.type = kTraceSpot;
  second.layer = kLayerForeground;
  second.shotIndex = 0;
  a.events.insert(a.events.begin(), second);
  const std::string path = dir.file("a_trace.vntrace");
  ASSERT_TRUE(WriteTraceFile(path, a, {}, sourceOf("/v/a.mp4")));

  TraceAnalyzer b;
  ASSERT_TRUE(ReadTraceFile(path, b));
  EXPECT_TRUE(b.ready.load());
  EXPECT_EQ(b.framesProcessed.load(), 10);
  EXPECT_EQ(b.numFrames, 10);
  EXPECT_FLOAT_EQ(b.analysisFps, 10.0f);
  EXPECT_FLOAT_EQ(b.maxComposite, 0.8f);
  ASSERT_EQ(b.frames.size(), 10u);
  for (int i = 0; i < 10; ++i) {
    EXPECT_NEAR(b.frames[i].time, a.frames[i].time, 5e-4);
    EXPECT_NEAR(b.frames[i].brightness, a.frames[i].brightness, 5e-5);
    EXPECT_NEAR(b.frames[i].composite, a.frames[i].composite, 5e-6);
    EXPECT_NEAR(b.frames[i].adaptiveThr, a.frames[i].adaptiveThr, 5e-6);
    EXPECT_NEAR(b.frames[i].panX, a.frames[i].panX, 5e-4);
    EXPECT_NEAR(b.frames[i].brightnessDelta, i ? 0.01f : 0.0f, 2e-4) << "rebuilt from brightness";
  }
  ASSERT_EQ(b.events.size(), 2u);
  for (size_t i = 0; i < 2; ++i) {
    EXPECT_NEAR(b.events[i].time, a.events[i].time, 5e-4);
    EXPECT_EQ(b.events[i].type, a.events[i].type);
    EXPECT_EQ(b.events[i].layer, a.events[i].layer);
    EXPECT_EQ(b.events[i].shotIndex, a.events[i].shotIndex);
    EXPECT_TRUE(b.events[i].accepted);
  }
  EXPECT_EQ(b.events[1].suggestedShape, 1);
  EXPECT_FLOAT_EQ(b.events[1].sliceValue, 1.0f) << "its window's composite is the maximum";
  EXPECT_NEAR(b.events[0].sliceValue, std::pow(0.05f / 0.8f, 0.72f), 1e-6);
  // Writing it again gives the same text.
  EXPECT_EQ(FormatTraceFile(b, {}, sourceOf("/v/a.mp4")), test::readAll(path));
}

TEST(TraceFile, ReaderDefaultsAndRefusals) {
  test::TempDir dir;
  test::writeAll(dir.file("min.vntrace"),
                 R"({"frames": [[0.5, 0.2], [0.75, 0.3, "x"], 7, []],
                     "events": [{"time": 0.6, "type": "Sweep"}, {"layer": "BG", "obj": {"composite": 1}}, 3]})");
  TraceAnalyzer a;
  a.events.resize(9);
  ASSERT_TRUE(ReadTraceFile(dir.file("min.vntrace"), a));
  ASSERT_EQ(a.frames.size(), 4u);
  EXPECT_EQ(a.numFrames, 4);
  EXPECT_FLOAT_EQ(a.analysisFps, 4.0f) << "taken from the first two rows";
  EXPECT_NEAR(a.frames[1].brightnessDelta, 0.1f, 1e-6);
  EXPECT_EQ(a.frames[1].motion, 0.0f);
  ASSERT_EQ(a.events.size(), 3u);
  EXPECT_EQ(a.events[0].type, kTraceCluster);
  EXPECT_FLOAT_EQ(a.events[0].intensity, 1.0f);
  EXPECT_FLOAT_EQ(a.events[0].suggestedDuration, 1.0f);
  EXPECT_EQ(a.events[0].shotIndex, -1);
  EXPECT_EQ(a.events[1].layer, kLayerBackground);
  EXPECT_EQ(a.events[1].sliceValue, 0.0f) << "no maximum to compare with";
  EXPECT_EQ(a.events[2].type, kTraceSpot);

  test::writeAll(dir.file("empty.vntrace"), "");
  test::writeAll(dir.file("list.vntrace"), "[1, 2, 3]");
  test::writeAll(dir.file("other.vntrace"), R"({"format": "Varnel"})");
  for (const char* name : {"missing.vntrace", "empty.vntrace", "list.vntrace", "other.vntrace"}) {
    EXPECT_FALSE(ReadTraceFile(dir.file(name), a)) << name;
  }
  EXPECT_EQ(a.events.size(), 3u) << "a failed read changes nothing";
}

TEST(TraceFile, DamagedFilesNeverCrashTheReader) {
  test::TempDir dir;
  TraceAnalyzer a;
  smallRead(a);
  const std::string text = FormatTraceFile(a, {}, sourceOf("/v/a.mp4"));
  std::mt19937 random(11);
  const std::string path = dir.file("damaged.vntrace");
  for (int k = 0; k < 160; ++k) {
    std::string damaged = k < 60 ? text.substr(0, random() % text.size()) : text;
    for (int j = 0; k >= 60 && j < 6; ++j) damaged[random() % damaged.size()] = "{}[],:\"e9-"[random() % 10];
    if (k % 40 == 0) damaged.insert(damaged.find("\"time\":") + 8, "1e300");
    test::writeAll(path, damaged);
    TraceAnalyzer b;
    if (!ReadTraceFile(path, b)) continue;
    EXPECT_LE(b.numFrames, static_cast<int>(b.frames.size()));
    for (const TraceEvent& e : b.events) EXPECT_TRUE(std::isfinite(e.time) && std::isfinite(e.sliceValue));
    FormatTraceFile(b, {}, sourceOf("x"));
  }
}

TEST(TraceFile, NameAndFolder) {
  EXPECT_EQ(TraceFilePath("/work/films/reel3.vnproj", "/media/Reel 3.v2.mov"), "/work/films/Reel 3.v2_trace.vntrace");
  EXPECT_EQ(TraceFilePath("", "/media/reel.mp4"), appDataFolder() + "/Traces/reel_trace.vntrace");
}

}  // namespace
}  // namespace vn
