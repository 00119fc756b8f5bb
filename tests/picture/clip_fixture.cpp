#include "clip_fixture.h"

#include <gtest/gtest.h>

namespace vn::test {

std::string MakeClip(const TempDir& dir, const std::string& name, const tools::TestVideoSpec& clipSpec) {
  const std::string path = dir.file(name);
  std::string error;
  EXPECT_TRUE(tools::WriteTestVideo(path, clipSpec, error)) << error;
  return path;
}

tools::TestVideoSpec LosslessSpec(double seconds, tools::FramePainter paint) {
  tools::TestVideoSpec clipSpec;
  clipSpec.seconds = seconds;
  clipSpec.paint = std::move(paint);
  return clipSpec;
}

bool ReadPictureOf(const std::string& path, TraceAnalyzer& analyzer, const TraceParams& params) {
  VideoPlayer player;
  if (!LoadVideo(player, path)) return false;
  ResetTrace(analyzer, player.duration);
  TraceRun run;
  run.params = params;
  RunTrace(analyzer, player, run);
  CloseVideo(player);
  return true;
}

}  // namespace vn::test
