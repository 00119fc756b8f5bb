#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>

#include "core/event_io.h"
#include "core/file_lookup.h"
#include "core/json_parse.h"
#include "core/layer_io.h"
#include "core/timecode.h"
#include "sample_session.h"
#include "support/temp_dir.h"

namespace vn {
namespace {

Event eventFrom(const std::string& json, bool legacyShapes = false, int userShapes = 0,
                const std::string& folder = {}) {
  Event e;
  e.time = 99.0f;  // whatever was there before must not survive the read
  readEvent(parseJsonText(json), e, legacyShapes, userShapes, folder);
  return e;
}

Layer layerFrom(const std::string& json) {
  Layer l;
  readLayer(parseJsonText(json), l);
  return l;
}

std::string eventText(const Event& e, const CollectMap* collect = nullptr) {
  JsonWriter w;
  writeEvent(w, e, collect);
  return w.take();
}

std::string layerText(const Layer& l, const CollectMap* collect = nullptr) {
  JsonWriter w;
  writeLayer(w, l, collect);
  return w.take();
}

TEST(EventRecord, MissingKeysReadAsDefaults) {
  Event e = eventFrom(R"({"time": 2.5})");
  EXPECT_EQ(e.time, 2.5f);
  EXPECT_EQ(e.shape, ShapeType::Spot);
  EXPECT_EQ(e.duration, 1.0f);
  EXPECT_EQ(e.spread, 0.3f);
  EXPECT_EQ(e.weightCenter, 0.3f);
  EXPECT_EQ(e.gain, 1.0f);
  EXPECT_EQ(e.reverbSend, -1.0f);
  EXPECT_EQ(e.groupOverride, -1);
  EXPECT_EQ(e.sceneLink, -1);
  EXPECT_EQ(e.sceneCrossfade, 1);
  EXPECT_EQ(e.panY, 1.0f);
  EXPECT_EQ(e.fmtOverride, -1);
  EXPECT_EQ(e.clipFadeIn, -1.0f);
  EXPECT_EQ(e.weight, flatCurve(0.5f));
  EXPECT_EQ(e.intensity, flatCurve(0.5f));
  EXPECT_FALSE(e.hasPinned);

  // Values of the wrong type read as defaults too.
  Event wrong = eventFrom(R"({"time": "3", "locked": 1, "keywords": 7, "shape": "Bloom", "weight": 0.9})");
  EXPECT_EQ(wrong.time, 0.0f);
  EXPECT_FALSE(wrong.locked);
  EXPECT_EQ(wrong.keywords, "");
  EXPECT_EQ(wrong.shape, ShapeType::Spot);
  EXPECT_EQ(wrong.weight, flatCurve(0.5f));
}

TEST(EventRecord, ShapesRangesAndLegacyKeys) {
  EXPECT_EQ(eventFrom(R"({"shape": 4})").shape, ShapeType::Spot);
  EXPECT_EQ(eventFrom(R"({"shape": 9})").shape, ShapeType::Spot);
  EXPECT_EQ(eventFrom(R"({"shape": -3})").shape, ShapeType::Spot);
  EXPECT_EQ(eventFrom(R"({"shape": 6.9})").shape, ShapeType::Bed);
  EXPECT_EQ(eventFrom(R"({"shape": 2})").shape, ShapeType::Contour);
  Event legacy = eventFrom(R"({"shape": 2})", true);
  EXPECT_EQ(legacy.shape, ShapeType::Bloom);
  EXPECT_TRUE(legacy.alloy);
  EXPECT_FALSE(eventFrom(R"({"shape": 2, "alloy": false})", true).alloy);

  Event clamped = eventFrom(
      R"({"gain": 3, "fillLayers": 40, "sceneCrossfade": 500, "pitchVariation": -1, "panX": -7,
          "panZ": 2, "intensityMode": 9, "scaleTuneOverride": -4, "fmtOverride": 5, "userShapeIdx": 2})",
      false, 2);
  EXPECT_EQ(clamped.gain, 1.0f);
  EXPECT_EQ(clamped.fillLayers, 24);
  EXPECT_EQ(clamped.sceneCrossfade, 120);
  EXPECT_EQ(clamped.pitchVariation, 0.0f);
  EXPECT_EQ(clamped.panX, -1.0f);
  EXPECT_EQ(clamped.panZ, 1.0f);
  EXPECT_EQ(clamped.intensityMode, 2);
  EXPECT_EQ(clamped.scaleTuneOverride, 0);
  EXPECT_EQ(clamped.fmtOverride, 1);
  EXPECT_EQ(clamped.userShapeIdx, -1);  // only two UserShapes were read
  EXPECT_EQ(eventFrom(R"({"userShapeIdx": 1})", false, 2).userShapeIdx, 1);
  EXPECT_EQ(eventFrom(R"({"fillLayers": 1e300})").fillLayers, 24);
  EXPECT_EQ(eventFrom(R"({"fillLayers": 3.99})").fillLayers, 3);

  EXPECT_EQ(eventFrom(R"({"stereo": true})").fmtOverride, 1);
  EXPECT_EQ(eventFrom(R"({"stereo": false})").fmtOverride, -1);
  EXPECT_EQ(eventFrom(R"({"stereo": true, "fmtOverride": 0})").fmtOverride, 0);
  EXPECT_TRUE(eventFrom(R"({"sceneFill": 2})").sceneFill);
  EXPECT_FALSE(eventFrom(R"({"sceneFill": true})").sceneFill);

  Event clip = eventFrom(R"({"shape": 5, "placeSourceOffset": 1.5, "placeFadeIn": 0.2,
                             "clipFadeIn": 0.3, "placeSourceDuration": 4})");
  EXPECT_EQ(clip.clipSourceOffset, 1.5f);
  EXPECT_EQ(clip.clipSourceDuration, 4.0f);
  EXPECT_EQ(clip.clipFadeIn, 0.3f);
  EXPECT_EQ(clip.clipFadeOut, -1.0f);
  EXPECT_TRUE(clip.locked);
  EXPECT_TRUE(eventFrom(R"({"shape": 6, "locked": false})").locked);
  EXPECT_FALSE(eventFrom(R"({"shape": 3})").locked);

  // Text fields keep capacity - 1 bytes.
  Event longText = eventFrom("{\"folder\": \"" + std::string(100, 'g') + "\"}");
  EXPECT_EQ(longText.folder.size(), 63u);
}

TEST(EventRecord, CurvesPadWithTheirLastValue) {
  Event e = eventFrom(R"({"weight": [0,0.1,0.2,0.3,0.4,0.5,0.6,0.7,0.8,0.9], "intensity": [1, "x"],
                          "hasTraceGain": true, "traceGain": []})");
  for (int i = 0; i < 10; ++i) EXPECT_FLOAT_EQ(e.weight[i], i * 0.1f);
  for (int i = 10; i < kCurvePoints; ++i) ASSERT_FLOAT_EQ(e.weight[i], 0.9f);
  EXPECT_EQ(e.intensity[0], 1.0f);
  EXPECT_EQ(e.intensity[1], 0.5f);
  EXPECT_EQ(e.intensity[255], 0.5f);
  EXPECT_TRUE(e.hasTraceGain);
  EXPECT_EQ(e.traceGain, flatCurve(0.5f));

  std::string long300 = "[";
  for (int i = 0; i < 300; ++i) long300 += (i ? "," : "") + std::to_string(i);
  Event longer = eventFrom("{\"weight\": " + long300 + "]}");
  EXPECT_EQ(longer.weight[255], 255.0f);
}

TEST(EventRecord, PinnedFilesFollowTheirRules) {
  Event e = eventFrom(R"({"pinnedFiles": ["/a.wav", "/b.wav"], "bedLayerLoop": [1, 0, 1, 1, 1],
                          "bedLayerWeight": [0.5], "pinnedFileIds": ["id-a", "id-b", "id-c"]})");
  EXPECT_TRUE(e.hasPinned);
  EXPECT_EQ(e.bedLayerLoop, (std::vector<bool>{true, false}));
  EXPECT_EQ(e.bedLayerWeight, (std::vector<float>{0.5f}));
  EXPECT_EQ(e.pinnedFileIds, (std::vector<std::string>{"id-a", "id-b"}));

  Event spot = eventFrom(R"({"shape": 0, "pinnedFile": "/one.wav", "pinnedFileId": "X"})");
  EXPECT_TRUE(spot.hasPinned);
  EXPECT_EQ(spot.pinnedFile, "/one.wav");
  EXPECT_EQ(spot.pinnedFileId, "X");
  EXPECT_EQ(spot.pinnedFiles, (std::vector<std::string>{"/one.wav"}));
  EXPECT_EQ(spot.pinnedFileIds.size(), 1u);
  Event clip = eventFrom(R"({"shape": 5, "pinnedFile": "/one.wav"})");
  EXPECT_TRUE(clip.hasPinned);
  EXPECT_TRUE(clip.pinnedFiles.empty());

  // Missing ids are asked of the Library by path.
  FileLookup byPath;
  byPath.idForPath = [](const std::string& path) { return path == "/b.wav" ? "lib-b" : ""; };
  installFileLookup(byPath);
  Event looked = eventFrom(R"({"pinnedFiles": ["/a.wav", "/b.wav"], "pinnedFileIds": ["given"]})");
  installFileLookup({});
  EXPECT_EQ(looked.pinnedFileIds, (std::vector<std::string>{"given", "lib-b"}));

  // Relative paths are joined to the project folder when the file is there.
  test::TempDir dir;
  std::filesystem::create_directories(dir.file("Audio"));
  test::writeAll(dir.file("Audio/here.wav"), "x");
  Event resolved = eventFrom(R"({"pinnedFiles": ["Audio/here.wav", "Audio/gone.wav"]})", false, 0, dir.path());
  EXPECT_EQ(resolved.pinnedFiles[0], dir.file("Audio/here.wav"));
  EXPECT_EQ(resolved.pinnedFiles[1], "Audio/gone.wav");
}

TEST(EventRecord, WritesConditionalMembersOnlyWhenTheyApply) {
  Event plain;
  std::string text = eventText(plain);
  for (const char* absent : {"muted", "pitchVariation", "scaleTuneOverride", "reverbSend", "fillLayers",
                             "panManual", "panX", "sceneLink", "sceneCrossfade", "sceneFill", "pinnedFile\"",
                             "exactLayers", "pinnedFileIds", "clipSourceOffset", "clipWeight", "folder",
                             "libFilter", "presetName", "hasTraceGain", "traceGain", "bounceSource"})
    EXPECT_EQ(text.find(std::string("\"") + absent), std::string::npos) << absent;
  for (const char* present : {"\"time\": 0", "\"groupOverride\": -1", "\"fmtOverride\": -1", "\"pinnedFiles\": []",
                              "\"bedLayerLoop\": []", "\"intensityMode\": 0"})
    EXPECT_NE(text.find(present), std::string::npos) << present;
  EXPECT_NE(text.find("\"weight\": [0.5,0.5,"), std::string::npos);

  Event e;
  e.time = std::numeric_limits<float>::quiet_NaN();
  e.shape = ShapeType::Clip;
  e.clipPitchRate = 1.0005f;
  e.panManual = true;
  e.panZ = 0.00005f;
  e.sceneLink = 0;
  e.sceneFill = true;
  std::string clip = eventText(e);
  EXPECT_NE(clip.find("\"time\": 0,"), std::string::npos);
  EXPECT_NE(clip.find("\"clipSourceOffset\""), std::string::npos);
  EXPECT_EQ(clip.find("\"clipPitchRate\""), std::string::npos);
  EXPECT_EQ(clip.find("\"clipWeight\""), std::string::npos);
  EXPECT_NE(clip.find("\"panY\": 1"), std::string::npos);
  EXPECT_EQ(clip.find("\"panZ\""), std::string::npos);
  EXPECT_NE(clip.find("\"sceneCrossfade\": 1"), std::string::npos);
  EXPECT_NE(clip.find("\"sceneFill\": 1"), std::string::npos);

  // Paths pass through the collect map.
  Event pinned;
  pinned.pinnedFiles = {"/lib/boom.wav", "/lib/other.wav"};
  pinned.pinnedFile = "/lib/boom.wav";
  CollectMap collect{{"/lib/boom.wav", "Audio/boom.wav"}};
  std::string collected = eventText(pinned, &collect);
  EXPECT_NE(collected.find("\"pinnedFile\": \"Audio/boom.wav\""), std::string::npos);
  EXPECT_NE(collected.find("\"Audio/boom.wav\",\n"), std::string::npos);
  EXPECT_NE(collected.find("\"/lib/other.wav\""), std::string::npos);
}

TEST(EventRecord, EveryFieldSurvivesWriteAndRead) {
  Event e = test::everyEventFieldSet();
  std::string first = eventText(e);
  Event back;
  readEvent(parseJsonText(first), back, false, 2);
  EXPECT_EQ(eventText(back), first);
  EXPECT_EQ(back.keywords, e.keywords);
  EXPECT_EQ(back.bedLayerLoop, e.bedLayerLoop);
  EXPECT_EQ(back.bounceSource.size(), 2u);
  EXPECT_EQ(back.bounceSource[1].keywords, "inner");
  EXPECT_EQ(back.clipReverse, true);
  EXPECT_EQ(back.sceneCrossfade, 12);
  EXPECT_NEAR(back.weight[100], e.weight[100], 1e-3);
}

TEST(LayerRecord, RangesLegacyKeysAndGainCurve) {
  Layer l = layerFrom(R"({"file": "/old.wav", "pitchShift": 30, "userVolume": 5, "normGain": 0,
                          "procMode": 7, "foldPin": 9, "srcFmt": 4, "stereo": true})");
  EXPECT_EQ(l.filepath, "/old.wav");
  EXPECT_EQ(l.pitchShift, 24.0f);
  EXPECT_EQ(l.userVolume, 2.0f);
  EXPECT_EQ(l.normGain, 0.001f);
  EXPECT_EQ(l.procMode, 3);
  EXPECT_EQ(l.foldPin, 2);
  EXPECT_EQ(l.srcFmt, -1);
  EXPECT_EQ(l.fmt, 1);
  EXPECT_EQ(l.fadeIn, 0.01f);
  EXPECT_EQ(l.fadeOut, 0.05f);
  EXPECT_FALSE(l.hasIntGain);
  EXPECT_EQ(layerFrom(R"({"fmt": -1})").fmt, 0);
  EXPECT_EQ(layerFrom(R"({"fmt": 9, "stereo": true})").fmt, 3);
  EXPECT_EQ(layerFrom(R"({"filepath": "/new.wav", "file": "/old.wav"})").filepath, "/new.wav");

  // Ten points stretch over 256 by linear interpolation, clamped to 0..1.
  Layer g = layerFrom(R"({"intGain": [0, 0.9, 0.9, 0.9, 0.9, 0.9, 0.9, 0.9, 2, 0.3]})");
  EXPECT_TRUE(g.hasIntGain);
  EXPECT_FLOAT_EQ(g.intGain[0], 0.0f);
  EXPECT_FLOAT_EQ(g.intGain[255], 0.3f);
  // Point 15 sits at p = 15/255 * 9 = 0.529 between entries 0 and 1.
  EXPECT_NEAR(g.intGain[15], 0.9 * (15.0 / 255.0 * 9.0), 1e-5);
  // Points between entries 7 (0.9) and 8 (2) are clamped at 1.
  EXPECT_FLOAT_EQ(g.intGain[220], 1.0f);
  Layer one = layerFrom(R"({"intGain": [0.4]})");
  EXPECT_EQ(one.intGain, flatCurve(0.4f));
  Layer wrongEntries = layerFrom(R"({"intGain": [null, null]})");
  EXPECT_EQ(wrongEntries.intGain, flatCurve(1.0f));
}

TEST(LayerRecord, WritesOnlyWhatAppliesAndRoundTrips) {
  Layer l;
  l.name = "Boom";
  l.filepath = "/lib/boom.wav";
  std::string plain = layerText(l);
  for (const char* absent : {"fileId", "srcFmt", "foldPin", "foldTarget", "fillLoop", "userVolume", "normGain",
                             "pitchShift", "pitchVarShift", "deconOffset", "intGain", "fillGain", "deconGain",
                             "eqGains", "fillChunks", "alloyMorph", "alloyMid"})
    EXPECT_EQ(plain.find(std::string("\"") + absent + "\""), std::string::npos) << absent;
  EXPECT_NE(plain.find("\"stereo\": false"), std::string::npos);

  l.fileId = "00000000000000aa";
  l.fmt = 1;
  l.srcFmt = 0;
  l.foldPin = 1;
  l.foldTarget = 4;
  l.fillLoop = true;
  l.userVolume = 1.5f;
  l.normGain = 0.5f;
  l.pitchShift = -3.0f;
  l.pitchVarShift = 0.25f;
  l.deconOffset = 0.01f;
  l.hasIntGain = true;
  l.intGain = flatCurve(0.75f);
  l.fillGain.emplace();
  l.fillGain->fill(0.5f);
  l.deconGain.emplace();
  l.deconGain->fill(0.25f);
  l.eqGains = std::array<float, 5>{1, 2, 3, 4, 5};
  l.procMode = 1;
  l.fillChunks = {{0, 100, 2000}, {100, 50, 7}};
  std::string fill = layerText(l);
  EXPECT_NE(fill.find("\"stereo\": true"), std::string::npos);
  EXPECT_NE(fill.find("\"fillChunks\""), std::string::npos);
  EXPECT_EQ(fill.find("\"alloyMorph\""), std::string::npos);
  Layer back = layerFrom(fill);
  EXPECT_EQ(layerText(back), fill);
  EXPECT_EQ(back.fillChunks.size(), 2u);
  EXPECT_EQ(back.fillChunks[0].x, 2000);

  l.procMode = 3;
  l.alloyMorph = 0.6f;
  l.alloyAlgo = 2;
  l.alloyMid = {"/lib/mid.wav", "00000000000000bb", 1.0f, 2.0f};
  l.alloyEnv = {"/lib/env.wav", "", 0.5f, 1.5f};
  CollectMap collect{{"/lib/mid.wav", "Audio/mid.wav"}};
  std::string alloy = layerText(l, &collect);
  EXPECT_EQ(alloy.find("\"fillChunks\""), std::string::npos);
  EXPECT_NE(alloy.find("\"filepath\": \"Audio/mid.wav\""), std::string::npos);
  Layer alloyBack = layerFrom(alloy);
  EXPECT_EQ(alloyBack.alloyAlgo, 2);
  EXPECT_EQ(alloyBack.alloyEnv.filepath, "/lib/env.wav");
  EXPECT_EQ(alloyBack.alloyMid.fileId, "00000000000000bb");
}

TEST(LayerRecord, FoldTargetsAreWrittenAsTheIdsLayersWillHaveWhenRead) {
  std::vector<Layer> layers(3);
  layers[0].id = 40;
  layers[1].id = 17;
  layers[1].foldTarget = 40;
  layers[2].id = 99;
  layers[2].foldTarget = 1234;  // a layer that no longer exists
  StoredLayerIds ids = storedLayerIds(layers);
  JsonWriter w;
  w.beginArray();
  for (const Layer& l : layers) writeLayer(w, l, nullptr, &ids);
  w.endArray();
  JsonValue list = parseJsonText(w.text());
  std::vector<Layer> back(3);
  for (size_t i = 0; i < 3; ++i) readLayer(element(list, static_cast<long long>(i)), back[i]);
  assignLoadedLayerIds(back);
  EXPECT_EQ(back[1].foldTarget, static_cast<int>(back[0].id));
  EXPECT_EQ(back[2].foldTarget, -1);
}

TEST(Timecode, FormatsAndParsesNonDropFrame) {
  EXPECT_EQ(formatTimecode(3661.5, 24), "01:01:01:12");
  EXPECT_EQ(formatTimecode(0, 25), "00:00:00:00");
  EXPECT_EQ(formatTimecode(-5, 25), "00:00:00:00");
  EXPECT_EQ(formatTimecode(59.99, 30), "00:01:00:00");  // rounds to the nearest frame
  // 1798 frames: 62 whole seconds of 29 frames, and one minute of 1798.
  EXPECT_EQ(formatTimecode(60, 29.97), "00:01:02:00");
  EXPECT_EQ(formatTimecode(90000, 24), "25:00:00:00");
  EXPECT_DOUBLE_EQ(parseTimecode("01:01:01:12", 24), 3661.5);
  EXPECT_DOUBLE_EQ(parseTimecode("00:00:10", 24), 10.0);
  EXPECT_EQ(parseTimecode("10:20", 24), -1.0);
  EXPECT_EQ(parseTimecode("garbage", 24), -1.0);
  EXPECT_DOUBLE_EQ(parseTimecode("30:75:99:40", 25), 23 * 3600 + 59 * 60 + 59 + 24 / 25.0);
  EXPECT_DOUBLE_EQ(parseTimecode("-1:00:00:-5", 24), 0.0);
  EXPECT_DOUBLE_EQ(parseTimecode("99999999999:0:0", 24), 23 * 3600.0);

  EXPECT_DOUBLE_EQ(parseForeignTimecode("01;00;00;12", 24), 3600.5);
  EXPECT_DOUBLE_EQ(parseForeignTimecode("00:00:01:12", 0), 1.5);
  EXPECT_DOUBLE_EQ(parseForeignTimecode("30:75:00:00", 25), 30 * 3600 + 75 * 60);
  EXPECT_EQ(parseForeignTimecode("00:00:01", 24), -1.0);
}

}  // namespace
}  // namespace vn
