#pragma once
// What the application keeps of the picture: the reference video (and a second
// player that loads a newly chosen one on a worker), its frame as a texture, the
// picture read (Trace) and the markers imported from a session text export.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "picture/session_text.h"
#include "picture/trace_analyzer.h"
#include "picture/video_player.h"

namespace vn {

// A video opening on a worker thread into its own player.
struct VideoLoad {
  VideoPlayer player;
  std::string path;
  bool fromProject = false;  // named by the project rather than chosen by the user
  std::atomic<bool> done{false};
  std::atomic<bool> ok{false};
  std::thread worker;
  ~VideoLoad() {
    if (worker.joinable()) worker.join();
  }
};

struct PictureState {
  VideoPlayer player;
  std::unique_ptr<VideoLoad> load;
  std::string loadError;  // why the last load failed, shown in the video area

  unsigned int texture = 0;  // the video frame for the interface
  int textureWidth = 0;
  int textureHeight = 0;
  uint64_t uploadedSerial = 0;

  TraceAnalyzer analyzer;
  TraceParams params;
  bool reading = false;       // a read was running at the last frame
  bool haveRead = false;      // a read finished (or was imported) and was not cleared
  uint64_t mirroredSummary = 0;  // the Session's stored read the analyzer now mirrors

  std::vector<ImportedMarker> markers;
  std::string importRecipe;      // "Apply a recipe…": the recipe given to imported events, empty for none
  int importRecipeShape = -1;    // its shape, -1 for none
  std::string message;  // a passing message of the Trace panel
  double messageUntil = 0.0;
  bool messageIsError = false;
};

// The one the application owns for the life of the process.
PictureState& appPicture();

}  // namespace vn
