#pragma once
// The video's own sound, extracted once at load for monitoring against picture:
// 48 kHz stereo 16-bit, published through one process-wide atomic pointer so the
// audio callback never waits for the loader.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vn {

struct VideoRefAudio {
  std::vector<int16_t> samples;  // interleaved left, right
  int64_t frameCount = 0;        // stereo frames
  int sampleRate = 48000;
};

// 60 minutes at 48 kHz.
constexpr int64_t kReferenceAudioMaxFrames = 172800000;

std::shared_ptr<const VideoRefAudio> CurrentReferenceAudio();
void PublishReferenceAudio(std::shared_ptr<const VideoRefAudio> audio);
void ClearReferenceAudio();

// Decodes the best audio stream of the file and publishes it; a file without a
// usable audio stream leaves no reference audio. maxFrames caps the length.
void ExtractReferenceAudio(const std::string& path, int64_t maxFrames = kReferenceAudioMaxFrames);

// Adds the reference audio at `time` seconds (source time) into two float buffers
// at the device rate, interpolating linearly. Output outside the audio is untouched.
void MixReferenceAudio(float* left, float* right, int frameCount, double time, double deviceRate);
void SetReferenceAudioGain(float gain);

// Progress of the running video load, 0..1.
float LoadProgress();
void SetLoadProgress(float progress);
// Raises the progress, never lowers it.
void RaiseLoadProgress(float progress);

}  // namespace vn
