#include <gtest/gtest.h>

#include "export/payload_find.h"
#include "export/render_to_file.h"
#include "export_fixtures.h"
#include "platform/paths.h"
#include "support/log_capture.h"
#include "support/temp_dir.h"

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

}  // namespace
}  // namespace vn
