#pragma once
// The WAV kinds of an export run, one function each; the job calls them in order.
// Each writes through the run's writer seam, registers what it wrote with the
// run's rollback guard and list of written files, and notes the first failure.
#include <string>
#include <vector>

#include "export/delivery_fit.h"
#include "export/export_job.h"
#include "export/export_mixes.h"
#include "ledger/hash_queue.h"
#include "render/offline_mix.h"
#include "render/stream_layer.h"

namespace vn {

struct ExportContext {
  Session& session;
  RenderPipeline& pipeline;
  ExportRun& run;
  const ExportWatch& watch;
  const ExportFileWriter& writer;
  std::vector<std::string> eventRecipeIxml;  // per event: its description-only document with its recipe
  std::string sessionRecipeIxml;             // every event's recipe
  MixSettings mix;                           // the session's mix in the export layout
  const DeliveryResult* fit = nullptr;       // the delivery the tracks follow; null: the session as it is
  RunMixes mixes;                            // what the mix stages share, made once
  double start = 0.0;                        // timeline seconds of the run's files
  double end = 0.0;
  const char* status = "";                   // the stage being reported
  HashQueue& hashes;                         // fingerprints each written file while the next is made

  bool cancelled() const;
  void progress(double fraction) const;
};

// Each returns the number of files it wrote.
int exportMixdown(ExportContext& ctx);
int exportStems(ExportContext& ctx);
int exportTracks(ExportContext& ctx);
int exportClips(ExportContext& ctx);
int exportReverbStem(ExportContext& ctx);
// The run asks for the wet reverb (as a stem, and as the AAF's own tracks) and the reverb is on.
bool wantsReverbStem(const ExportContext& ctx);

}  // namespace vn
