#include "render/fill_assembly.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "builder/fill_chunks.h"

namespace vn {

namespace {

struct Placed {
  double start;       // seconds into the (unshifted) layer
  double length;      // seconds
  double sourcePos;   // seconds into the file
};

// The chunk list laid out over the layer, repeated while the layer loops.
std::vector<Placed> layOut(const Layer& layer, double layerSeconds) {
  std::vector<Placed> out;
  const auto& chunks = layer.fillChunks;
  if (chunks.empty()) return out;
  const double span = (chunks.back().s + chunks.back().l - kFillCrossfadeMs) * 0.001;
  double shift = 0.0;
  while (shift < layerSeconds && out.size() < kMaxFillChunks * 64) {
    for (const FillChunk& c : chunks) {
      if (c.l <= 0) continue;
      out.push_back({shift + c.s * 0.001, c.l * 0.001, c.x * 0.001});
    }
    if (!layer.fillLoop || span <= 0.0) break;
    shift += span;
  }
  return out;
}

}  // namespace

bool assembleFill(SourceCache& sources, const std::string& path, const Layer& layer, int rate, size_t frames,
                  double ratio, StereoAudio& out) {
  const double layerSeconds = static_cast<double>(frames) / rate;
  const std::vector<Placed> placed = layOut(layer, layerSeconds);
  // Work in the source's time: every chunk's place and length stretch by the
  // ratio, and the result is converted back to the layer's length at the end.
  const size_t work = static_cast<size_t>(std::ceil(static_cast<double>(frames) * ratio));
  StereoAudio assembled;
  assembled.sampleRate = rate;
  assembled.left.assign(work, 0.0f);
  assembled.right.assign(work, 0.0f);
  if (!placed.empty()) {
    double from = placed.front().sourcePos, to = 0.0;
    for (const Placed& p : placed) {
      from = std::min(from, p.sourcePos);
      to = std::max(to, p.sourcePos + p.length * ratio);
    }
    auto region = decodeSource(sources, path, static_cast<float>(from), static_cast<float>(to - from), rate,
                               layer.fmt);
    if (!region) return false;
    for (size_t k = 0; k < placed.size(); ++k) {
      const Placed& p = placed[k];
      const double fadeIn = k > 0 ? std::max(0.0, placed[k - 1].start + placed[k - 1].length - p.start) : 0.0;
      const double fadeOut =
          k + 1 < placed.size() ? std::max(0.0, p.start + p.length - placed[k + 1].start) : 0.0;
      const int64_t dst0 = std::llround(p.start * ratio * rate);
      const int64_t src0 = std::llround((p.sourcePos - from) * rate);
      const int64_t n = std::llround(p.length * ratio * rate);
      const double inFrames = fadeIn * ratio * rate, outFrames = fadeOut * ratio * rate;
      for (int64_t i = 0; i < n; ++i) {
        const int64_t d = dst0 + i, s = src0 + i;
        if (d < 0 || d >= static_cast<int64_t>(work)) continue;
        if (s < 0 || s >= static_cast<int64_t>(region->frames())) break;
        double g = 1.0;
        if (i < inFrames) g *= std::sin(0.5 * std::numbers::pi * (i / inFrames));
        if (n - i <= outFrames) g *= std::cos(0.5 * std::numbers::pi * (1.0 - (n - i) / outFrames));
        assembled.left[d] += static_cast<float>(g) * region->left[s];
        assembled.right[d] += static_cast<float>(g) * region->right[s];
      }
    }
  }
  out = ratio == 1.0 ? std::move(assembled) : resampleStereo(assembled, rate * ratio, rate);
  out.left.resize(frames, 0.0f);
  out.right.resize(frames, 0.0f);
  return true;
}

}  // namespace vn
