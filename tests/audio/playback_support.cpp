#include "playback_support.h"

namespace vn::test {

void addSteadyBlock(RenderCache& cache, float level, float start, float duration) {
  RenderedBlock b;
  const auto n = static_cast<size_t>(duration * cache.sampleRate);
  b.left.assign(n, level);
  b.right.assign(n, level);
  b.start = start;
  b.duration = duration;
  b.stereoSource = true;
  computePeakSummary(b);
  appendBlock(cache, std::move(b), 0.04f, 0.05f);
}

Pulled pullFrames(PlaybackEngine& engine, int frames) {
  Pulled p{std::vector<float>(frames), std::vector<float>(frames)};
  PullStereo(engine, p.left.data(), p.right.data(), frames);
  return p;
}

}  // namespace vn::test
