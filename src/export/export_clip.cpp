#include "export/export_clip.h"

#include <sndfile.h>

#include <algorithm>

#include "render/fades.h"

namespace vn {

Layer layerWithHandles(const Layer& layer, const std::vector<Event>& events, const ClipHandles& handles,
                       double sourceSeconds) {
  const bool reversedClip = layer.eventIdx >= 0 && layer.eventIdx < static_cast<int>(events.size()) &&
                            events[layer.eventIdx].shape == ShapeType::Clip && events[layer.eventIdx].clipReverse;
  if (layer.procMode != 0 || reversedClip || layer.placeholder || layer.duration <= 0.0f) return layer;
  const double ratio = pitchRatioOf(layer.pitchShift);  // source seconds per timeline second
  const double used = layer.sourceDuration > 0.0f ? layer.sourceDuration : layer.duration * ratio;
  const double want = handles.fullSource ? 1e9 : std::max(0.0f, handles.seconds);
  // Neither before the source's start nor before the timeline's.
  const double head = std::min({want, layer.sourceOffset / ratio, static_cast<double>(layer.startTime)});
  double tail = want;
  if (sourceSeconds > 0.0) tail = std::min(tail, std::max(0.0, sourceSeconds - layer.sourceOffset - used) / ratio);
  else if (handles.fullSource) tail = 0.0;
  Layer out = layer;
  out.startTime = static_cast<float>(layer.startTime - head);
  out.sourceOffset = static_cast<float>(layer.sourceOffset - head * ratio);
  out.duration = static_cast<float>(layer.duration + head + tail);
  out.sourceDuration = static_cast<float>(used + (head + tail) * ratio);
  return out;
}

double soundFileSeconds(const std::string& path) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) return 0.0;
  sf_close(file);
  return info.samplerate > 0 ? static_cast<double>(info.frames) / info.samplerate : 0.0;
}

std::optional<ClipAudio> renderClip(const Layer& layer, int layerIdx, const StreamInputs& inputs,
                                    const ClipHandles& handles, float fadeIn, float fadeOut) {
  static const std::vector<Event> kNoEvents;
  bool unresolved = false;
  const std::string path = resolveSourcePath(layer.fileId, layer.filepath, unresolved);
  const double sourceSeconds = path.empty() ? 0.0 : soundFileSeconds(path);
  ClipAudio clip;
  clip.rendered = layerWithHandles(layer, inputs.events ? *inputs.events : kNoEvents, handles, sourceSeconds);
  auto block = renderLayer(clip.rendered, layerIdx, inputs);
  if (!block) return std::nullopt;
  const size_t frames = block->left.size();
  const float rate = static_cast<float>(inputs.sampleRate);
  const float duration = static_cast<float>(frames) / rate;
  const FadeLengths fades{std::min(fadeIn, 0.5f * duration), std::min(fadeOut, 0.5f * duration)};
  const float gain = block->baseGain;
  const bool mono = layer.fmt == 0;
  for (size_t i = 0; i < frames; ++i) {
    const float g = gain * fadeGain(fades, duration, static_cast<float>(i) / rate);
    block->left[i] *= g;
    if (!mono) block->right[i] *= g;
  }
  clip.startSeconds = block->start;
  clip.channels.push_back(std::move(block->left));
  if (!mono) clip.channels.push_back(std::move(block->right));
  return clip;
}

}  // namespace vn
