#include "export/export_job.h"

#include <map>
#include <optional>

#include "export/aaf_export.h"
#include "export/bwf_failure_reason.h"
#include "export/delivery_report.h"
#include "export/export_ixml.h"
#include "export/export_wav.h"
#include "ledger/record_print.h"
#include "platform/atomic_write.h"
#include "platform/log.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "render/bus_balance.h"
#include "library/libraries.h"
#include "render/mixer.h"
#include "render/render_wait.h"
#include "render/track_routing.h"

namespace vn {

namespace {

int filesWritten(const ExportRun& run) { return static_cast<int>(run.written.size()); }

int wavsWritten(const ExportRun& run) {
  int n = 0;
  for (const ExportedFile& f : run.written) n += f.kind != "aaf" && f.kind != "aaf essence";
  return n;
}

void startStage(ExportContext& ctx, const char* status) {
  ctx.status = status;
  ctx.progress(0.0);
}

// The fit the run ships; a fit that no longer lines up with the session's layers
// and blocks is dropped, and the session ships unfitted.
std::optional<DeliveryResult> fitForExport(ExportContext& ctx) {
  FitOptions options;
  options.keepSourceChannels = ctx.run.options.aafSourceChannels;
  options.spatialAmount = ctx.run.options.spatialAmount;
  DeliveryResult fit = fitDelivery(ctx.session, ctx.pipeline.cache, options);
  if (!fit.aligned) {
    logLine("[Export] delivery fit broke index alignment - shipping the session unfitted.\n");
    return std::nullopt;
  }
  ctx.run.tracksBefore = fit.tracksBefore;
  ctx.run.tracksAfter = fit.conformed ? fit.tracksAfter : fit.tracksBefore;
  ctx.run.folds = fit.folds;
  ctx.run.layersNotFitted = fit.notFitting;
  return fit;
}

AafExportOptions aafOptionsOf(const ExportOptions& o) {
  AafExportOptions a;
  a.multichannelTracks = o.aafMultichannelTracks;
  a.sourceChannels = o.aafSourceChannels;
  a.handleSeconds = o.handleDuration;
  a.fullSource = o.handleFullSource;
  a.volAuto = o.aafVolAuto;
  a.markers = o.aafMarkers;
  a.baseName = o.baseName;
  return a;
}

// The AAF session and its essence; every file it wrote is the run's, for the rollback.
void exportAaf(ExportContext& ctx) {
  const ExportOptions& o = ctx.run.options;
  std::string error;
  if (!createExportFolder(ctx.run.guard, pathJoin(o.folder, "Audio Files"), error)) {
    ctx.run.aafFailed = true;
    noteExportFailureReason(format("the AAF essence folder could not be created (%s)", error.c_str()));
    return;
  }
  const std::string aafPath = pathJoin(o.folder, o.baseName + ".aaf");
  AafExportOptions options = aafOptionsOf(o);
  // The wet reverb as its own track; the reverb stem file reuses the same mix.
  if (wantsReverbStem(ctx)) {
    if (mixWetReturn(ctx)) options.reverbStem = &ctx.mixes.wetReturn.channels;
    else if (!ctx.cancelled()) noteExportFailureReason("the reverb stem could not be written");
  }
  AafExportResult result = exportAafSession(ctx.session, ctx.pipeline.cache,
                                            aafDeliveryTracks(ctx.session, ctx.pipeline.cache, ctx.fit, o.spatialAmount), aafPath,
                                            options);
  const RenderCache& cache = ctx.pipeline.cache;
  for (const AafEssenceFile& file : result.essence) {
    ctx.run.guard.files.push_back(file.path);
    if (file.print.printId.size() == 32) queueOutputHashes(ctx.hashes, file.path);
    ExportedFile essence;
    essence.path = file.path;
    essence.kind = "aaf essence";
    essence.print = file.print;
    essence.sampleRate = cache.sampleRate;
    essence.channels = file.channels;
    essence.channelLayout = file.channels == 1 ? "mono" : file.channels == 2 ? "stereo" : format("%d channels", file.channels);
    essence.frames = file.frames;
    essence.startSeconds = file.startSeconds;
    // An essence file holds one layer, or a comp's members: its Print names those alone.
    for (int layer : file.layers) {
      if (layer < 0 || layer >= static_cast<int>(ctx.session.results.size())) continue;
      const Layer& held = ctx.session.results[static_cast<size_t>(layer)];
      essence.eventIndices.push_back(held.eventIdx);
      essence.layerIds.push_back(held.id);
    }
    ctx.run.written.push_back(std::move(essence));
  }
  if (!result.ok) {
    ctx.run.aafFailed = true;
    noteExportFailureReason(result.reason);
    return;
  }
  ctx.run.guard.files.push_back(aafPath);
  ExportedFile session;
  session.path = aafPath;
  session.kind = "aaf";
  ctx.run.written.push_back(std::move(session));
}

void writeDeliveryReport(ExportContext& ctx, const std::string& report) {
  const ExportOptions& o = ctx.run.options;
  const std::string path = pathJoin(o.folder, o.baseName + " delivery.txt");
  if (!writeFileAtomic(path, report).ok) {
    noteExportFailureReason("the delivery report could not be written");
    return;
  }
  ctx.run.guard.files.push_back(path);
}

void recordProvenance(ExportContext& ctx) {
  const ExportOptions& o = ctx.run.options;
  ExportPrintJob job;
  job.session = &ctx.session;
  job.projectPath = o.projectPath;
  job.projectName = o.projectPath.empty() ? o.baseName : stemOf(o.projectPath);
  job.outputFolder = o.folder;
  job.exportName = o.baseName;
  const std::map<std::string, OutputHashes> hashes = takeOutputHashes(ctx.hashes);
  for (ExportedFile& file : ctx.run.written)
    if (auto found = hashes.find(file.path); found != hashes.end()) file.hashes = found->second;
  RecordExportPrints(ctx.run.written, job);
}

}  // namespace

bool exportRunFailed(const ExportRun& run) { return run.cancelled || run.aafFailed || run.written.empty(); }

const char* exportNotice(const ExportRun& run) { return exportRunFailed(run) ? "Export failed" : "Export complete"; }

std::string exportResultText(const ExportRun& run) {
  if (run.cancelled) return kExportCancelled;
  const std::string& reason = run.failureReason;
  if (run.written.empty())
    return reason.empty() ? "Export FAILED - no files were written"
                          : "Export FAILED - no files were written - " + reason;
  if (run.aafFailed) {
    const int wavs = wavsWritten(run);
    return reason.empty() ? format("AAF export FAILED - %d WAV%s written", wavs, plural(wavs))
                          : format("AAF export FAILED - %d WAV%s written - %s", wavs, plural(wavs), reason.c_str());
  }
  const int n = filesWritten(run);
  if (run.layersNotFitted > 0)
    return format("Export complete - %d file%s, %d LAYER%s DID NOT FIT", n, plural(n), run.layersNotFitted,
                  run.layersNotFitted == 1 ? "" : "S");
  if (run.tracksBefore != run.tracksAfter)
    return format("Export complete - %d file%s, %d → %d tracks, %d fold%s", n, plural(n), run.tracksBefore,
                  run.tracksAfter, run.folds, plural(run.folds));
  // A partial run keeps its files and says what went wrong with the others.
  if (!reason.empty()) return format("Export complete - %d file%s - %s", n, plural(n), reason.c_str());
  return format("Export complete - %d file%s", n, plural(n));
}

void runExportJob(Session& session, RenderPipeline& pipeline, ExportRun& run, const ExportWatch& watch,
                  const ExportFileWriter& writer) {
  const ExportOptions& o = run.options;
  resetExportFailureReason();
  {
    std::lock_guard lock(pipeline.layoutMutex);
    rerouteAndRepack(session, pipeline.layout);
  }
  balanceBusses(pipeline.cache, session);  // the blocks follow their layers' busses and tracks
  HashQueue hashes;
  ExportContext ctx{session, pipeline, run, watch, writer, {}, {}, {}, nullptr, {}, 0.0, 0.0, "", hashes};
  for (const Event& e : session.events) ctx.eventRecipeIxml.push_back(recipeIxml(o.baseName, {e}));
  ctx.sessionRecipeIxml = recipeIxml(o.baseName, session.events);
  ctx.mix = mixSettingsFromSession(session, o.spatialAmount, o.spatialDiffuse, MonitorFormat{});
  ctx.start = 0.0;
  ctx.end = cacheEndSeconds(pipeline.cache, session.settings.totalDuration);

  std::string folderError;
  if (!createExportFolder(run.guard, o.folder, folderError))
    noteExportFailureReason(format("the export folder could not be created (%s)", folderError.c_str()));
  else {
    startStage(ctx, kExportStatusFit);
    const std::optional<DeliveryResult> fit = fitForExport(ctx);
    ctx.fit = fit ? &*fit : nullptr;
    if (o.formatAAF && !ctx.cancelled()) {
      startStage(ctx, kExportStatusAAF);
      exportAaf(ctx);
    }
    if (o.formatWAV) {
      if (o.wavMixdown && !ctx.cancelled()) {
        startStage(ctx, kExportStatusMix);
        exportMixdown(ctx);
      }
      if (o.wavStems && !ctx.cancelled()) {
        startStage(ctx, kExportStatusStems);
        exportStems(ctx);
      }
      if (o.wavTracks && !ctx.cancelled()) {
        startStage(ctx, kExportStatusTracks);
        exportTracks(ctx);
      }
      if (o.wavClips && !ctx.cancelled()) {
        startStage(ctx, kExportStatusClips);
        exportClips(ctx);
      }
      if (wantsReverbStem(ctx) && (o.wavMixdown || o.wavStems) && !ctx.cancelled()) {
        startStage(ctx, kExportStatusMix);
        exportReverbStem(ctx);
      }
    }
    if (!ctx.cancelled() && !run.written.empty()) {
      writeDeliveryReport(ctx, fit ? fit->report : unfittedReport(sessionTrackCount(session)));
      startStage(ctx, kExportStatusProvenance);
      // Only a run that keeps its files is recorded; a failed one is rolled back below.
      if (!exportRunFailed(run)) recordProvenance(ctx);
    }
  }
  ctx.cancelled();  // a cancel during the last file still counts
  run.failureReason = exportFailureReason();
  run.resultText = exportResultText(run);
  if (exportRunFailed(run)) {
    rollBackExport(run.guard);
    run.written.clear();
  } else {
    run.guard.committed = true;
  }
  logLine("[Export] %s\n", run.resultText.c_str());
}

void renderAndExport(Session& session, ExportRun& run, const ExportWatch& watch,
                     const std::function<void(int done, int total)>& renderProgress) {
  RenderPipeline pipeline;
  pipeline.session = &session;
  pipeline.libraries = &AppLibraries();
  const auto cancelled = [&] { return watch.cancelled && watch.cancelled(); };
  if (!RenderLayersAndWait(pipeline, renderProgress, cancelled)) {
    run.cancelled = true;
    run.resultText = exportResultText(run);
    return;
  }
  runExportJob(session, pipeline, run, watch);
}

}  // namespace vn
