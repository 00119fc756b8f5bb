#pragma once
// The export job: the rendered session to delivered files in one run. The WAV
// kinds are written in the order mixdown, stems, tracks, clips (then the reverb
// stem), each file with a fresh print identity; every file and folder the run
// makes is held by the rollback guard, so that a run that wrote nothing (or was
// cancelled) leaves nothing behind. The run ends with one result text.
#include <functional>
#include <string>
#include <vector>

#include "core/session.h"
#include "export/export_file_writer.h"
#include "export/export_options.h"
#include "export/export_rollback.h"
#include "ledger/record_print.h"
#include "render/render_pipeline.h"

namespace vn {

// Status texts of a run, in the order they appear.
constexpr const char* kExportStatusFit = "Fitting to delivery…";
constexpr const char* kExportStatusAAF = "Exporting AAF…";
constexpr const char* kExportStatusMix = "Exporting mix…";
constexpr const char* kExportStatusStems = "Exporting stems…";
constexpr const char* kExportStatusTracks = "Exporting tracks…";
constexpr const char* kExportStatusClips = "Exporting clips…";
constexpr const char* kExportStatusProvenance = "Recording provenance…";

struct ExportRun {
  ExportOptions options;
  std::vector<ExportedFile> written;
  ExportRollbackGuard guard;
  std::string failureReason;  // the first of the run
  int layersNotFitted = 0;
  int tracksBefore = 0;
  int tracksAfter = 0;
  int folds = 0;
  bool aafFailed = false;
  bool cancelled = false;
  std::string resultText;
};

struct ExportWatch {
  // status: one of the texts above; fraction of that stage 0..1.
  std::function<void(const char* status, double fraction)> progress;
  std::function<bool()> cancelled;
};

// Writes everything the run's options select from the pipeline's rendered cache and
// the session's layers. The pipeline's worker must not be running another job.
void runExportJob(Session& session, RenderPipeline& pipeline, ExportRun& run, const ExportWatch& watch = {},
                  const ExportFileWriter& writer = writeExportFile);

// The offline form (command line, demo): a pipeline of its own renders every layer
// (progress as in render_wait.h), then the run. A cancel during the render ends the
// run as cancelled with nothing written.
void renderAndExport(Session& session, ExportRun& run, const ExportWatch& watch,
                     const std::function<void(int done, int total)>& renderProgress = {});

// The result text of a finished run.
std::string exportResultText(const ExportRun& run);
// The AAF failed, nothing was written or the run was cancelled: its files are removed
// and the notice is "Export failed" (else "Export complete").
bool exportRunFailed(const ExportRun& run);
const char* exportNotice(const ExportRun& run);
constexpr const char* kExportCancelled = "Export cancelled - no files were kept";

}  // namespace vn
