#include "demo_render.h"

#include <cstdio>

#include "core/preferences.h"
#include "export/render_to_file.h"
#include "platform/paths.h"
#include "render_progress.h"

namespace vn::cli {

bool RenderDemoMix(const std::string& folder, Session& session) {
  if (session.results.empty()) {
    std::printf("      no built layers yet - nothing to mix\n");
    return true;
  }
  Preferences prefs;
  LoadPreferences(prefs);
  RenderFileRequest request;
  request.output = pathJoin(folder, "demo_mix.wav");
  if (session.reverb.enabled) request.reverbStem = pathJoin(folder, "demo_mix - Reverb.wav");
  request.spatialAmount = prefs.spatialAmount;
  request.spatialDiffuse = prefs.spatialDiffuse;
  RenderFileResult result;
  std::string error;
  RenderProgress progress(true);
  if (!renderSessionToFiles(session, request, result, error, progress.watch())) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return false;
  }
  std::printf("      %d blocks, %.1f s, %.1f LUFS: %s\n", result.blocks, result.seconds, result.loudness,
              request.output.c_str());
  if (result.missingSources > 0) std::printf("      %d layer(s) without a readable source\n", result.missingSources);
  return true;
}

}  // namespace vn::cli
