#include "render/offline_mix.h"

#include <algorithm>
#include <cmath>

#include "platform/sample_buffer.h"
#include "render/mixer_state.h"

namespace vn {

namespace {

constexpr int kChunkFrames = 4096;

bool allocate(MixdownBuffer& buffer, int channels, int64_t frames, int rate) {
  buffer.sampleRate = rate;
  try {
    // Each channel zeroed in place: a zeroed template copied into each would touch
    // every page twice.
    buffer.channels.resize(static_cast<size_t>(channels));
    for (auto& channel : buffer.channels) zeroSamples(channel, static_cast<size_t>(frames));
  } catch (const std::bad_alloc&) {
    buffer.channels.clear();
    return false;
  }
  return true;
}

// One mixer and what it fills: a mix of one bus (or of all, -1) and its wet return.
struct Lane {
  MixerPtr mixer;
  int bus = -1;
  MixdownBuffer* out = nullptr;
  MixdownBuffer* wet = nullptr;  // null: the return is not kept
};

void addChunk(MixdownBuffer* sum, int channel, const float* from, int64_t at, int frames) {
  if (!sum) return;
  float* to = sum->channels[static_cast<size_t>(channel)].data() + at;
  for (int f = 0; f < frames; ++f) to[f] += from[f];
}

// Every lane over the request's span, chunk by chunk; `sum` and `wetSum` (when not
// null) take the sum of the lanes' mixes and of their wet returns as they go.
bool renderLanes(const RenderCache& cache, const OfflineMixRequest& request, std::vector<Lane>& lanes, MixPart part,
                 MixdownBuffer* sum, MixdownBuffer* wetSum, const MixProgress& progress) {
  int rate;
  {
    std::lock_guard lock(cache.mutex);
    rate = cache.sampleRate;
  }
  const MonitorFormat format = part == MixPart::Full ? request.settings.monitor : MonitorFormat{};
  int channels = 2;
  for (Lane& lane : lanes) {
    lane.mixer = createMixer(rate, kChunkFrames);
    if (!lane.mixer) return false;
    lane.mixer->active = request.settings;
    configureLayout(*lane.mixer, format);
    if (part == MixPart::Full) channels = monitorChannelCount(lane.mixer->configured);
  }
  const int64_t first = std::llround(request.start * rate);
  const int64_t total = std::max<int64_t>(0, std::llround(request.end * rate) - first);
  const bool keepReturns = request.settings.reverb.enabled;
  for (Lane& lane : lanes) {
    if (!allocate(*lane.out, channels, total, rate)) return false;
    if (lane.wet) lane.wet->channels.clear();
    if (lane.wet && keepReturns && !allocate(*lane.wet, 2, total, rate)) return false;
  }
  if (sum && !allocate(*sum, channels, total, rate)) return false;
  if (wetSum) wetSum->channels.clear();
  if (wetSum && keepReturns && !allocate(*wetSum, 2, total, rate)) return false;
  if (!keepReturns) wetSum = nullptr;
  std::vector<float> interleaved(static_cast<size_t>(kChunkFrames) * channels);
  for (int64_t done = 0; done < total;) {
    const int chunk = static_cast<int>(std::min<int64_t>(kChunkFrames, total - done));
    for (Lane& lane : lanes) {
      Mixer& mixer = *lane.mixer;
      {
        // Locked per chunk so that playback is never held off for a whole export.
        std::lock_guard lock(cache.mutex);
        mixLayout(mixer, cache, first + done, chunk, lane.bus, part);
      }
      if (part == MixPart::Full) {
        writeOutputChannels(mixer, chunk, interleaved.data(), channels);
        for (int c = 0; c < channels; ++c) {
          float* dst = lane.out->channels[static_cast<size_t>(c)].data() + done;
          for (int f = 0; f < chunk; ++f) dst[f] = interleaved[static_cast<size_t>(f) * channels + c];
          addChunk(sum, c, dst, done, chunk);
        }
      } else {
        std::copy_n(mixer.returnLeft.begin(), chunk, lane.out->channels[0].begin() + done);
        std::copy_n(mixer.returnRight.begin(), chunk, lane.out->channels[1].begin() + done);
      }
      if (keepReturns && lane.wet) {
        std::copy_n(mixer.returnLeft.begin(), chunk, lane.wet->channels[0].begin() + done);
        std::copy_n(mixer.returnRight.begin(), chunk, lane.wet->channels[1].begin() + done);
      }
      addChunk(wetSum, 0, mixer.returnLeft.data(), done, chunk);
      addChunk(wetSum, 1, mixer.returnRight.data(), done, chunk);
    }
    done += chunk;
    if (progress && !progress(static_cast<double>(done) / static_cast<double>(total))) return false;
  }
  return true;
}

bool renderOffline(const RenderCache& cache, const OfflineMixRequest& request, MixdownBuffer& out,
                   const MixProgress& progress, MixPart part, MixdownBuffer* wetReturn) {
  std::vector<Lane> lanes(1);
  lanes[0].bus = request.busFilter;
  lanes[0].out = &out;
  lanes[0].wet = wetReturn;
  return renderLanes(cache, request, lanes, part, nullptr, nullptr, progress);
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

bool renderBusStems(const RenderCache& cache, const OfflineMixRequest& request, const std::vector<int>& busses,
                    std::vector<MixdownBuffer>& stems, MixdownBuffer* sum, MixdownBuffer* wetSum,
                    const MixProgress& progress) {
  stems.assign(busses.size(), MixdownBuffer{});
  std::vector<Lane> lanes(busses.size());
  for (size_t i = 0; i < busses.size(); ++i) {
    lanes[i].bus = busses[i];
    lanes[i].out = &stems[i];
  }
  return renderLanes(cache, request, lanes, MixPart::Full, sum, wetSum, progress);
}

double cacheEndSeconds(const RenderCache& cache, double minimum) {
  std::lock_guard lock(cache.mutex);
  double end = minimum;
  for (const auto& b : cache.blocks) end = std::max(end, static_cast<double>(blockEnd(b)));
  return end;
}

}  // namespace vn
