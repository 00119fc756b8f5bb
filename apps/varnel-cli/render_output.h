#pragma once
// Rendering a built session to 24-bit WAV files: the same render cache and
// mixer the device plays, then the loudness match and the writer.
#include <optional>
#include <string>

#include "core/session.h"
#include "render/spatial_layout.h"

namespace vn::cli {

struct RenderFileRequest {
  std::string output;                 // the mixdown
  std::string reverbStem;             // empty: none
  MonitorFormat format;               // the layout, or binaural headphones
  int loudnessIndex = 0;              // 0 none, 1..4: -14, -16, -18, -23 LUFS
  float spatialAmount = 0.0f;
  float spatialDiffuse = 0.0f;
  bool showProgress = true;
};

struct RenderFileResult {
  int blocks = 0;
  int missingSources = 0;
  double seconds = 0.0;
  float loudness = -100.0f;  // of the written mixdown
  long clippedSamples = 0;
  bool stemWritten = false;
};

// False with one sentence in error (nothing is written when the mixdown fails;
// an interrupt stops the work and writes nothing).
bool renderSessionToFiles(Session& session, const RenderFileRequest& request, RenderFileResult& result,
                          std::string& error);

// "stereo", "5.1", "7.1.4" or "binaural".
std::optional<MonitorFormat> parseRenderLayout(const std::string& text);
// "-14", "-16", "-18", "-23" to the mixdown loudness index.
std::optional<int> parseLoudnessTarget(const std::string& text);

}  // namespace vn::cli
