#pragma once
// Generated clips for the picture tests, and a synchronous picture read of them.
#include <string>

#include "picture/trace_analyzer.h"
#include "picture/video_player.h"
#include "support/temp_dir.h"
#include "tools/test_video.h"

namespace vn::test {

// Writes the clip into the folder and returns its path (the test fails if it cannot).
std::string MakeClip(const TempDir& dir, const std::string& name, const tools::TestVideoSpec& clipSpec);

// A lossless 160 x 90 clip at 10 fps of the given length and picture.
tools::TestVideoSpec LosslessSpec(double seconds, tools::FramePainter paint);

// Loads the video and reads its picture on this thread; false when it does not load.
bool ReadPictureOf(const std::string& path, TraceAnalyzer& analyzer, const TraceParams& params = {});

}  // namespace vn::test
