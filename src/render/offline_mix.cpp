#include "render/offline_mix.h"

#include <algorithm>
#include <cmath>

#include "render/mixer_state.h"

namespace vn {

namespace {

constexpr int kChunkFrames = 4096;

bool renderOffline(const RenderCache& cache, const OfflineMixRequest& request, MixdownBuffer& out,
                   const MixProgress& progress, MixPart part) {
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
  out.channels = channels;
  out.sampleRate = rate;
  out.samples.assign(static_cast<size_t>(total) * channels, 0.0f);
  for (int64_t done = 0; done < total;) {
    const int chunk = static_cast<int>(std::min<int64_t>(kChunkFrames, total - done));
    float* dst = out.samples.data() + done * channels;
    {
      // Locked per chunk so that playback is never held off for a whole export.
      std::lock_guard lock(cache.mutex);
      mixLayout(*mixer, cache, first + done, chunk, request.busFilter, part, request.trackFilter);
    }
    if (part == MixPart::Full) {
      writeOutputChannels(*mixer, chunk, dst, channels);
    } else {
      for (int f = 0; f < chunk; ++f) {
        dst[2 * f] = mixer->returnLeft[f];
        dst[2 * f + 1] = mixer->returnRight[f];
      }
    }
    done += chunk;
    if (progress && !progress(static_cast<double>(done) / static_cast<double>(total))) return false;
  }
  return true;
}

}  // namespace

bool renderMixdown(const RenderCache& cache, const OfflineMixRequest& request, MixdownBuffer& out,
                   const MixProgress& progress) {
  return renderOffline(cache, request, out, progress, MixPart::Full);
}

bool renderReverbStem(const RenderCache& cache, const OfflineMixRequest& request, MixdownBuffer& out,
                      const MixProgress& progress) {
  if (!request.settings.reverb.enabled) return false;
  return renderOffline(cache, request, out, progress, MixPart::ReverbReturnOnly);
}

double cacheEndSeconds(const RenderCache& cache, double minimum) {
  std::lock_guard lock(cache.mutex);
  double end = minimum;
  for (const auto& b : cache.blocks) end = std::max(end, static_cast<double>(blockEnd(b)));
  return end;
}

}  // namespace vn
