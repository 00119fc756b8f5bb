#include "tools/test_video_scenes.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <numbers>

namespace vn::tools {
namespace {

uint32_t hashCell(int x, int y, uint32_t seed) {
  uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u + seed * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return h ^ (h >> 16);
}

// Smooth value noise in 0..1 with features about `cell` pixels wide.
float valueNoise(int x, int y, int cell, uint32_t seed) {
  auto floorDiv = [](int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); };
  int cx = floorDiv(x, cell), cy = floorDiv(y, cell);
  float fx = static_cast<float>(x - cx * cell) / cell, fy = static_cast<float>(y - cy * cell) / cell;
  auto at = [&](int i, int j) { return static_cast<float>(hashCell(cx + i, cy + j, seed) & 0xffff) / 65535.0f; };
  float top = at(0, 0) + (at(1, 0) - at(0, 0)) * fx;
  float bottom = at(0, 1) + (at(1, 1) - at(0, 1)) * fx;
  return top + (bottom - top) * fy;
}

// Smooth value noise along one axis.
float profile(int t, uint32_t seed) {
  return valueNoise(t, 0, 3, seed);
}

// Blotches plus strong column and row structure, so that the luma projections a
// picture shift is measured from vary well along both axes.
float texture(int x, int y, uint32_t seed) {
  return 0.4f * valueNoise(x, y, 7, seed) + 0.15f * valueNoise(x, y, 3, seed + 17) + 0.25f * profile(x, seed + 29) +
         0.2f * profile(y, seed + 31);
}

struct Palette {
  float low[3];
  float span[3];
};

// Mid-tones with room above for flashes and swells.
constexpr Palette kStill{{60, 50, 40}, {120, 120, 120}};
// The two sides of the hard cut use disjoint ranges of every channel.
constexpr Palette kWarm{{160, 0, 0}, {95, 95, 95}};
constexpr Palette kCool{{0, 128, 160}, {95, 95, 95}};

// The texture of the three channels, computed once per column and kept, since
// every frame of a clip paints the same texture (shifted when it pans).
class TextureField {
 public:
  // The channels of pixel (x, y) for x in [0, width) and y in [0, height), column
  // by column, three values per pixel.
  const float* columns(int width, int height) {
    if (height != height_) {
      height_ = height;
      values_.clear();
      width_ = 0;
    }
    if (width > width_) {
      const int grown = std::max(width, width_ * 2);
      values_.resize(static_cast<size_t>(grown) * height_ * 3);
      for (int x = width_; x < grown; ++x)
        for (int y = 0; y < height_; ++y)
          for (int c = 0; c < 3; ++c)
            values_[(static_cast<size_t>(x) * height_ + y) * 3 + c] = texture(x, y, 11 + 5 * c);
      width_ = grown;
    }
    return values_.data();
  }

 private:
  std::vector<float> values_;
  int width_ = 0;
  int height_ = 0;
};

void paintTexture(TextureField& field, uint8_t* rgba, int width, int height, int shiftX, const Palette& p,
                  float gain = 1.0f) {
  const float* values = field.columns(width + shiftX, height);
  uint8_t lut[3][256];
  for (int c = 0; c < 3; ++c)
    for (int v = 0; v < 256; ++v)
      lut[c][v] = static_cast<uint8_t>(std::clamp((p.low[c] + p.span[c] * v / 255.0f) * gain, 0.0f, 255.0f));
  for (int x = 0; x < width; ++x) {
    const float* column = values + static_cast<size_t>(x + shiftX) * height * 3;
    for (int y = 0; y < height; ++y) {
      uint8_t* px = rgba + (static_cast<size_t>(y) * width + x) * 4;
      for (int c = 0; c < 3; ++c) px[c] = lut[c][static_cast<int>(column[y * 3 + c] * 255.0f)];
      px[3] = 255;
    }
  }
}

void paintWhite(uint8_t* rgba, int width, int height) { std::memset(rgba, 255, static_cast<size_t>(width) * height * 4); }

}  // namespace

FramePainter StillWithFlash(int flashFrame) { return MetronomeFlashes(flashFrame, 1, 1); }

FramePainter HardCut(int cutFrame) {
  return [cutFrame, field = std::make_shared<TextureField>()](int index, uint8_t* rgba, int width, int height) {
    paintTexture(*field, rgba, width, height, 0, index < cutFrame ? kWarm : kCool);
  };
}

FramePainter HorizontalPan(int pixelsPerFrame) {
  return [pixelsPerFrame, field = std::make_shared<TextureField>()](int index, uint8_t* rgba, int width, int height) {
    paintTexture(*field, rgba, width, height, index * pixelsPerFrame, kStill);
  };
}

FramePainter CornerMotion() {
  return [field = std::make_shared<TextureField>()](int index, uint8_t* rgba, int width, int height) {
    paintTexture(*field, rgba, width, height, 0, kStill);
    // A 4 x 4 square bouncing between x = 6 and x = 26, two pixels per frame:
    // always inside the top-left cell of the 4 x 4 grid of a 160 x 90 picture.
    const int phase = (index * 2) % 40;
    const int left = 6 + (phase < 20 ? phase : 40 - phase);
    for (int y = 8; y < 12 && y < height; ++y)
      for (int x = left; x < left + 4 && x < width; ++x)
        for (int c = 0; c < 3; ++c) {
          uint8_t& v = rgba[(static_cast<size_t>(y) * width + x) * 4 + c];
          v = static_cast<uint8_t>(std::min(255, v + 60));
        }
  };
}

FramePainter MetronomeFlashes(int first, int every, int count, int flashFrames) {
  return [first, every, count, flashFrames, field = std::make_shared<TextureField>()](int index, uint8_t* rgba,
                                                                                       int width, int height) {
    const int k = index - first;
    if (k >= 0 && every > 0 && k % every < flashFrames && k / every < count)
      paintWhite(rgba, width, height);
    else
      paintTexture(*field, rgba, width, height, 0, kStill);
  };
}

FramePainter SlowSwell(int startFrame, int lengthFrames) {
  return [startFrame, lengthFrames, field = std::make_shared<TextureField>()](int index, uint8_t* rgba, int width,
                                                                             int height) {
    paintTexture(*field, rgba, width, height, 0, kStill);
    if (index < startFrame || index >= startFrame + lengthFrames) return;
    // Grain that changes every frame, its strength rising and falling along a
    // raised cosine: the amount of change in the picture swells and ebbs.
    const float phase = static_cast<float>(index - startFrame) / lengthFrames;
    const float amplitude = 40.0f * 0.5f * (1.0f - std::cos(2.0f * std::numbers::pi_v<float> * phase));
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const float grain = (static_cast<float>(hashCell(x, y, 1000 + index) & 0xff) / 255.0f - 0.5f) * 2.0f;
        uint8_t* px = rgba + (static_cast<size_t>(y) * width + x) * 4;
        for (int c = 0; c < 3; ++c) px[c] = static_cast<uint8_t>(std::clamp(px[c] + grain * amplitude, 0.0f, 255.0f));
      }
  };
}

FramePainter Sequence(std::vector<ScenePart> parts) {
  auto shared = std::make_shared<std::vector<ScenePart>>(std::move(parts));
  return [shared](int index, uint8_t* rgba, int width, int height) {
    int start = 0;
    for (const ScenePart& part : *shared) {
      if (index < start + part.frames || &part == &shared->back()) {
        part.paint(index - start, rgba, width, height);
        return;
      }
      start += part.frames;
    }
  };
}

namespace {

// Lengths of the reel's parts in seconds, in order.
constexpr double kReelParts[] = {2.0, 1.0, 4.0, 2.0, 4.5, 2.0};

}  // namespace

double DemoReelSeconds() {
  double total = 0.0;
  for (double part : kReelParts) total += part;
  return total;
}

FramePainter DemoReel(int fps) {
  auto frames = [fps](double seconds) { return static_cast<int>(seconds * fps + 0.5); };
  // Flashes last over a tenth of a second so that each lands on an analysis
  // frame whatever the frame rate; the regular ones start well after the cut
  // before them, so they read as one run.
  const int flash = std::max(1, frames(0.12));
  return Sequence({
      {frames(kReelParts[0]), StillWithFlash(-1)},
      {frames(kReelParts[1]), MetronomeFlashes(0, frames(1.0), 1, flash)},
      {frames(kReelParts[2]), SlowSwell(0, frames(3.0))},
      {frames(kReelParts[3]), HardCut(frames(1.0))},
      {frames(kReelParts[4]), MetronomeFlashes(frames(1.4), frames(0.5), 6, flash)},
      {frames(kReelParts[5]), HorizontalPan(std::max(1, 80 / fps))},
  });
}

}  // namespace vn::tools
