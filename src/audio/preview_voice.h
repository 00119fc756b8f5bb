#pragma once
// One sound file heard on its own through the playback output, beside the
// timeline (a recipe's preview). The interface thread loads and publishes the
// sound; whichever clock drives playback mixes it (the device's callback) or
// moves through it (the silent clock). The clock never waits and frees nothing:
// a replaced sound is kept until no clock can still be reading it.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vn {

struct PreviewSound {
  std::vector<float> samples;  // interleaved left, right at the engine's rate
  int64_t frames = 0;
  uint64_t serial = 0;         // given when started; tells one start from the next
};

struct PreviewVoice {
  // Published by the interface thread, read by the clock.
  std::atomic<const PreviewSound*> sound{nullptr};
  std::atomic<int> readers{0};  // clocks inside the voice this moment
  // The clock's report: the serial of the sound it plays (top 24 bits) and the
  // frames of it mixed so far (the rest), in one word so they never disagree.
  std::atomic<uint64_t> progress{0};

  // The clock's own.
  uint64_t cursorSerial = 0;
  int64_t cursor = 0;

  // Interface thread only.
  std::unique_ptr<PreviewSound> current;
  std::vector<std::unique_ptr<PreviewSound>> retired;
  uint64_t lastSerial = 0;
};

// Reads a sound file as a stereo pair at `rate` (a mono file gives equal sides,
// wider ones fold onto the pair). Null with one sentence in error, naming what the
// file is the preview of (label), when it is missing, unreadable or empty.
std::unique_ptr<PreviewSound> LoadPreviewSound(const std::string& path, const std::string& label, int rate,
                                               std::string& error);

// Interface thread: plays the sound from its start, replacing any other.
void StartPreview(PreviewVoice& voice, std::unique_ptr<PreviewSound> sound);
void StopPreview(PreviewVoice& voice);
// True from the start until the clock has played the last frame or it is stopped.
bool PreviewPlaying(const PreviewVoice& voice);
// Frames of the current sound the clock has played; 0 before it has begun.
int64_t PreviewFramesPlayed(const PreviewVoice& voice);
// Frees replaced sounds once no clock is reading; once per interface frame.
void ReleaseRetiredPreviews(PreviewVoice& voice);

// The clock's side (inside the engine's clock lock). Adds the next frames of the
// sound, times gain, to an interleaved buffer: left and right onto the first two
// channels, their average onto a single one.
void MixPreviewVoice(PreviewVoice& voice, float* out, int frames, int channels, float gain);
// Moves through the next frames without sound (the silent clock).
void AdvancePreviewVoice(PreviewVoice& voice, int frames);

// Adds frames of a stereo interleaved source to an interleaved buffer of
// `channels` channels, as MixPreviewVoice places them.
void MixStereoInto(const float* stereo, int frames, float* out, int channels, float gain);

}  // namespace vn
