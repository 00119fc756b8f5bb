#pragma once
// Frames for picture analysis: one down-scaled RGBA picture per analysis step.
#include <cstdint>
#include <functional>

#include "picture/video_player.h"

namespace vn {

using FrameCallback = std::function<void(int index, float time, const uint8_t* rgba, int width, int height)>;
// Receives the fraction done; a negative return cancels the extraction.
using ExtractProgress = std::function<float(float fraction)>;

// Delivers truncate(duration x analysisFps) frames, index i at time i / analysisFps,
// at most maxWidth pixels wide (0 keeps the display size). Returns the number of
// frames delivered. A video slower than the analysis rate repeats frames; no index
// is skipped.
int ExtractFrames(VideoPlayer& player, float analysisFps, int maxWidth, const FrameCallback& onFrame,
                  const ExtractProgress& onProgress);

}  // namespace vn
