#include "export/render_to_file.h"

#include <cmath>
#include <cstdint>
#include <optional>

#include "export/bwf_disk_space.h"
#include "export/bwf_failure_reason.h"
#include "export/bwf_writer.h"
#include "export/export_ixml.h"
#include "library/libraries.h"
#include "platform/atomic_write.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "render/channel_convert.h"
#include "render/loudness.h"
#include "render/mixer.h"
#include "render/offline_mix.h"
#include "render/render_pipeline.h"
#include "render/render_wait.h"

namespace vn {
namespace {

constexpr const char* kCancelled = "Render cancelled - nothing was written.";

bool cancelled(const RenderFileWatch& watch) { return watch.cancelled && watch.cancelled(); }

void report(const RenderFileWatch& watch, const char* stage, double fraction, const std::string& detail = {}) {
  if (watch.progress) watch.progress(stage, fraction, detail);
}

void finish(const RenderFileWatch& watch, const char* stage, const std::string& detail = {}) {
  if (watch.stageDone) watch.stageDone(stage, detail);
}

long countOverFullScale(const std::vector<std::vector<float>>& planar) {
  long over = 0;
  for (const auto& channel : planar)
    for (float v : channel) over += std::fabs(v) > 1.0f;
  return over;
}

// What travels in the iXML of a rendered file: its description (or the caller's
// document), the recipe and the manifest of the layers that sound in it.
std::string renderedFileIxml(const Session& session, const RenderFileRequest& request, double t0) {
  const std::string host = request.ixmlHost.empty()
                               ? recipeIxml(request.description.empty() ? "Varnel export" : request.description,
                                            session.events)
                               : request.ixmlHost;
  return withManifest(host, soundingLayers(session), session.events, t0, request.print.printId);
}

// A take delivered mono: the pair folded as a mono source would be.
void foldToMono(std::vector<std::vector<float>>& planar) {
  if (planar.size() != 2) return;
  std::vector<float>& mono = planar[0];
  const std::vector<float>& right = planar[1];
  for (size_t f = 0; f < mono.size() && f < right.size(); ++f) mono[f] = monoOfPair(mono[f], right[f]);
  planar.pop_back();
}

struct OutputFile {
  const std::string* path = nullptr;
  std::vector<std::vector<float>> planar;
  int sampleRate = 48000;
  SpatialLayout layout = SpatialLayout::Stereo;
  double startSeconds = 0.0;
  const std::string* ixml = nullptr;
  const char* description = nullptr;
  const BwfProvenance* provenance = nullptr;
};

// Written beside the target and renamed over it once whole.
bool writeOutput(const OutputFile& out, const RenderFileWatch& watch, std::string& error) {
  const std::string& path = *out.path;
  if (!CheckDiskSpaceBeforeWrite(path)) {
    error = format("Could not write %s: %s.", path.c_str(), exportFailureReason().c_str());
    return false;
  }
  const std::string part = path + ".part";
  BwfWriteOptions options;
  options.provenance = out.provenance;
  bool stopped = false;
  options.progress = [&](double fraction) {
    report(watch, "Writing", fraction, fileNameOf(path));
    stopped = cancelled(watch);
    return !stopped;
  };
  bool written;
  if (out.planar.size() == 1) {
    written = out.planar[0].size() <= static_cast<size_t>(INT32_MAX) &&
              WriteBWFClipMono(part, out.planar[0].data(), static_cast<int32_t>(out.planar[0].size()), out.sampleRate,
                               out.startSeconds, out.description, *out.ixml, options);
  } else if (out.planar.size() == 2) {
    written = WriteBWFStereo(part, out.planar[0].data(), out.planar[1].data(),
                             static_cast<int64_t>(out.planar[0].size()), out.sampleRate, out.startSeconds,
                             out.description, *out.ixml, options);
  } else {
    const uint32_t mask = exportChannelMask(out.layout);
    written = WriteBWFMulti(part, out.planar, mask, out.sampleRate, out.startSeconds, out.description, false,
                            mask != 0, *out.ixml, options);
  }
  finish(watch, "Writing", fileNameOf(path));
  if (stopped) {
    error = kCancelled;
    return false;
  }
  if (!written) {
    const std::string reason = exportFailureReason();
    error = format("Could not write %s: %s.", path.c_str(), reason.empty() ? "the writer refused it" : reason.c_str());
    return false;
  }
  const WriteResult committed = commitFileAtomic(part, path);
  if (!committed.ok) {
    error = format("Could not write %s: %s.", path.c_str(), committed.error.c_str());
    return false;
  }
  return true;
}

bool renderLayers(RenderPipeline& pipeline, const RenderFileWatch& watch) {
  const bool done = RenderLayersAndWait(
      pipeline,
      [&](int finished, int total) {
        report(watch, "Rendering layers", static_cast<double>(finished) / total, format("%d/%d layers", finished, total));
      },
      watch.cancelled);
  finish(watch, "Rendering layers", format("%d blocks", pipeline.cache.count.load()));
  return done;
}

// The mix, and the reverb's wet return from the same pass when a stem is wanted.
bool mix(const RenderCache& cache, const OfflineMixRequest& request, MixdownBuffer& out, MixdownBuffer* wetReturn,
         const RenderFileWatch& watch) {
  const MixProgress progress = [&](double f) {
    report(watch, "Mixing", f);
    return !cancelled(watch);
  };
  const bool done = renderMixdown(cache, request, out, progress, wetReturn);
  finish(watch, "Mixing");
  return done;
}

}  // namespace

std::vector<float> loudnessWeightsOf(MonitorFormat format, int channels) {
  std::vector<float> weights(static_cast<size_t>(std::max(channels, 0)), 1.0f);
  if (format.binaural || channels <= 2) return weights;
  const auto roles = layoutRoles(format.layout);
  for (int c = 0; c < channels && c < static_cast<int>(roles.size()); ++c) weights[c] = loudnessWeightOfRole(roles[c]);
  return weights;
}

uint32_t exportChannelMask(SpatialLayout layout) {
  switch (layout) {
    case SpatialLayout::Stereo: return kMaskStereo;
    case SpatialLayout::Surround51: return kMask51;
    case SpatialLayout::Surround714: break;
  }
  return 0;
}

bool renderSessionToFiles(Session& session, const RenderFileRequest& request, RenderFileResult& result,
                          std::string& error, const RenderFileWatch& watch) {
  resetExportFailureReason();
  RenderPipeline pipeline;
  pipeline.session = &session;
  pipeline.libraries = &AppLibraries();
  if (!renderLayers(pipeline, watch)) {
    error = kCancelled;
    return false;
  }
  result.blocks = pipeline.cache.count.load();
  for (const Layer& l : session.results) result.missingSources += l.sourceMissing;

  OfflineMixRequest mixRequest;
  mixRequest.settings = mixSettingsFromSession(session, request.spatialAmount, request.spatialDiffuse, request.format);
  mixRequest.end = cacheEndSeconds(pipeline.cache, session.settings.totalDuration);
  MixdownBuffer out, stem;
  const bool wantStem = !request.reverbStem.empty();
  if (!mix(pipeline.cache, mixRequest, out, wantStem ? &stem : nullptr, watch)) {
    error = cancelled(watch) ? kCancelled : "Not enough memory to mix the session.";
    return false;
  }
  result.seconds = static_cast<double>(out.frames()) / out.sampleRate;
  std::vector<std::vector<float>> planar = std::move(out.channels);
  if (request.channels == 1) foldToMono(planar);
  std::vector<float*> channels;
  for (auto& ch : planar) channels.push_back(ch.data());
  const std::vector<float> weights = loudnessWeightsOf(request.format, static_cast<int>(planar.size()));
  const long frames = planar.empty() ? 0 : static_cast<long>(planar[0].size());
  if (request.normaliseTake && !channels.empty())
    normaliseTake(channels[0], channels.size() > 1 ? channels[1] : nullptr, frames, request.varNormalize,
                  request.varNormalizeDb);
  else
    matchMixdownLoudness(channels, weights, frames, out.sampleRate, request.loudnessIndex);
  const std::vector<const float*> measured(channels.begin(), channels.end());
  result.loudness = integratedLoudness(measured, weights, frames, out.sampleRate);
  result.clippedSamples = countOverFullScale(planar);

  const char* description = request.description.empty() ? nullptr : request.description.c_str();
  const std::string ixml = renderedFileIxml(session, request, mixRequest.start);
  OutputFile mixdown;
  mixdown.path = &request.output;
  mixdown.planar = std::move(planar);
  mixdown.sampleRate = out.sampleRate;
  mixdown.layout = request.format.binaural ? SpatialLayout::Stereo : request.format.layout;
  mixdown.startSeconds = session.settings.startTC + mixRequest.start;
  mixdown.ixml = &ixml;
  mixdown.description = description;
  const BwfProvenance provenance{request.print, request.printKind};
  if (request.print.printId.size() == 32) mixdown.provenance = &provenance;
  if (!writeOutput(mixdown, watch, error)) return false;

  if (!wantStem) return true;
  if (stem.channels.empty()) {
    error = "The reverb stem could not be written (the reverb is off or memory is short).";
    return false;
  }
  OutputFile stemFile;
  stemFile.path = &request.reverbStem;
  stemFile.planar = std::move(stem.channels);
  stemFile.sampleRate = stem.sampleRate;
  stemFile.layout = SpatialLayout::Stereo;
  stemFile.startSeconds = mixdown.startSeconds;
  stemFile.ixml = &ixml;
  stemFile.description = description;
  if (!writeOutput(stemFile, watch, error)) return false;
  result.stemWritten = true;
  return true;
}

}  // namespace vn
