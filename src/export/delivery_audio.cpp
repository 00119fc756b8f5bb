#include "export/delivery_audio.h"

#include <algorithm>
#include <cmath>

#include "render/channel_convert.h"
#include "render/block_gain.h"
#include "render/fades.h"
#include "render/render_cache.h"

namespace vn {

std::vector<int> blocksByLayer(const RenderCache& cache, const std::vector<Layer>& layers) {
  std::vector<int> out(layers.size(), -1);
  for (size_t b = 0; b < cache.blocks.size(); ++b) {
    const RenderedBlock& block = cache.blocks[b];
    if (block.layerIdx < 0 || block.layerIdx >= static_cast<int>(layers.size())) continue;
    if (layers[block.layerIdx].id != block.layerId || block.left.empty()) continue;
    out[block.layerIdx] = static_cast<int>(b);
  }
  return out;
}

ChannelBuffers blockInFormat(const RenderCache& cache, int block, int fmt, float spatialAmount) {
  const RenderedBlock& b = cache.blocks[block];
  const size_t frames = std::min(b.left.size(), b.right.size());
  const float level = b.mixGain * b.normGain * b.eventGain;
  const float fadeIn = block < static_cast<int>(cache.fadeIns.size()) ? cache.fadeIns[block] : 0.0f;
  const float fadeOut = block < static_cast<int>(cache.fadeOuts.size()) ? cache.fadeOuts[block] : 0.0f;
  const FadeLengths fades = effectiveFades(fadeIn, fadeOut, b.duration);
  const float rate = static_cast<float>(cache.sampleRate);
  std::vector<float> left(frames), right(frames);
  blockGains(b, fades, level, 0, static_cast<int>(frames), rate, left.data());
  for (size_t f = 0; f < frames; ++f) {
    right[f] = b.right[f] * left[f];
    left[f] *= b.left[f];
  }
  return convertPairToFormat(left.data(), right.data(), frames, fmt, b.placement, b.stereoSource,
                             panAmount(b.placement, spatialAmount));
}

ChannelBuffers mixMembers(const RenderCache& cache, const std::vector<int>& blockOfLayer,
                          const std::vector<int>& members, float start, float duration, int fmt,
                          float spatialAmount) {
  const double rate = cache.sampleRate;
  const size_t frames = static_cast<size_t>(std::max(0.0, std::round(static_cast<double>(duration) * rate)));
  ChannelBuffers out(static_cast<size_t>(channelFormatChannels(fmt)), std::vector<float>(frames, 0.0f));
  for (int m : members) {
    const int block = m >= 0 && m < static_cast<int>(blockOfLayer.size()) ? blockOfLayer[m] : -1;
    if (block < 0) continue;
    const ChannelBuffers audio = blockInFormat(cache, block, fmt, spatialAmount);
    const long offset = std::lround((static_cast<double>(cache.blocks[block].start) - start) * rate);
    for (size_t c = 0; c < out.size() && c < audio.size(); ++c) {
      const std::vector<float>& src = audio[c];
      for (size_t f = 0; f < src.size(); ++f) {
        const long at = offset + static_cast<long>(f);
        if (at < 0) continue;
        if (at >= static_cast<long>(frames)) break;
        out[c][static_cast<size_t>(at)] += src[f];
      }
    }
  }
  return out;
}

ChannelBuffers deliveredItemAudio(const DeliveryResult& result, const FittedItem& item, const RenderCache& cache,
                                  const std::vector<int>& blockOfLayer, float spatialAmount) {
  if (item.comp >= 0 && item.comp < static_cast<int>(result.comps.size())) return result.comps[item.comp].audio;
  const int block = item.layer >= 0 && item.layer < static_cast<int>(blockOfLayer.size()) ? blockOfLayer[item.layer] : -1;
  if (block < 0) return {};
  return blockInFormat(cache, block, item.fmt, spatialAmount);
}

}  // namespace vn
