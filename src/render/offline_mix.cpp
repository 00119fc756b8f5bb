#include "render/offline_mix.h"

#include <algorithm>
#include <cmath>

#include "render/mixer_state.h"

namespace vn {

namespace {

constexpr int kChunkFrames = 4096;

bool allocate(MixdownBuffer& buffer, int channels, int64_t frames, int rate) {
  buffer.sampleRate = rate;
  try {
    buffer.channels.assign(static_cast<size_t>(channels), std::vector<float>(static_cast<size_t>(frames), 0.0f));
  } catch (const std::bad_alloc&) {
    buffer.channels.clear();
    return false;
  }
  return true;
}

bool renderOffline(const RenderCache& cache, const OfflineMixRequest& request, MixdownBuffer& out,
                   const MixProgress& progress, MixPart part, MixdownBuffer* wetReturn) {
  int rate;
  {
    std::lock_guard lock(cache.mutex);
    rate = cache.sampleRate;
  }
  auto mixer = createMixer(rate, kChunkFrames);
  if (!mixer) return false;
  mixer->active = request.settings;
  configureLayout(*mixer, part == MixPart::Full ? request.settings.monitor : MonitorFormat{});
  const int channels = part == MixPart::Full ? monitorChannelCount(mixer->configured) : 2;
  const int64_t first = std::llround(request.start * rate);
  const int64_t total = std::max<int64_t>(0, std::llround(request.end * rate) - first);
  if (!allocate(out, channels, total, rate)) return false;
  const bool keepReturn = wetReturn && request.settings.reverb.enabled;
  if (wetReturn) wetReturn->channels.clear();
  if (keepReturn && !allocate(*wetReturn, 2, total, rate)) return false;
  std::vector<float> interleaved(static_cast<size_t>(kChunkFrames) * channels);
  for (int64_t done = 0; done < total;) {
    const int chunk = static_cast<int>(std::min<int64_t>(kChunkFrames, total - done));
    {
      // Locked per chunk so that playback is never held off for a whole export.
      std::lock_guard lock(cache.mutex);
      mixLayout(*mixer, cache, first + done, chunk, request.busFilter, part);
    }
    if (part == MixPart::Full) {
      writeOutputChannels(*mixer, chunk, interleaved.data(), channels);
      for (int c = 0; c < channels; ++c) {
        float* dst = out.channels[static_cast<size_t>(c)].data() + done;
        for (int f = 0; f < chunk; ++f) dst[f] = interleaved[static_cast<size_t>(f) * channels + c];
      }
    } else {
      std::copy_n(mixer->returnLeft.begin(), chunk, out.channels[0].begin() + done);
      std::copy_n(mixer->returnRight.begin(), chunk, out.channels[1].begin() + done);
    }
    if (keepReturn) {
      std::copy_n(mixer->returnLeft.begin(), chunk, wetReturn->channels[0].begin() + done);
      std::copy_n(mixer->returnRight.begin(), chunk, wetReturn->channels[1].begin() + done);
    }
    done += chunk;
    if (progress && !progress(static_cast<double>(done) / static_cast<double>(total))) return false;
  }
  return true;
}

}  // namespace

bool renderMixdown(const RenderCache& cache, const OfflineMixRequest& request, MixdownBuffer& out,
                   const MixProgress& progress, MixdownBuffer* wetReturn) {
  return renderOffline(cache, request, out, progress, MixPart::Full, wetReturn);
}

bool renderReverbStem(const RenderCache& cache, const OfflineMixRequest& request, MixdownBuffer& out,
                      const MixProgress& progress) {
  if (!request.settings.reverb.enabled) return false;
  return renderOffline(cache, request, out, progress, MixPart::ReverbReturnOnly, nullptr);
}

double cacheEndSeconds(const RenderCache& cache, double minimum) {
  std::lock_guard lock(cache.mutex);
  double end = minimum;
  for (const auto& b : cache.blocks) end = std::max(end, static_cast<double>(blockEnd(b)));
  return end;
}

}  // namespace vn
