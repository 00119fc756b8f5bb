#pragma once
// The built session to delivered files: every layer rendered into the cache, mixed
// through the same mixer the device plays, loudness-matched and written by the
// Broadcast-WAV writers with the recipe and the manifest in their iXML. The window
// and the command line both render files through here.
#include <functional>
#include <string>
#include <vector>

#include "core/session.h"
#include "ledger/print_identity.h"
#include "render/spatial_layout.h"

namespace vn {

struct RenderFileRequest {
  std::string output;      // the mixdown
  std::string reverbStem;  // empty: none
  MonitorFormat format;    // the layout, or binaural headphones (two channels)
  int loudnessIndex = 0;   // 0 none, 1..4: -14, -16, -18, -23 LUFS
  float spatialAmount = 0.0f;
  float spatialDiffuse = 0.0f;
  std::string description;  // bext and iXML description; empty: "Varnel export"
  int channels = 0;         // 1: the mix folded to mono (a take); 0: the format's own
  std::string ixmlHost;     // the document the recipe and manifest go into; empty: the export form
  // A take is peak-normalised (to varNormalizeDb, or only turned down to -1 dBFS)
  // instead of loudness-matched.
  bool normaliseTake = false;
  bool varNormalize = false;
  int varNormalizeDb = -1;
  // A file recorded as a Print: its identity goes into bext and the coding history
  // before it is written, with this kind ("bounce", "variation"); none when empty.
  PrintIdentity print;
  std::string printKind;
};

struct RenderFileResult {
  int blocks = 0;
  int missingSources = 0;
  double seconds = 0.0;
  float loudness = -100.0f;  // of the written mixdown
  long clippedSamples = 0;   // past full scale before the writer held them there
  bool stemWritten = false;
};

// Stages are "Rendering layers", "Mixing" and "Writing"; detail may be empty.
struct RenderFileWatch {
  std::function<void(const char* stage, double fraction, const std::string& detail)> progress;
  std::function<void(const char* stage, const std::string& detail)> stageDone;
  std::function<bool()> cancelled;
};

// False with one sentence in error. A file is replaced only when it was written
// whole: a failure or a cancel leaves what was at the path before.
bool renderSessionToFiles(Session& session, const RenderFileRequest& request, RenderFileResult& result,
                          std::string& error, const RenderFileWatch& watch = {});

// BS.1770 weights of a rendered format's channels (all 1 up to two channels).
std::vector<float> loudnessWeightsOf(MonitorFormat format, int channels);
// The WAVEX channel mask of a layout's file (its channels in speaker-role order);
// 0 for a layout written as plain WAV.
uint32_t exportChannelMask(SpatialLayout layout);

}  // namespace vn
