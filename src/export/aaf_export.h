#pragma once
// The AAF session of a delivery: every clip's essence written as a Broadcast-WAV
// file into "<aaf folder>/Audio Files", then the AAF file whose composition
// "Varnel Timeline" places them. The command line and the export job both call this.
#include <string>
#include <vector>

#include "core/session.h"
#include "export/aaf/aaf_session.h"
#include "export/aaf_delivery.h"
#include "ledger/print_identity.h"
#include "render/render_cache.h"

namespace vn {

struct AafExportOptions {
  bool multichannelTracks = false;  // one stereo track per stereo delivery track, not two mono ones
  bool sourceChannels = false;      // every layer ships with its source's own channels
  double handleSeconds = 1.0;       // per side
  bool fullSource = false;          // the whole source file as handles
  bool volAuto = false;             // the Event's intensity curve as clip gain automation
  bool markers = false;             // sync point markers
  std::string baseName;             // essence name prefix; empty: the AAF file's own name
  // The wet reverb as its own track after the delivery's: left and right from the
  // timeline's start; none when null or empty. Read in place, never copied.
  const std::vector<std::vector<float>>* reverbStem = nullptr;
};

// One essence file as the ledger records it.
struct AafEssenceFile {
  std::string path;
  PrintIdentity print;
  int channels = 0;
  int64_t frames = 0;
  double startSeconds = 0.0;  // timeline seconds of its first sample
  std::vector<int> layers;    // the session results it holds; empty for the reverb stem
};

struct AafExportResult {
  bool ok = false;
  std::string reason;                     // one sentence when not ok
  std::vector<std::string> essenceFiles;  // written, for a rollback by the caller
  std::vector<AafEssenceFile> essence;    // the same files with their prints
  int clips = 0;
  int tracks = 0;
  aaf::WriteStats stats;
};

AafExportResult exportAafSession(const Session& session, const RenderCache& cache,
                                 const std::vector<DeliveryTrack>& delivery, const std::string& aafPath,
                                 const AafExportOptions& options);

// Options as the project's export settings give them.
AafExportOptions aafOptionsFromSettings(const ExportSettings& settings);

}  // namespace vn
