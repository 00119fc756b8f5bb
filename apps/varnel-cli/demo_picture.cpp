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
  tools::TestVideoSpec spec;
  spec.width = 320;
  spec.height = 180;
  spec.fps = 20;
  spec.seconds = tools::DemoReelSeconds();
  spec.codec = tools::TestVideoCodec::Mpeg4;
  spec.toneHz = 220.0;
  spec.paint = tools::DemoReel(spec.fps);
  std::string error;
  if (!tools::WriteTestVideo(video, spec, error)) {
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

  TraceSource source;
  source.path = video;
  source.appVersion = programVersion();
  source.sourceFps = session.settings.fps;
  source.tcStartSec = session.settings.startTC + player.offset;
  source.width = player.width;
  source.height = player.height;
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
