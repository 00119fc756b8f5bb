#include "render/stream_layer.h"

#include <algorithm>
#include <cmath>

#include "builder/candidates.h"
#include "library/file_identity.h"
#include "render/alloy_morph.h"
#include "render/block_envelopes.h"
#include "render/carve_filter.h"
#include "render/fill_assembly.h"
#include "render/placeholder_audio.h"
#include "render/scale_snap.h"

namespace vn {

double pitchRatioOf(float semitones) { return std::fabs(semitones) > 0.01f ? std::pow(2.0, semitones / 12.0) : 1.0; }

namespace {

// A decoded region played `ratio` times faster and fitted to `frames`.
StereoAudio fitted(const StereoAudio& region, int rate, double ratio, size_t frames) {
  StereoAudio out = ratio == 1.0 ? region : resampleStereo(region, rate * ratio, rate);
  out.left.resize(frames, 0.0f);
  out.right.resize(frames, 0.0f);
  return out;
}

const Event* eventOf(const Layer& layer, const StreamInputs& in) {
  if (!in.events || layer.eventIdx < 0 || layer.eventIdx >= static_cast<int>(in.events->size())) return nullptr;
  return &(*in.events)[layer.eventIdx];
}

// Reads the layer's source region, snapping it to the scale first when asked.
std::optional<StereoAudio> decodePlain(Layer& layer, const std::string& path, size_t frames, const Event* event,
                                       const StreamInputs& in) {
  const int rate = in.sampleRate;
  const float duration = static_cast<float>(frames) / rate;
  float sourceDuration = layer.sourceDuration > 0.0f
                             ? layer.sourceDuration
                             : duration * static_cast<float>(pitchRatioOf(layer.pitchShift));
  auto region = decodeSource(*in.sources, path, layer.sourceOffset, sourceDuration, rate, layer.fmt);
  if (!region) return std::nullopt;
  const int scale = in.settings ? in.settings->scaleType : 0;
  if (scale != 0 && !in.keepPitch && event && region->frames() >= 129)
    snapLayerToScale(layer, *event, region->left, region->right, rate, scale, in.settings->scaleRoot);
  const double ratio = pitchRatioOf(layer.pitchShift);
  // A tuned layer may need more of its source than the build sized for it.
  const float needed = duration * static_cast<float>(ratio);
  if (needed > sourceDuration + 1e-3f && region->frames() >= static_cast<size_t>(sourceDuration * rate) - 1) {
    if (auto longer = decodeSource(*in.sources, path, layer.sourceOffset, needed, rate, layer.fmt)) region = longer;
  }
  return fitted(*region, rate, ratio, frames);
}

// The primary and its three partners blended by the Alloy morph.
std::optional<StereoAudio> decodeAlloy(Layer& layer, const std::string& path, size_t frames,
                                       const StreamInputs& in) {
  auto primary = decodePlain(layer, path, frames, nullptr, in);
  if (!primary) return std::nullopt;
  const ProjectSettings defaults;
  const ProjectSettings& s = in.settings ? *in.settings : defaults;
  auto partner = [&](const AlloySource& src, double ratio) {
    bool unresolved = false;
    const std::string p = resolveSourcePath(src.fileId, src.filepath, unresolved);
    auto region = p.empty() ? nullptr
                            : decodeSource(*in.sources, p, src.offset, src.duration * static_cast<float>(ratio),
                                           in.sampleRate, layer.fmt);
    // A partner that cannot be read lends the primary's own spectrum.
    if (!region || region->frames() == 0) return *primary;
    StereoAudio out = ratio == 1.0 ? *region : resampleStereo(*region, in.sampleRate * ratio, in.sampleRate);
    return out.frames() ? out : *primary;
  };
  AlloyParams params;
  params.morph = layer.alloyMorph;
  params.algorithm = layer.alloyAlgo;
  params.transferDepth = s.alloyTransferDepth;
  params.attackGraft = s.alloyAttackGraft;
  params.microPitch = s.alloyMicroPitch;
  params.filterBands = s.alloyFilterBands;
  params.weightEnv = layer.alloyWeightEnv;
  params.intensityEnv = layer.alloyIntensityEnv;
  const StereoAudio mid = partner(layer.alloyMid, alloyPartnerRatio(s.alloyMicroPitch, true));
  const StereoAudio high = partner(layer.alloyHigh, alloyPartnerRatio(s.alloyMicroPitch, false));
  const StereoAudio env = partner(layer.alloyEnv, 1.0);
  return alloyMorph(*primary, mid, high, env, in.sampleRate, params);
}

std::optional<std::array<float, 5>> spectralProfileOf(const Layer& layer, const StreamInputs& in) {
  float total = 0.0f;
  for (float v : layer.bandShares) total += v;
  if (total > 1e-6f) return layer.bandShares;
  if (const LibraryRecord* r = findLibraryRecord(in.libraries, layer.fileId, layer.filepath)) return r->bandShare;
  return std::nullopt;
}

}  // namespace

uint32_t layerSeed(const std::string& path, float sourceOffset) {
  uint32_t h = 0x811C9DC5u;
  auto feed = [&h](unsigned char byte) {
    h ^= byte;
    h *= 16777619u;
  };
  for (char c : path) feed(static_cast<unsigned char>(c));
  const uint32_t ms = static_cast<uint32_t>(static_cast<int32_t>(std::lround(sourceOffset * 1000.0f)));
  for (int i = 0; i < 4; ++i) feed(static_cast<unsigned char>(ms >> (8 * i)));
  return h == 0 ? 1u : h;
}

float layerBaseGain(const Layer& layer) {
  float gain = 1.0f;
  if (layer.weight > 0.7f) gain *= 1.0f - 0.3f * std::min(1.0f, (layer.weight - 0.7f) / 0.15f);
  return gain * layer.layerGain * layer.userVolume;
}

std::string resolveSourcePath(const std::string& fileId, const std::string& storedPath, bool& unresolved) {
  unresolved = false;
  if (fileId.empty()) return storedPath;
  std::string current = CurrentPathForFileId(fileId);
  if (!current.empty()) return current;
  unresolved = true;
  return storedPath;
}

std::optional<RenderedBlock> renderLayer(Layer& layer, int layerIdx, const StreamInputs& in) {
  const int rate = in.sampleRate;
  const size_t frames = std::max<size_t>(1, static_cast<size_t>(static_cast<double>(rate) * layer.duration));
  std::string path;
  if (!layer.filepath.empty() || !layer.fileId.empty()) path = resolveSourcePath(layer.fileId, layer.filepath, layer.unresolved);
  if (path.empty() && !layer.placeholder && !layer.sourceMissing) return std::nullopt;

  const Event* event = eventOf(layer, in);
  RenderedBlock block;
  StereoAudio audio;
  if (layer.sourceMissing) {
    audio.left.assign(frames, 0.0f);
    audio.right.assign(frames, 0.0f);
  } else if (layer.placeholder) {
    audio.left = synthesisePlaceholder(layer, rate, frames);
    audio.right = audio.left;
  } else {
    std::optional<StereoAudio> decoded;
    if (layer.procMode == 1) {
      StereoAudio fill;
      if (assembleFill(*in.sources, path, layer, rate, frames, pitchRatioOf(layer.pitchShift), fill))
        decoded = std::move(fill);
    } else if (layer.procMode == 3) {
      decoded = decodeAlloy(layer, path, frames, in);
    } else {
      decoded = decodePlain(layer, path, frames, event, in);
    }
    if (decoded) {
      audio = std::move(*decoded);
      if (event && event->shape == ShapeType::Clip && event->clipReverse) {
        std::reverse(audio.left.begin(), audio.left.end());
        std::reverse(audio.right.begin(), audio.right.end());
      }
    } else {
      audio.left.assign(frames, 0.0f);
      audio.right.assign(frames, 0.0f);
      if (!in.keepPitch) layer.sourceMissing = true;
    }
  }

  if (layer.eqGains) {
    applyCarveFilter(audio.left, rate, *layer.eqGains);
    if (layer.fmt == 0) audio.right = audio.left;
    else applyCarveFilter(audio.right, rate, *layer.eqGains);
  }
  applyLayerEnvelopes(layer, audio.left, audio.right);

  block.left = std::move(audio.left);
  block.right = std::move(audio.right);
  block.start = layer.startTime + layer.deconOffset;
  block.duration = static_cast<float>(frames) / rate;
  block.baseGain = layerBaseGain(layer);
  block.mixGain = block.baseGain;
  block.eventGain = in.eventGains && layer.eventIdx >= 0 && layer.eventIdx < static_cast<int>(in.eventGains->size())
                        ? (*in.eventGains)[layer.eventIdx]
                        : 1.0f;
  block.normGain = layer.normGain;
  block.reverbSend = event ? event->reverbSend : -1.0f;
  block.stereoSource = layer.fmt != 0;
  block.spectralProfile = spectralProfileOf(layer, in);
  const uint32_t seed = layerSeed(path, layer.sourceOffset);
  block.placementSeed = seed;
  if (event) {
    block.placement = placeBlock(*event, seed, layer.eventIdx, block.spectralProfile);
    setEventTables(block, *event, layer.procMode);
  } else {
    block.placement = automaticPlacement(seed, layer.eventIdx, 0.3f, block.spectralProfile);
  }
  block.bus = layer.group;
  block.track = layer.track;
  block.eventIdx = layer.eventIdx;
  block.layerIdx = layerIdx;
  block.layerId = layer.id;
  block.muted = layer.muted || (event && event->muted);
  computePeakSummary(block);
  return block;
}

}  // namespace vn
