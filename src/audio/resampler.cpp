#include "audio/resampler.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vn {

int ResamplerCapacity(int projectRate, int streamRate, int bufferFrames) {
  double ratio = std::max(1.0, static_cast<double>(projectRate) / std::max(1, streamRate));
  return std::max(64, static_cast<int>(std::ceil(ratio * bufferFrames)) + 7);
}

void SizeResampler(ResamplerState& state, int capacity, int channels) {
  state.capacity = capacity;
  state.channels = channels;
  state.left.assign(static_cast<size_t>(capacity), 0.0f);
  state.right.assign(static_cast<size_t>(capacity), 0.0f);
  state.interleaved.assign(static_cast<size_t>(capacity) * static_cast<size_t>(channels), 0.0f);
  ResetResampler(state);
}

void ResetResampler(ResamplerState& state) {
  state.position = 0.0;
  state.buffered = 0;
}

int SourceFramesNeeded(double step, double position, int outFrames) {
  auto throughEnd = static_cast<int>(std::floor(outFrames * step + position + 1.0));
  auto lastNeighbour = static_cast<int>(std::floor((outFrames - 1) * step + position + 1.0)) + 3;
  return std::max(throughEnd, lastNeighbour);
}

float CatmullRom(float y0, float y1, float y2, float y3, float t) {
  return y1 + 0.5f * t * ((y2 - y0) + t * (2.0f * y0 - 5.0f * y1 + 4.0f * y2 - y3 +
                                           t * (3.0f * (y1 - y2) + y3 - y0)));
}

void InterpolateChannel(const float* src, int srcStride, int buffered, double position, double step,
                        int outFrames, float* out, int outStride) {
  const int last = buffered - 1;
  for (int i = 0; i < outFrames; ++i) {
    double x = position + 1.0 + i * step;
    auto k = static_cast<int>(std::floor(x));
    auto t = static_cast<float>(x - k);
    float y0 = src[(k - 1) * srcStride];
    float y1 = src[k * srcStride];
    float y2 = src[std::min(last, k + 1) * srcStride];
    float y3 = src[std::min(last, k + 2) * srcStride];
    out[i * outStride] = CatmullRom(y0, y1, y2, y3, t);
  }
}

void ConsumeSource(ResamplerState& state, SourceBuffers inUse, double step, int outFrames) {
  double end = state.position + 1.0 + outFrames * step;
  auto whole = static_cast<int>(std::floor(end));
  int drop = std::clamp(whole - 1, 0, state.buffered);
  int keep = state.buffered - drop;
  auto shift = [&](std::vector<float>& buffer, int width) {
    std::memmove(buffer.data(), buffer.data() + static_cast<size_t>(drop) * width,
                 static_cast<size_t>(keep) * width * sizeof(float));
  };
  if (inUse == SourceBuffers::Stereo) {
    shift(state.left, 1);
    shift(state.right, 1);
  } else {
    shift(state.interleaved, state.channels);
  }
  state.buffered = keep;
  state.position = end - whole;
}

}  // namespace vn
