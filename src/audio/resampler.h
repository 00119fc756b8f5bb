#pragma once
// Project-rate to device-rate conversion for the audio callback: a four-point
// Catmull-Rom interpolation over a small buffer of source frames that carries
// the fractional read position from one callback to the next.
#include <cstdint>
#include <vector>

namespace vn {

struct ResamplerState {
  double position = 0.0;  // fractional read position; the next output sits at position + 1
  int buffered = 0;       // source frames held at the front of the buffers
  int capacity = 0;       // frames each buffer can hold
  int channels = 0;       // channels of the interleaved buffer
  std::vector<float> left, right, interleaved;
};

// max(64, ceil(max(1, projectRate / streamRate) x bufferFrames) + 7).
int ResamplerCapacity(int projectRate, int streamRate, int bufferFrames);
// Sizes the buffers (this is the only allocation) and resets the position.
void SizeResampler(ResamplerState& state, int capacity, int channels);
void ResetResampler(ResamplerState& state);

// Source frames that must be buffered to produce outFrames outputs with the
// given step (projectRate / streamRate) from the current position.
int SourceFramesNeeded(double step, double position, int outFrames);

float CatmullRom(float y0, float y1, float y2, float y3, float t);

// Interpolates outFrames values of one channel from src (buffered frames, one
// value every srcStride floats) into out (one value every outStride floats),
// starting at position + 1 and advancing by step.
void InterpolateChannel(const float* src, int srcStride, int buffered, double position, double step,
                        int outFrames, float* out, int outStride);

enum class SourceBuffers { Stereo, Interleaved };

// Moves the read position past outFrames outputs: drops the consumed source
// frames from the front of the buffers in use and keeps the fraction.
void ConsumeSource(ResamplerState& state, SourceBuffers inUse, double step, int outFrames);

}  // namespace vn
