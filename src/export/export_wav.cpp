#include "export/export_wav.h"

#include <algorithm>
#include <map>
#include <optional>

#include "export/bwf_disk_space.h"
#include "export/bwf_failure_reason.h"
#include "export/export_clip.h"
#include "export/export_ixml.h"
#include "export/export_names.h"
#include "core/timecode.h"
#include "export/render_to_file.h"
#include "platform/log.h"
#include "platform/paths.h"
#include "render/ambix_encode.h"
#include "render/loudness.h"

namespace vn {

bool ExportContext::cancelled() const {
  const bool stop = watch.cancelled && watch.cancelled();
  if (stop) run.cancelled = true;
  return run.cancelled;
}

void ExportContext::progress(double fraction) const {
  if (watch.progress) watch.progress(status, std::clamp(fraction, 0.0, 1.0));
}

namespace {

using Planar = std::vector<std::vector<float>>;

ExportLayout layoutOf(const ExportContext& ctx) { return static_cast<ExportLayout>(ctx.run.options.wavLayout); }

// The speaker layout the mixer renders for an export layout (AmbiX is encoded from 7.1.4).
SpatialLayout mixLayoutOf(ExportLayout layout) {
  switch (layout) {
    case ExportLayout::Surround51: return SpatialLayout::Surround51;
    case ExportLayout::Surround714:
    case ExportLayout::AmbiX: return SpatialLayout::Surround714;
    case ExportLayout::Stereo: break;
  }
  return SpatialLayout::Stereo;
}

struct MixPass {
  int bus = -1;
  int track = -1;
  SpatialLayout layout = SpatialLayout::Stereo;
  bool reverbOnly = false;
  double progressFrom = 0.0;  // the share of the stage this pass reports
  double progressTo = 1.0;
};

std::optional<Planar> mixPlanar(const ExportContext& ctx, const MixPass& pass) {
  OfflineMixRequest request;
  request.settings = ctx.mix;
  request.settings.monitor = MonitorFormat{pass.layout, false};
  request.start = ctx.start;
  request.end = ctx.end;
  request.busFilter = pass.bus;
  request.trackFilter = pass.track;
  const MixProgress progress = [&](double f) {
    ctx.progress(pass.progressFrom + f * (pass.progressTo - pass.progressFrom));
    return !ctx.cancelled();
  };
  MixdownBuffer out;
  const RenderCache& cache = ctx.pipeline.cache;
  const bool done = pass.reverbOnly ? renderReverbStem(cache, request, out, progress)
                                    : renderMixdown(cache, request, out, progress);
  if (!done) return std::nullopt;
  return deinterleaveChannels(out.samples, out.channels);
}

// A mix in the export layout: AmbiX is encoded from its speaker mix.
ExportFileSpec layoutFile(const ExportContext& ctx, Planar planar) {
  ExportFileSpec fileSpec;
  fileSpec.sampleRate = ctx.pipeline.cache.sampleRate;
  fileSpec.startSeconds = ctx.session.settings.startTC + ctx.start;
  const ExportLayout layout = layoutOf(ctx);
  if (layout == ExportLayout::AmbiX) {
    fileSpec.channels = encodeAmbiX(planar, SpatialLayout::Surround714);
    fileSpec.ambiX = true;
  } else {
    fileSpec.channelMask = exportChannelMask(mixLayoutOf(layout));
    fileSpec.channels = std::move(planar);
  }
  return fileSpec;
}

// Writes one file of the run with a fresh print identity; false when it was not written.
bool deliver(ExportContext& ctx, ExportFileSpec& fileSpec, const std::string& ixmlHost, const std::vector<Layer>& layers,
             double t0, const char* kind, int trackIndex) {
  if (ctx.cancelled()) return false;
  if (!CheckDiskSpaceBeforeWrite(fileSpec.path)) return false;
  const bool token = ctx.run.options.embedPrintToken;
  BwfProvenance provenance{NewPrintIdentity(), kind};
  fileSpec.ixml = withManifest(ixmlHost, layers, ctx.session.events, t0, token ? provenance.print.printId : std::string());
  BwfWriteOptions options;
  options.provenance = token ? &provenance : nullptr;
  options.progress = [&](double) { return !ctx.cancelled(); };
  if (!ctx.writer(fileSpec, options)) return false;
  ctx.run.guard.files.push_back(fileSpec.path);
  ExportedFile file;
  file.path = fileSpec.path;
  file.print = provenance.print;
  file.kind = kind;
  file.channels = static_cast<int>(fileSpec.channels.size());
  file.start = fileSpec.startSeconds - ctx.session.settings.startTC;
  file.length = fileSpec.channels.empty() ? 0.0 : static_cast<double>(fileSpec.channels[0].size()) / fileSpec.sampleRate;
  file.trackIndex = trackIndex;
  ctx.run.written.push_back(std::move(file));
  return true;
}

bool makeFolder(ExportContext& ctx, const std::string& folder) {
  std::string error;
  if (createExportFolder(ctx.run.guard, folder, error)) return true;
  noteExportFailureReason(format("the folder %s could not be created (%s)", folder.c_str(), error.c_str()));
  return false;
}

std::vector<Layer> layersWhere(const Session& session, const std::function<bool(const Layer&)>& keep) {
  std::vector<Layer> out;
  for (const Layer& l : session.results)
    if (!l.muted && keep(l)) out.push_back(l);
  return out;
}

// Busses in display order that carry at least one sounding layer.
std::vector<int> soundingBusses(const Session& session) {
  std::vector<int> busses;
  const int count = std::clamp(session.trackLayout.busCount, 0, kMaxBusses);
  for (int k = 0; k < count; ++k) {
    const int bus = session.trackLayout.busOrder[k];
    for (const Layer& l : session.results)
      if (!l.muted && l.group == bus) {
        busses.push_back(bus);
        break;
      }
  }
  return busses;
}

std::string busName(const Session& session, int bus) {
  const std::string& name = session.trackLayout.busses[std::clamp(bus, 0, kMaxBusses - 1)].name;
  return name.empty() ? format("Bus %d", bus + 1) : name;
}

}  // namespace

int exportMixdown(ExportContext& ctx) {
  const ExportOptions& o = ctx.run.options;
  MixPass pass;
  pass.layout = mixLayoutOf(layoutOf(ctx));
  pass.progressTo = 0.9;
  auto planar = mixPlanar(ctx, pass);
  if (!planar) {
    if (!ctx.cancelled()) noteExportFailureReason("the mixdown could not be mixed (memory is short)");
    return 0;
  }
  std::vector<float*> channels;
  for (auto& ch : *planar) channels.push_back(ch.data());
  const long frames = planar->empty() ? 0 : static_cast<long>((*planar)[0].size());
  const std::vector<float> weights = loudnessWeightsOf(MonitorFormat{pass.layout, false}, static_cast<int>(planar->size()));
  matchMixdownLoudness(channels, weights, frames, ctx.pipeline.cache.sampleRate, o.lufsIndex);

  ExportFileSpec fileSpec = layoutFile(ctx, std::move(*planar));
  FolderNames names;
  fileSpec.path = pathJoin(o.folder, uniqueFileName(names, o.folder, safeFileName(o.baseName, "Mixdown"), ".wav"));
  fileSpec.description = o.baseName;
  ctx.progress(0.9);
  if (!deliver(ctx, fileSpec, ctx.sessionRecipeIxml, soundingLayers(ctx.session), ctx.start, "mixdown", -1)) return 0;
  if (layoutOf(ctx) == ExportLayout::Stereo)
    logLine("[ExportWAV] Mixdown written to %s\n", fileSpec.path.c_str());
  else
    logLine("[ExportWAV] %s mixdown written to %s\n", exportLayoutName(o.wavLayout), fileSpec.path.c_str());
  ctx.progress(1.0);
  return 1;
}

int exportStems(ExportContext& ctx) {
  const ExportOptions& o = ctx.run.options;
  const std::vector<int> busses = soundingBusses(ctx.session);
  if (busses.empty()) return 0;
  const std::string folder = pathJoin(o.folder, "Stems");
  if (!makeFolder(ctx, folder)) return 0;
  FolderNames names;
  int written = 0;
  for (size_t i = 0; i < busses.size() && !ctx.cancelled(); ++i) {
    MixPass pass;
    pass.bus = busses[i];
    pass.layout = mixLayoutOf(layoutOf(ctx));
    pass.progressFrom = static_cast<double>(i) / busses.size();
    pass.progressTo = static_cast<double>(i + 1) / busses.size();
    auto planar = mixPlanar(ctx, pass);
    if (!planar) {
      if (!ctx.cancelled()) noteExportFailureReason("a stem could not be mixed (memory is short)");
      continue;
    }
    ExportFileSpec fileSpec = layoutFile(ctx, std::move(*planar));
    const std::string name = busName(ctx.session, pass.bus);
    fileSpec.path = pathJoin(folder, uniqueFileName(names, folder, safeFileName(o.baseName + " - " + name), ".wav"));
    fileSpec.description = name;
    const auto layers = layersWhere(ctx.session, [&](const Layer& l) { return l.group == pass.bus; });
    written += deliver(ctx, fileSpec, ctx.sessionRecipeIxml, layers, ctx.start, "stem", -1);
  }
  if (written > 0) logLine("[ExportWAV] %d stems written to %s/Stems/\n", written, o.folder.c_str());
  return written;
}

int exportTracks(ExportContext& ctx) {
  const ExportOptions& o = ctx.run.options;
  // Delivery tracks: every global track a sounding layer sits on, named after its bus.
  std::map<int, const Layer*> tracks;
  for (const Layer& l : ctx.session.results)
    if (!l.muted && l.track >= 0) tracks.emplace(l.track, &l);
  if (tracks.empty()) return 0;
  const std::string folder = pathJoin(o.folder, "Tracks");
  if (!makeFolder(ctx, folder)) return 0;
  FolderNames names;
  int written = 0;
  size_t i = 0;
  for (const auto& [track, first] : tracks) {
    if (ctx.cancelled()) break;
    MixPass pass;
    pass.track = track;
    pass.progressFrom = static_cast<double>(i) / tracks.size();
    pass.progressTo = static_cast<double>(++i) / tracks.size();
    auto planar = mixPlanar(ctx, pass);
    if (!planar) {
      if (!ctx.cancelled()) noteExportFailureReason("a track could not be mixed (memory is short)");
      continue;
    }
    ExportFileSpec fileSpec;
    fileSpec.sampleRate = ctx.pipeline.cache.sampleRate;
    fileSpec.startSeconds = ctx.session.settings.startTC + ctx.start;
    fileSpec.channelMask = exportChannelMask(SpatialLayout::Stereo);
    fileSpec.channels = std::move(*planar);
    const std::string name = format("%s %d", busName(ctx.session, first->group).c_str(), first->groupTrack + 1);
    fileSpec.path = pathJoin(folder, uniqueFileName(names, folder, safeFileName(name), ".wav"));
    fileSpec.description = name;
    const auto layers = layersWhere(ctx.session, [&](const Layer& l) { return l.track == track; });
    written += deliver(ctx, fileSpec, ctx.sessionRecipeIxml, layers, ctx.start, "track", track);
  }
  if (written > 0) logLine("[ExportWAV] %d tracks written to %s/Tracks/\n", written, o.folder.c_str());
  return written;
}

int exportClips(ExportContext& ctx) {
  const ExportOptions& o = ctx.run.options;
  const Session& session = ctx.session;
  std::vector<int> clipLayers;
  for (size_t i = 0; i < session.results.size(); ++i)
    if (!session.results[i].muted) clipLayers.push_back(static_cast<int>(i));
  if (clipLayers.empty()) return 0;
  const std::string folder = pathJoin(o.folder, "Clips");
  if (!makeFolder(ctx, folder)) return 0;

  std::vector<float> eventGains;
  for (const Event& e : session.events) eventGains.push_back(e.gain);
  StreamInputs inputs;
  inputs.sources = &ctx.pipeline.sources;
  inputs.sampleRate = ctx.pipeline.cache.sampleRate;
  inputs.events = &session.events;
  inputs.eventGains = &eventGains;
  inputs.settings = &session.settings;
  inputs.keepPitch = true;  // the pitch the layer was rendered at
  const ClipHandles handles{o.handleDuration, o.handleFullSource};

  FolderNames names;
  int written = 0;
  for (size_t n = 0; n < clipLayers.size() && !ctx.cancelled(); ++n) {
    ctx.progress(static_cast<double>(n) / clipLayers.size());
    const int idx = clipLayers[n];
    const Layer& layer = session.results[idx];
    auto clip = renderClip(layer, idx, inputs, handles, o.fadeInDuration, o.fadeOutDuration);
    if (!clip) continue;
    ExportFileSpec fileSpec;
    fileSpec.sampleRate = inputs.sampleRate;
    fileSpec.startSeconds = session.settings.startTC + clip->startSeconds;
    fileSpec.channels = std::move(clip->channels);
    const std::string layerName = safeFileName(stemOf(layer.name.empty() ? layer.filepath : layer.name), "Layer");
    std::string timecode = formatTimecode(fileSpec.startSeconds, session.settings.fps);
    std::replace(timecode.begin(), timecode.end(), ':', '-');  // a colon is no file-name character
    const std::string stem = format("E%03d - %s - %s", layer.eventIdx + 1, layerName.c_str(), timecode.c_str());
    fileSpec.path = pathJoin(folder, uniqueFileName(names, folder, stem, ".wav"));
    fileSpec.description = layerName;
    const bool ownEvent = layer.eventIdx >= 0 && layer.eventIdx < static_cast<int>(ctx.eventRecipeIxml.size());
    const std::string& host = ownEvent ? ctx.eventRecipeIxml[layer.eventIdx] : ctx.sessionRecipeIxml;
    written += deliver(ctx, fileSpec, host, {clip->rendered}, clip->startSeconds, "clip", layer.track);
  }
  if (written > 0) logLine("[ExportWAV] %d clips written to %s/Clips/\n", written, o.folder.c_str());
  ctx.progress(1.0);
  return written;
}

int exportReverbStem(ExportContext& ctx) {
  const ExportOptions& o = ctx.run.options;
  MixPass pass;
  pass.reverbOnly = true;
  auto planar = mixPlanar(ctx, pass);
  if (!planar) {
    if (!ctx.cancelled()) noteExportFailureReason("the reverb stem could not be written");
    return 0;
  }
  ExportFileSpec fileSpec;
  fileSpec.sampleRate = ctx.pipeline.cache.sampleRate;
  fileSpec.startSeconds = ctx.session.settings.startTC + ctx.start;
  fileSpec.channelMask = exportChannelMask(SpatialLayout::Stereo);
  fileSpec.channels = std::move(*planar);
  FolderNames names;
  fileSpec.path = pathJoin(o.folder, uniqueFileName(names, o.folder, safeFileName(o.baseName + " - Reverb"), ".wav"));
  fileSpec.description = o.baseName + " - Reverb";
  if (!deliver(ctx, fileSpec, ctx.sessionRecipeIxml, soundingLayers(ctx.session), ctx.start, "reverb", -1)) {
    if (!ctx.cancelled()) noteExportFailureReason("the reverb stem could not be written");
    return 0;
  }
  logLine("[ExportWAV] Reverb stem written to %s\n", fileSpec.path.c_str());
  return 1;
}

}  // namespace vn
