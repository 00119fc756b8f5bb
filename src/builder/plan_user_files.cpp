#include <algorithm>
#include <cmath>

#include "builder/event_build.h"
#include "builder/event_curves.h"
#include "builder/random_pick.h"

namespace vn {
namespace {

struct UserFile {
  std::string path;
  std::string fileId;
};

// The event's liked files; an older project may hold only the single legacy one.
std::vector<UserFile> pinnedOf(const Event& ev) {
  std::vector<UserFile> files;
  for (size_t i = 0; i < ev.pinnedFiles.size(); ++i)
    files.push_back({ev.pinnedFiles[i], i < ev.pinnedFileIds.size() ? ev.pinnedFileIds[i] : std::string()});
  if (files.empty() && !ev.pinnedFile.empty()) files.push_back({ev.pinnedFile, ev.pinnedFileId});
  return files;
}

SketchKind sketchOfShape(const Event& ev) {
  switch (ev.shape) {
    case ShapeType::Spot: return ev.alloy ? SketchKind::Alloy : SketchKind::Spot;
    case ShapeType::Scatter: return SketchKind::Scatter;
    case ShapeType::Fill: return ev.sceneLink >= 0 ? SketchKind::Wash : SketchKind::Fill;
    default: return SketchKind::Layer;
  }
}

}  // namespace

// Liked files come first and take the event's shape: a hit in a Spot or
// Scatter, a Fill layer in a Fill, a layer over the whole event otherwise.
void placePinnedFiles(EventBuild& eb) {
  const Event& ev = eb.ev;
  const bool hit = ev.shape == ShapeType::Spot || ev.shape == ShapeType::Scatter;
  const float w = hit ? weightValueAt(ev, ev.duration > 0.0f ? clampf(ev.syncOffset / ev.duration, 0.0f, 1.0f) : 0.5f)
                      : meanWeightValue(ev);
  for (const UserFile& file : pinnedOf(ev)) {
    if (eb.outOfTime()) return;
    const int procMode = hit ? 2 : ev.shape == ShapeType::Fill ? 1 : 0;
    Layer layer = newLayer(eb, w, procMode, eb.anchor, ev.duration);
    const auto record = userFileRecord(eb, file.path, file.fileId);
    if (!record) {
      appendPlaceholder(eb, std::move(layer), sketchOfShape(ev));
      continue;
    }
    if (hit) {
      placeSpotSound(eb, std::move(layer), *record);
      continue;
    }
    if (ev.shape == ShapeType::Fill) {
      fillLayerFrom(eb, layer, *record, ChunkOrder::Shuffle);
    } else {
      placeBody(layer, bodyRegion(*record, ev.duration, eb.peak, usedSpansOf(eb, record->path), nextUniform(eb.run.rng)),
                0.2f);
    }
    commitPick(eb, std::move(layer), *record, eb.anchor);
  }
}

// A Clip plays its one file as the user set it up.
void planClip(EventBuild& eb) {
  const Event& ev = eb.ev;
  const std::vector<UserFile> files = pinnedOf(ev);
  Layer layer = newLayer(eb, meanWeightValue(ev), 2, eb.anchor, ev.duration);
  const auto record = files.empty() ? std::nullopt : userFileRecord(eb, files.front().path, files.front().fileId);
  if (!record) {
    appendPlaceholder(eb, std::move(layer), SketchKind::Layer);
    return;
  }
  const float rate = ev.clipPitchRate;
  layer.sourceOffset = std::min(ev.clipSourceOffset, std::max(0.0f, record->duration));
  layer.sourceDuration = ev.clipSourceDuration > 0.0f
                             ? ev.clipSourceDuration
                             : std::max(0.0f, std::min(record->duration - layer.sourceOffset, ev.duration * rate));
  if (ev.clipFadeIn >= 0.0f) layer.fadeIn = ev.clipFadeIn;
  if (ev.clipFadeOut >= 0.0f) layer.fadeOut = ev.clipFadeOut;
  fitFades(layer);
  if (ev.clipWeight >= 0.0f) layer.layerGain = ev.clipWeight;
  if (std::fabs(rate - 1.0f) > 0.001f) layer.pitchShift = 12.0f * std::log2(rate);
  commitPick(eb, std::move(layer), *record, eb.anchor);
}

// A Bed plays each of its files over the whole event: looped end to end or
// shuffled in stretches, at its own level weight.
void planBed(EventBuild& eb) {
  const Event& ev = eb.ev;
  const std::vector<UserFile> files = pinnedOf(ev);
  for (size_t i = 0; i < files.size(); ++i) {
    Layer layer = newLayer(eb, meanWeightValue(ev), 1, eb.anchor, ev.duration);
    const auto record = userFileRecord(eb, files[i].path, files[i].fileId);
    if (!record) {
      appendPlaceholder(eb, std::move(layer), SketchKind::Wash);
      continue;
    }
    const bool loop = i < ev.bedLayerLoop.size() ? static_cast<bool>(ev.bedLayerLoop[i]) : true;
    if (i < ev.bedLayerWeight.size() && std::isfinite(ev.bedLayerWeight[i]))
      layer.layerGain = clampf(ev.bedLayerWeight[i], 0.0f, 2.0f);
    fillLayerFrom(eb, layer, *record, loop ? ChunkOrder::EndToEnd : ChunkOrder::Shuffle);
    commitPick(eb, std::move(layer), *record, eb.anchor);
  }
}

}  // namespace vn
