#include <gtest/gtest.h>
#include <sndfile.h>

#include "app/app_state.h"
#include "app/clip_actions.h"
#include "headless_interface.h"
#include "support/temp_dir.h"
#include "tools/sound_file_writer.h"

namespace vn {
namespace {

std::string writeTone(const test::TempDir& dir, const std::string& name, int frames) {
  tools::SoundFileSpec fileSpec;
  fileSpec.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  std::vector<float> samples(static_cast<size_t>(frames), 0.25f);
  std::string error;
  const std::string path = dir.file(name);
  EXPECT_TRUE(tools::WriteSoundFile(path, fileSpec, {samples}, error)) << error;
  return path;
}

TEST(ClipActions, ClipsTakeTheirFileAndBedsCollectLayers) {
  test::TempDir dir;
  auto holder = std::make_unique<AppState>();
  AppState& app = *holder;
  const std::string tone = writeTone(dir, "Tone.wav", 48000 * 3 / 2);

  const int clip = placeClip(app, tone, 4.0);
  ASSERT_EQ(clip, 0);
  const Event& c = app.session.events[0];
  EXPECT_EQ(c.shape, ShapeType::Clip);
  EXPECT_TRUE(c.locked);
  EXPECT_EQ(c.pinnedFile, tone);
  EXPECT_NEAR(c.duration, 1.5f, 1e-3f);
  EXPECT_FLOAT_EQ(c.time, 4.0f);

  test::writeAll(dir.file("fake.wav"), "RIFF but not really");
  EXPECT_EQ(placeClip(app, dir.file("fake.wav"), 0.0), -1);
  EXPECT_EQ(app.session.events.size(), 1u);

  app.session.workAreaIn = 10.0f;
  app.session.workAreaOut = 25.0f;
  const int bed = placeBed(app);
  ASSERT_EQ(bed, 1);
  EXPECT_EQ(app.session.events[1].shape, ShapeType::Bed);
  EXPECT_FLOAT_EQ(app.session.events[1].time, 10.0f);
  EXPECT_FLOAT_EQ(app.session.events[1].duration, 15.0f);
  EXPECT_TRUE(addBedFile(app, bed, tone));
  EXPECT_TRUE(addBedFile(app, bed, dir.file("Rain.aif")));
  EXPECT_FALSE(addBedFile(app, clip, tone));                  // only a Bed takes layers
  EXPECT_FALSE(addBedFile(app, bed, dir.file("notes.txt")));  // only sound files
  const Event& b = app.session.events[1];
  ASSERT_EQ(b.pinnedFiles.size(), 2u);
  EXPECT_EQ(b.pinnedFileIds.size(), 2u);
  EXPECT_EQ(b.bedLayerLoop, (std::vector<bool>{true, true}));
  EXPECT_EQ(b.bedLayerWeight.size(), 2u);
  removeBedFile(app, bed, 0);
  ASSERT_EQ(app.session.events[1].pinnedFiles.size(), 1u);
  EXPECT_EQ(app.session.events[1].pinnedFiles[0], dir.file("Rain.aif"));
  EXPECT_EQ(app.session.events[1].bedLayerLoop.size(), 1u);
}

TEST(ClipActions, SoundsDroppedOnTheTimelineLandWhereTheyFall) {
  test::TempDir dir;
  test::HeadlessInterface ui;
  auto holder = std::make_unique<AppState>();
  AppState& app = *holder;
  const std::string tone = writeTone(dir, "Hit.wav", 4800);
  Event bed;
  bed.shape = ShapeType::Bed;
  bed.time = 0.0f;
  bed.duration = 8.0f;
  app.session.events = {bed};
  ui.frames(app, 2);
  auto screenX = [&](double t) { return app.trackOriginX + timeToX(app.timeline, t); };
  // On the Bed: a new layer of the Bed.
  app.drop = classifyDrop(screenX(4.0), app.trackOriginY + 10.0f, {tone});
  ui.frame(app);
  ASSERT_EQ(app.session.events.size(), 1u);
  EXPECT_EQ(app.session.events[0].pinnedFiles, std::vector<std::string>{tone});
  // On empty timeline: a Clip at the time under the cursor.
  app.drop = classifyDrop(screenX(20.0), app.trackOriginY + 10.0f, {tone});
  ui.frame(app);
  ASSERT_EQ(app.session.events.size(), 2u);
  EXPECT_EQ(app.session.events[1].shape, ShapeType::Clip);
  EXPECT_NEAR(app.session.events[1].time, 20.0, 2.0 / app.timeline.pixelsPerSecond);
}

}  // namespace
}  // namespace vn
