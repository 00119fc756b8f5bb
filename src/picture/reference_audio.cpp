#include "picture/reference_audio.h"

#include <algorithm>
#include <atomic>
#include <cmath>

namespace vn {
namespace {

std::atomic<std::shared_ptr<const VideoRefAudio>>& published() {
  static std::atomic<std::shared_ptr<const VideoRefAudio>> audio;
  return audio;
}

std::atomic<float> gReferenceGain{1.0f};
std::atomic<float> gLoadProgress{0.0f};

}  // namespace

std::shared_ptr<const VideoRefAudio> CurrentReferenceAudio() { return published().load(); }

void PublishReferenceAudio(std::shared_ptr<const VideoRefAudio> audio) { published().store(std::move(audio)); }

void ClearReferenceAudio() { published().store(nullptr); }

void SetReferenceAudioGain(float gain) { gReferenceGain.store(gain, std::memory_order_relaxed); }

void MixReferenceAudio(float* left, float* right, int frameCount, double time, double deviceRate) {
  std::shared_ptr<const VideoRefAudio> audio = CurrentReferenceAudio();
  float gain = gReferenceGain.load(std::memory_order_relaxed);
  if (!audio || audio->frameCount < 2 || deviceRate < 1.0 || gain <= 0.0001f) return;
  const int16_t* s = audio->samples.data();
  const double g = gain / 32768.0;
  const double step = 48000.0 / deviceRate;
  double p = 48000.0 * time;
  for (int i = 0; i < frameCount; ++i, p += step) {
    double whole = std::floor(p);
    if (whole < 0.0 || whole + 1.0 >= static_cast<double>(audio->frameCount)) continue;
    int64_t k = static_cast<int64_t>(whole);
    double f = p - whole;
    double l0 = s[2 * k], l1 = s[2 * k + 2];
    double r0 = s[2 * k + 1], r1 = s[2 * k + 3];
    left[i] += static_cast<float>((l0 + (l1 - l0) * f) * g);
    right[i] += static_cast<float>((r0 + (r1 - r0) * f) * g);
  }
}

float LoadProgress() { return gLoadProgress.load(std::memory_order_relaxed); }

void SetLoadProgress(float progress) { gLoadProgress.store(progress, std::memory_order_relaxed); }

void RaiseLoadProgress(float progress) {
  float current = gLoadProgress.load(std::memory_order_relaxed);
  while (progress > current && !gLoadProgress.compare_exchange_weak(current, progress)) {
  }
}

}  // namespace vn
