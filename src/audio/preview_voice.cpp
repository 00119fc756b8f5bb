#include "audio/preview_voice.h"

#include <algorithm>

#include "platform/paths.h"
#include "render/source_audio.h"

namespace vn {
namespace {

// A preview is a short rendering; a file longer than this is heard only this far.
constexpr double kLongestPreviewSeconds = 600.0;
constexpr int kFrameBits = 40;
constexpr uint64_t kFrameMask = (uint64_t{1} << kFrameBits) - 1;
constexpr uint64_t kSerialMask = (uint64_t{1} << (64 - kFrameBits)) - 1;

uint64_t packProgress(uint64_t serial, int64_t frames) {
  return (serial & kSerialMask) << kFrameBits | (static_cast<uint64_t>(frames) & kFrameMask);
}

// How far the clock is into the sound of this serial; 0 while it plays another.
int64_t framesOf(const PreviewVoice& voice, uint64_t serial) {
  const uint64_t p = voice.progress.load();
  if ((p >> kFrameBits) != (serial & kSerialMask)) return 0;
  return static_cast<int64_t>(p & kFrameMask);
}

void publish(PreviewVoice& voice, std::unique_ptr<PreviewSound> sound) {
  voice.sound.store(sound.get());
  if (voice.current) voice.retired.push_back(std::move(voice.current));
  voice.current = std::move(sound);
}

// The next frames of the published sound: where they start in it and how many
// there are. Counts them as played.
template <typename Use>
void takeFrames(PreviewVoice& voice, int frames, Use use) {
  voice.readers.fetch_add(1);
  const PreviewSound* sound = voice.sound.load();
  if (sound) {
    if (sound->serial != voice.cursorSerial) {
      voice.cursorSerial = sound->serial;
      voice.cursor = 0;
    }
    const int64_t n = std::clamp<int64_t>(sound->frames - voice.cursor, 0, frames);
    if (n > 0) use(sound->samples.data() + voice.cursor * 2, static_cast<int>(n));
    voice.cursor += n;
    voice.progress.store(packProgress(sound->serial, voice.cursor));
  }
  voice.readers.fetch_sub(1);
}

}  // namespace

std::unique_ptr<PreviewSound> LoadPreviewSound(const std::string& path, const std::string& label, int rate,
                                               std::string& error) {
  if (!fileExists(path)) {
    error = "No preview for " + label;
    return nullptr;
  }
  constexpr int kStereo = 1;
  std::optional<StereoAudio> read = readSourceRegion(path, 0.0, kLongestPreviewSeconds, kStereo);
  if (!read) {
    error = "The preview of " + label + " cannot be read as a sound file";
    return nullptr;
  }
  if (read->frames() == 0) {
    error = "The preview of " + label + " holds no sound";
    return nullptr;
  }
  const StereoAudio audio = read->sampleRate == rate ? std::move(*read) : resampleStereo(*read, read->sampleRate, rate);
  auto sound = std::make_unique<PreviewSound>();
  sound->frames = static_cast<int64_t>(audio.frames());
  sound->samples.resize(audio.frames() * 2);
  for (size_t i = 0; i < audio.frames(); ++i) {
    sound->samples[2 * i] = audio.left[i];
    sound->samples[2 * i + 1] = audio.right[i];
  }
  return sound;
}

void StartPreview(PreviewVoice& voice, std::unique_ptr<PreviewSound> sound) {
  sound->serial = ++voice.lastSerial;
  publish(voice, std::move(sound));
}

void StopPreview(PreviewVoice& voice) { publish(voice, nullptr); }

bool PreviewPlaying(const PreviewVoice& voice) {
  return voice.current && framesOf(voice, voice.current->serial) < voice.current->frames;
}

int64_t PreviewFramesPlayed(const PreviewVoice& voice) {
  return voice.current ? framesOf(voice, voice.current->serial) : 0;
}

void ReleaseRetiredPreviews(PreviewVoice& voice) {
  // Every retired sound was unpublished before this look: a clock that had it
  // is still counted among the readers, and one that enters now cannot find it.
  if (!voice.retired.empty() && voice.readers.load() == 0) voice.retired.clear();
}

void MixStereoInto(const float* stereo, int frames, float* out, int channels, float gain) {
  for (int i = 0; i < frames; ++i) {
    const float left = stereo[2 * i] * gain, right = stereo[2 * i + 1] * gain;
    float* frame = out + static_cast<size_t>(i) * channels;
    if (channels == 1) {
      frame[0] += 0.5f * (left + right);
    } else {
      frame[0] += left;
      frame[1] += right;
    }
  }
}

void MixPreviewVoice(PreviewVoice& voice, float* out, int frames, int channels, float gain) {
  takeFrames(voice, frames, [&](const float* stereo, int n) { MixStereoInto(stereo, n, out, channels, gain); });
}

void AdvancePreviewVoice(PreviewVoice& voice, int frames) {
  takeFrames(voice, frames, [](const float*, int) {});
}

}  // namespace vn
