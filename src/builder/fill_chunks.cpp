#include "builder/fill_chunks.h"

#include <algorithm>
#include <cmath>

#include "builder/event_curves.h"
#include "builder/random_pick.h"

namespace vn {
namespace {

int toMs(float seconds) { return static_cast<int>(std::lround(std::clamp(seconds, 0.0f, 2.0e6f) * 1000.0f)); }

}  // namespace

FillLayout fillChunkLayout(float fileDuration, float regionOffset, float layerDuration, ChunkOrder order,
                           uint32_t& rng) {
  FillLayout layout;
  const int layerMs = std::max(1, toMs(layerDuration));
  const int fileMs = toMs(fileDuration);
  const int offsetMs = std::clamp(toMs(regionOffset), 0, std::max(0, fileMs - 1));
  if (fileMs <= 0) return layout;
  if (fileMs - offsetMs >= layerMs) {
    layout.chunks.push_back({0, layerMs, offsetMs});
    return layout;
  }
  layout.loops = true;
  // Shuffled chunks take a good part of the file each, so the texture keeps its
  // own movement, but never the whole of it, so that the seams wander.
  const int chunkMs = order == ChunkOrder::EndToEnd ? fileMs : std::max(std::min(fileMs, 400), fileMs * 3 / 5);
  const int overlap = std::min(kFillCrossfadeMs, chunkMs / 4);
  int at = 0;
  while (at < layerMs && layout.chunks.size() < kMaxFillChunks) {
    int x = 0;
    if (order == ChunkOrder::Shuffle && fileMs > chunkMs)
      x = static_cast<int>(nextUniform(rng) * static_cast<float>(fileMs - chunkMs));
    layout.chunks.push_back({at, std::min(chunkMs, layerMs - at), x});
    at += std::max(1, chunkMs - overlap);
  }
  return layout;
}

std::array<float, 128> fillGainFor(const Event& event, float weight, float spacing) {
  std::array<float, 128> gain{};
  const float sigma = std::max(0.12f, 0.5f * spacing);
  for (int j = 0; j < 128; ++j) {
    const float d = weightValueAt(event, static_cast<float>(j) / 127.0f) - weight;
    // A floor keeps every layer faintly present, so the bed never thins to one colour.
    gain[j] = 0.15f + 0.85f * std::exp(-(d * d) / (2.0f * sigma * sigma));
  }
  return gain;
}

}  // namespace vn
