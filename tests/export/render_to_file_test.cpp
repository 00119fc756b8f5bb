#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>

#include "export/payload_find.h"
#include "export/render_to_file.h"
#include "export_fixtures.h"
#include "platform/paths.h"
#include "support/log_capture.h"
#include "support/temp_dir.h"
#include "tools/sound_file_writer.h"

namespace vn {
namespace {

using test::TempDir;

// A session of silence: no layers to render, its events still travel as the recipe.
Session silentSession() {
  Session s;
  s.settings.totalDuration = 1.0f;
  s.settings.startTC = 3600.0f;
  s.events = test::sampleEvents(2);
  return s;
}

TEST(RenderToFile, ReplacesTheFileOnlyWhenTheNewOneIsWhole) {
  TempDir dir;
  const std::string out = dir.file("mix.wav");
  test::writeAll(out, "the mix of yesterday");
  test::LogCapture log;
  Session session = silentSession();
  RenderFileRequest request;
  request.output = out;
  RenderFileResult result;
  std::string error;
  {
    test::FakeFreeSpace almostFull(40ull << 20);
    EXPECT_FALSE(renderSessionToFiles(session, request, result, error));
    EXPECT_EQ(error, "Could not write " + out + ": disk full (40 MB free) - mix.wav refused before writing anything.");
    EXPECT_EQ(test::readAll(out), "the mix of yesterday");
  }
  RenderFileWatch cancel;
  cancel.cancelled = [] { return true; };
  EXPECT_FALSE(renderSessionToFiles(session, request, result, error, cancel));
  EXPECT_EQ(error, "Render cancelled - nothing was written.");
  EXPECT_EQ(test::readAll(out), "the mix of yesterday");

  std::vector<std::string> stages;
  RenderFileWatch watch;
  watch.stageDone = [&](const char* stage, const std::string&) { stages.emplace_back(stage); };
  ASSERT_TRUE(renderSessionToFiles(session, request, result, error, watch)) << error;
  EXPECT_EQ(stages, (std::vector<std::string>{"Rendering layers", "Mixing", "Writing"}));
  EXPECT_FALSE(fileExists(out + ".part"));
  const auto back = test::readBack(out);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->channels, 2);
  EXPECT_EQ(back->samples.size(), 2u * 48000u);
  const auto payloads = FindPayloads(out);
  ASSERT_TRUE(payloads);
  EXPECT_EQ(payloads->recipeEvents.size(), 2u);
  EXPECT_FALSE(payloads->manifest);  // nothing sounds in it
  // The file starts at the project's start timecode.
  const std::string bytes = test::readAll(out);
  const auto chunks = test::parseChunks(bytes);
  const test::ParsedChunk* bext = test::findChunk(chunks, "bext");
  ASSERT_TRUE(bext);
  EXPECT_EQ(test::le32At(bytes, bext->offset + 8 + 338), 3600u * 48000u);
}

// The peak of a read-back file as a fraction of full scale.
double peakOf(const test::ReadBack& back) {
  double peak = 0.0;
  for (int32_t v : back.samples) peak = std::max(peak, std::fabs(static_cast<double>(v)));
  return peak / 2147483392.0;
}

TEST(RenderToFile, TakesFoldToMonoAndArePeakNormalisedWithTheirOwnDocument) {
  TempDir dir;
  std::vector<float> tone(48000);
  for (size_t i = 0; i < tone.size(); ++i) tone[i] = 0.25f * static_cast<float>(std::sin(2.0 * 3.14159265 * 440.0 * i / 48000.0));
  tools::SoundFileSpec fileSpec;
  fileSpec.format = SF_FORMAT_WAV | SF_FORMAT_PCM_24;
  std::string error;
  ASSERT_TRUE(tools::WriteSoundFile(dir.file("tone.wav"), fileSpec, {tone}, error)) << error;
  Session session;
  session.settings.totalDuration = 1.5f;
  session.events = test::sampleEvents(1);
  session.events[0].time = 0.0f;
  Layer l;
  l.id = 1;
  l.filepath = dir.file("tone.wav");
  l.startTime = 0.25f;
  l.duration = 1.0f;
  l.sourceDuration = 1.0f;
  session.results.push_back(l);
  test::LogCapture quiet;

  RenderFileRequest take;
  take.output = dir.file("take_01.wav");
  take.channels = 1;
  take.normaliseTake = true;
  take.varNormalize = true;
  take.varNormalizeDb = -6;
  take.ixmlHost = "<?xml version=\"1.0\"?>\n<BWFXML>\n  <NOTE>take one</NOTE>\n</BWFXML>\n";
  RenderFileResult result;
  ASSERT_TRUE(renderSessionToFiles(session, take, result, error)) << error;
  auto back = test::readBack(take.output);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->channels, 1);
  EXPECT_NEAR(peakOf(*back), 0.501, 0.002);  // -6 dBFS
  EXPECT_NE(test::readAll(take.output).find("<NOTE>take one</NOTE>"), std::string::npos);
  const auto payloads = FindPayloads(take.output);
  ASSERT_TRUE(payloads && payloads->manifest);
  EXPECT_EQ(payloads->recipeEvents.size(), 0u);  // the caller's document: no recipe unless it brings one
  EXPECT_EQ(payloads->manifest->results.size(), 1u);

  // Without normalising to a level a take below -1 dBFS is left exactly as rendered.
  take.varNormalize = false;
  take.channels = 0;
  ASSERT_TRUE(renderSessionToFiles(session, take, result, error)) << error;
  back = test::readBack(take.output);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->channels, 2);
  const double takePeak = peakOf(*back);
  take.normaliseTake = false;
  take.output = dir.file("plain.wav");
  ASSERT_TRUE(renderSessionToFiles(session, take, result, error)) << error;
  back = test::readBack(take.output);
  ASSERT_TRUE(back);
  EXPECT_GT(takePeak, 0.01);
  EXPECT_LT(takePeak, 0.89);
  EXPECT_NEAR(takePeak, peakOf(*back), 1e-6);
}

}  // namespace
}  // namespace vn
