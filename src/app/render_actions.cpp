#include "app/render_actions.h"

#include "app/app_state.h"

namespace vn {

// The render worker is not part of this build yet: Build and Render stay disabled.
bool renderJobsAvailable(const AppState&) { return false; }
void postBuild(AppState&, int) {}
void postRender(AppState&) {}
std::optional<JobProgress> renderJobProgress(const AppState&) { return std::nullopt; }
void pollRenderJobs(AppState&) {}

}  // namespace vn
