#include "export/export_wav.h"

#include <algorithm>
#include <cmath>
#include <future>
#include <memory>
#include <map>
#include <optional>

#include "export/bwf_disk_space.h"
#include "export/bwf_writer.h"
#include "export/bwf_failure_reason.h"
#include "export/delivery_audio.h"
#include "export/export_clip.h"
#include "export/export_ixml.h"
#include "export/export_names.h"
#include "core/timecode.h"
#include "export/render_to_file.h"
#include "platform/log.h"
#include "platform/paths.h"
#include "platform/sample_buffer.h"
#include "render/ambix_encode.h"
#include "render/loudness.h"
#include "render/render_cache.h"
#include "render/spatial_layout.h"

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
    fileSpec.channelMask = exportChannelMask(runMixLayout(ctx));
    fileSpec.channels = std::move(planar);
  }
  return fileSpec;
}

// The layout the ledger records for a file: named for the speaker sets the writers make.
std::string channelLayoutText(const ExportFileSpec& fileSpec) {
  const size_t n = fileSpec.channels.size();
  if (fileSpec.ambiX) return "AmbiX";
  if (n == 1) return "mono";
  if (n == 2) return "stereo";
  if (n == 6) return "5.1";
  if (n == 12) return "7.1.4";
  return format("%zu channels", n);
}

// A file's print identity and its iXML. The manifest's level-9 deflate costs about as
// much as mixing a short file, so it is made on a thread of its own while the file's
// audio is mixed (or the previous clip is written).
struct Payload {
  BwfProvenance provenance;
  std::vector<Layer> layers;
  std::future<std::string> ixml;
};

// A clip's manifest carries its own events, as its recipe does; the other kinds are
// made from the whole session and carry all of it.
std::unique_ptr<Payload> startPayload(const ExportContext& ctx, const std::string& ixmlHost, std::vector<Layer> layers,
                                      double t0, const char* kind) {
  const bool clip = std::string_view(kind) == "clip";
  auto payload = std::make_unique<Payload>();
  payload->provenance = BwfProvenance{NewPrintIdentity(), kind};
  payload->layers = std::move(layers);
  const std::string printId = ctx.run.options.embedPrintToken ? payload->provenance.print.printId : std::string();
  const std::vector<Layer>* held = &payload->layers;
  const std::vector<Event>* events = &ctx.session.events;
  // Deferred to the caller's thread when no thread can be had.
  payload->ixml = std::async(std::launch::async | std::launch::deferred,
                             [host = ixmlHost, held, events, t0, printId, clip] {
                               return clip ? withClipManifest(host, *held, *events, t0, printId)
                                           : withManifest(host, *held, *events, t0, printId);
                             });
  return payload;
}

// Writes one file of the run with its payload; false when it was not written.
bool deliver(ExportContext& ctx, ExportFileSpec& fileSpec, Payload& payload, int trackIndex) {
  fileSpec.ixml = payload.ixml.get();
  if (ctx.cancelled()) return false;
  if (!CheckDiskSpaceBeforeWrite(fileSpec.path)) return false;
  BwfWriteOptions options;
  options.provenance = ctx.run.options.embedPrintToken ? &payload.provenance : nullptr;
  options.progress = [&](double) { return !ctx.cancelled(); };
  if (!ctx.writer(fileSpec, options)) return false;
  ctx.run.guard.files.push_back(fileSpec.path);
  queueOutputHashes(ctx.hashes, fileSpec.path);
  ExportedFile file;
  file.path = fileSpec.path;
  file.print = payload.provenance.print;
  file.kind = payload.provenance.kind;
  file.sampleRate = fileSpec.sampleRate;
  file.channels = static_cast<int>(fileSpec.channels.size());
  file.channelLayout = channelLayoutText(fileSpec);
  file.startSeconds = fileSpec.startSeconds - ctx.session.settings.startTC;
  file.frames = fileSpec.channels.empty() ? 0 : static_cast<int64_t>(fileSpec.channels[0].size());
  file.trackIndex = trackIndex;
  file.eventIndices = eventPositionsOf(payload.layers);
  for (const Layer& l : payload.layers) file.layerIds.push_back(l.id);
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

std::string busName(const Session& session, int bus) {
  const std::string& name = session.trackLayout.busses[std::clamp(bus, 0, kMaxBusses - 1)].name;
  return name.empty() ? format("Bus %d", bus + 1) : name;
}

}  // namespace

int exportMixdown(ExportContext& ctx) {
  const ExportOptions& o = ctx.run.options;
  const auto payload = startPayload(ctx, ctx.sessionRecipeIxml, soundingLayers(ctx.session), ctx.start, "mixdown");
  auto planar = takeMixdown(ctx);
  if (!planar) {
    if (!ctx.cancelled()) noteExportFailureReason("the mixdown could not be mixed (memory is short)");
    return 0;
  }
  std::vector<float*> channels;
  for (auto& ch : *planar) channels.push_back(ch.data());
  const long frames = planar->empty() ? 0 : static_cast<long>((*planar)[0].size());
  const std::vector<float> weights = loudnessWeightsOf(MonitorFormat{runMixLayout(ctx), false}, static_cast<int>(planar->size()));
  matchMixdownLoudness(channels, weights, frames, ctx.pipeline.cache.sampleRate, o.lufsIndex);

  ExportFileSpec fileSpec = layoutFile(ctx, std::move(*planar));
  FolderNames names;
  fileSpec.path = pathJoin(o.folder, uniqueFileName(names, o.folder, safeFileName(o.baseName, "Mixdown"), ".wav"));
  fileSpec.description = o.baseName;
  ctx.progress(0.9);
  if (!deliver(ctx, fileSpec, *payload, -1)) return 0;
  if (layoutOf(ctx) == ExportLayout::Stereo)
    logLine("[ExportWAV] Mixdown written to %s\n", fileSpec.path.c_str());
  else
    logLine("[ExportWAV] %s mixdown written to %s\n", exportLayoutName(o.wavLayout), fileSpec.path.c_str());
  ctx.progress(1.0);
  return 1;
}

int exportStems(ExportContext& ctx) {
  const ExportOptions& o = ctx.run.options;
  const std::vector<int> busses = stemBusses(ctx);
  if (busses.empty()) return 0;
  const std::string folder = pathJoin(o.folder, "Stems");
  if (!makeFolder(ctx, folder)) return 0;
  FolderNames names;
  int written = 0;
  for (size_t i = 0; i < busses.size() && !ctx.cancelled(); ++i) {
    const int bus = busses[i];
    const auto layers = layersWhere(ctx.session, [&](const Layer& l) { return l.group == bus; });
    const auto payload = startPayload(ctx, ctx.sessionRecipeIxml, layers, ctx.start, "stem");
    auto planar = takeStem(ctx, i, static_cast<double>(i) / busses.size(), static_cast<double>(i + 1) / busses.size());
    if (!planar) {
      if (!ctx.cancelled()) noteExportFailureReason("a stem could not be mixed (memory is short)");
      continue;
    }
    ExportFileSpec fileSpec = layoutFile(ctx, std::move(*planar));
    const std::string name = busName(ctx.session, bus);
    fileSpec.path = pathJoin(folder, uniqueFileName(names, folder, safeFileName(o.baseName + " - " + name), ".wav"));
    fileSpec.description = name;
    written += deliver(ctx, fileSpec, *payload, -1);
  }
  if (written > 0) logLine("[ExportWAV] %d stems written to %s/Stems/\n", written, o.folder.c_str());
  return written;
}

namespace {

// One fitted delivery track: its layers and comps in the track's own format, mixed
// into `out` (the previous track's buffers, reused: most of a track is silence, and
// fresh memory for each would cost more than the mixing).
bool fittedTrackAudio(const ExportContext& ctx, const DeliveryResult& fit, const FittedTrack& track,
                      const std::vector<int>& blockOfLayer, Planar& out) {
  const RenderCache& cache = ctx.pipeline.cache;
  const double rate = cache.sampleRate;
  const size_t frames = static_cast<size_t>(std::max(0.0, std::round((ctx.end - ctx.start) * rate)));
  try {
    out.resize(static_cast<size_t>(channelFormatChannels(track.fmt)));
    for (auto& channel : out) zeroSamples(channel, frames);
  } catch (const std::bad_alloc&) {
    out.clear();
    return false;
  }
  std::lock_guard lock(cache.mutex);
  for (int at : track.items) {
    const FittedItem& item = fit.items[static_cast<size_t>(at)];
    const Planar audio = deliveredItemAudio(fit, item, cache, blockOfLayer, ctx.run.options.spatialAmount);
    if (audio.empty()) continue;
    const double itemStart = item.comp >= 0 ? static_cast<double>(fit.comps[static_cast<size_t>(item.comp)].start)
                                            : static_cast<double>(cache.blocks[static_cast<size_t>(blockOfLayer[static_cast<size_t>(item.layer)])].start);
    const long offset = std::lround((itemStart - ctx.start) * rate);
    for (size_t c = 0; c < out.size() && c < audio.size(); ++c)
      for (size_t f = 0; f < audio[c].size(); ++f) {
        const long pos = offset + static_cast<long>(f);
        if (pos < 0) continue;
        if (pos >= static_cast<long>(frames)) break;
        out[c][static_cast<size_t>(pos)] += audio[c][f];
      }
  }
  return true;
}

// The layers a fitted track carries: its own and its comps' members.
std::vector<Layer> fittedTrackLayers(const Session& session, const DeliveryResult& fit, const FittedTrack& track) {
  std::vector<Layer> layers;
  const auto add = [&](int index) {
    if (index >= 0 && index < static_cast<int>(session.results.size())) layers.push_back(session.results[index]);
  };
  for (int at : track.items) {
    const FittedItem& item = fit.items[static_cast<size_t>(at)];
    if (item.comp < 0) add(item.layer);
    else
      for (int member : fit.comps[static_cast<size_t>(item.comp)].members) add(member);
  }
  return layers;
}

uint32_t formatChannelMask(int fmt) {
  switch (static_cast<ChannelFormat>(fmt)) {
    case ChannelFormat::Stereo: return kMaskStereo;
    case ChannelFormat::Surround51: return kMask51;
    case ChannelFormat::Surround71: return kMask71;
    case ChannelFormat::Mono: break;
  }
  return 0;
}

int exportFittedTracks(ExportContext& ctx, const DeliveryResult& fit) {
  const ExportOptions& o = ctx.run.options;
  const std::string folder = pathJoin(o.folder, "Tracks");
  if (fit.tracks.empty() || !makeFolder(ctx, folder)) return 0;
  std::vector<int> blockOfLayer;
  {
    std::lock_guard lock(ctx.pipeline.cache.mutex);
    blockOfLayer = blocksByLayer(ctx.pipeline.cache, ctx.session.results);
  }
  FolderNames names;
  int written = 0;
  Planar buffers;
  for (size_t t = 0; t < fit.tracks.size() && !ctx.cancelled(); ++t) {
    const FittedTrack& track = fit.tracks[t];
    ctx.progress(static_cast<double>(t) / fit.tracks.size());
    const auto payload =
        startPayload(ctx, ctx.sessionRecipeIxml, fittedTrackLayers(ctx.session, fit, track), ctx.start, "track");
    if (!fittedTrackAudio(ctx, fit, track, blockOfLayer, buffers)) {
      noteExportFailureReason("a track could not be mixed (memory is short)");
      continue;
    }
    ExportFileSpec fileSpec;
    fileSpec.sampleRate = ctx.pipeline.cache.sampleRate;
    fileSpec.startSeconds = ctx.session.settings.startTC + ctx.start;
    fileSpec.channelMask = formatChannelMask(track.fmt);
    fileSpec.channels = std::move(buffers);
    fileSpec.path = pathJoin(folder, uniqueFileName(names, folder, safeFileName(track.name), ".wav"));
    fileSpec.description = track.name;
    written += deliver(ctx, fileSpec, *payload, static_cast<int>(t));
    buffers = std::move(fileSpec.channels);
  }
  if (written > 0) logLine("[ExportWAV] %d tracks written to %s/Tracks/\n", written, o.folder.c_str());
  return written;
}

}  // namespace

// The delivery tracks are the ones the AAF carries: the fitted ones, or the session's
// own tracks with every layer in its own format when the fit is not shipped.
int exportTracks(ExportContext& ctx) {
  if (ctx.fit) return exportFittedTracks(ctx, *ctx.fit);
  return exportFittedTracks(ctx, deliveryAsItIs(ctx.session));
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
  // Each clip is written while the next one's payload is being made.
  struct Prepared {
    ExportFileSpec fileSpec;
    std::unique_ptr<Payload> payload;
    int track = -1;
  };
  std::optional<Prepared> previous;
  const auto writePrevious = [&] {
    if (previous) written += deliver(ctx, previous->fileSpec, *previous->payload, previous->track);
    previous.reset();
  };
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
    auto payload = startPayload(ctx, host, {clip->rendered}, clip->startSeconds, "clip");
    writePrevious();
    previous = Prepared{std::move(fileSpec), std::move(payload), layer.track};
  }
  writePrevious();
  if (written > 0) logLine("[ExportWAV] %d clips written to %s/Clips/\n", written, o.folder.c_str());
  ctx.progress(1.0);
  return written;
}

bool wantsReverbStem(const ExportContext& ctx) { return ctx.run.options.reverbStem && ctx.session.reverb.enabled; }

int exportReverbStem(ExportContext& ctx) {
  const ExportOptions& o = ctx.run.options;
  const auto payload = startPayload(ctx, ctx.sessionRecipeIxml, soundingLayers(ctx.session), ctx.start, "reverb");
  if (!mixWetReturn(ctx)) {
    if (!ctx.cancelled()) noteExportFailureReason("the reverb stem could not be written");
    return 0;
  }
  ExportFileSpec fileSpec;
  fileSpec.sampleRate = ctx.pipeline.cache.sampleRate;
  fileSpec.startSeconds = ctx.session.settings.startTC + ctx.start;
  fileSpec.channelMask = exportChannelMask(SpatialLayout::Stereo);
  fileSpec.channels = std::move(ctx.mixes.wetReturn.channels);
  FolderNames names;
  fileSpec.path = pathJoin(o.folder, uniqueFileName(names, o.folder, safeFileName(o.baseName + " - Reverb"), ".wav"));
  fileSpec.description = o.baseName + " - Reverb";
  if (!deliver(ctx, fileSpec, *payload, -1)) {
    if (!ctx.cancelled()) noteExportFailureReason("the reverb stem could not be written");
    return 0;
  }
  logLine("[ExportWAV] Reverb stem written to %s\n", fileSpec.path.c_str());
  return 1;
}

}  // namespace vn
