#pragma once
// Pictures with known content for the test videos. Each painter draws a textured
// still (so shifts and cuts are measurable) and changes it in one known way.
#include <vector>

#include "tools/test_video.h"

namespace vn::tools {

// A still shot; frame flashFrame is pure white.
FramePainter StillWithFlash(int flashFrame);
// A warm shot that cuts to an unrelated cool shot at cutFrame; the two share no
// colour histogram bin, so the cut changes every bin.
FramePainter HardCut(int cutFrame);
// The texture slides left by pixelsPerFrame every frame.
FramePainter HorizontalPan(int pixelsPerFrame);
// A still shot with a small bright square moving inside the top-left cell of a
// 4 x 4 grid, and nothing else moving.
FramePainter CornerMotion();
// White flashes starting at frames first, first + every, ... (count of them), each
// lasting flashFrames frames, in a still shot.
FramePainter MetronomeFlashes(int first, int every, int count, int flashFrames = 1);
// A still shot whose grain grows and fades again along a raised cosine, so the
// amount of change in the picture swells over lengthFrames frames.
FramePainter SlowSwell(int startFrame, int lengthFrames);
// Paints frame i with the painter of the part it falls in: parts follow each
// other, each lasting its own number of frames.
struct ScenePart {
  int frames = 0;
  FramePainter paint;
};
FramePainter Sequence(std::vector<ScenePart> parts);

// A short reel of all of the above at `fps` frames per second, DemoReelSeconds() long:
// a still, a flash, a swell, a hard cut, a series of regular flashes and a pan.
FramePainter DemoReel(int fps);
double DemoReelSeconds();

}  // namespace vn::tools
