#include "demo_picture.h"

#include <cstdio>

#include "picture/trace_file.h"
#include "picture/trace_session.h"
#include "picture/video_player.h"
#include "platform/paths.h"
#include "tools/test_video.h"
#include "tools/test_video_scenes.h"

namespace vn::cli {

bool ReadDemoPicture(const std::string& folder, const std::string& projectPath, Session& session) {
  const std::string video = pathJoin(folder, "demo_picture.mp4");
  tools::TestVideoSpec clipSpec;
  clipSpec.width = 320;
  clipSpec.height = 180;
  clipSpec.fps = 20;
  clipSpec.seconds = tools::DemoReelSeconds();
  clipSpec.codec = tools::TestVideoCodec::Mpeg4;
  // A guide track, as a picture editor's cut carries one: well under the designed
  // sound (about -49 dB mean against the build's -33), so it never hides it.
  clipSpec.toneHz = 220.0;
  clipSpec.toneLevel = 0.005;
  clipSpec.paint = tools::DemoReel(clipSpec.fps);
  std::string error;
  if (!tools::WriteTestVideo(video, clipSpec, error)) {
    std::fprintf(stderr, "Could not make the demo video: %s.\n", error.c_str());
    return false;
  }
  VideoPlayer player;
  player.offset = session.videoStartTime;
  if (!LoadVideo(player, video)) {
    std::fprintf(stderr, "Couldn't decode the demo video %s.\n", video.c_str());
    return false;
  }
  TraceAnalyzer analyzer;
  ResetTrace(analyzer, player.duration);
  RunTrace(analyzer, player, TraceRun{});

  const TraceSource source = MakeTraceSource(video, player, session.settings.fps, session.settings.startTC);
  const std::string traceFile = TraceFilePath(projectPath, video);
  if (!WriteTraceFile(traceFile, analyzer, {}, source)) {
    std::fprintf(stderr, "Could not write the trace file %s.\n", traceFile.c_str());
    return false;
  }
  StoreTraceSummary(analyzer, session.traceSummary);
  session.videoPath = video;
  TraceImportOptions options;
  options.videoOffset = session.videoStartTime;
  const int imported = ImportTraceEvents(analyzer, session, options);
  std::printf("      %.1f s of picture, %d events proposed, %d imported; %s\n", player.duration,
              static_cast<int>(analyzer.events.size()), imported, fileNameOf(traceFile).c_str());
  return true;
}

}  // namespace vn::cli
