#pragma once
// The background jobs the interface shows and waits for: builds and renders on the
// render worker, library scans.
#include <string>
#include <vector>

namespace vn {

struct AppState;

struct JobProgress {
  std::string label;
  float fraction = -1.0f;  // 0..1; negative when the job cannot tell
  std::string detail;      // "12/40 events"
};

std::vector<JobProgress> runningJobs(AppState& app);
bool anyJobRunning(AppState& app);

// Per frame: picks up what finished jobs left behind.
void pollJobs(AppState& app);

}  // namespace vn
