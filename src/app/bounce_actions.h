#pragma once
// Bounce Selection to Clip in the window: the selected events rendered on the
// worker, then replaced by their Clip as one undoable edit; and the way back.
#include <memory>
#include <vector>

namespace vn {

struct AppState;
struct BounceRender;

struct BounceJob {
  std::vector<int> events;
  std::shared_ptr<BounceRender> file;  // filled by the worker
};

bool bounceAvailable(const AppState& app);
// Renders the selected events into "<project folder>/Bounces" on the worker.
void startBounce(AppState& app);
// Per frame: a finished bounce replaces its events by the Clip.
void pollBounceJob(AppState& app);
// The bounced Clip at eventIdx gives way to its events and their layers (one undo step).
bool revertBounceAt(AppState& app, int eventIdx);

}  // namespace vn
