#include "app/job_status.h"

#include "app/app_state.h"
#include "app/export_actions.h"
#include "app/library_actions.h"
#include "app/render_actions.h"
#include "library/scan.h"
#include "platform/log.h"

namespace vn {

std::vector<JobProgress> runningJobs(AppState& app) {
  std::vector<JobProgress> jobs;
  if (app.scan.running) {
    const int total = app.scan.total, done = app.scan.processed;
    jobs.push_back({"Scanning", total > 0 ? app.scan.progress.load() : -1.0f,
                    total > 0 ? format("%d/%d files", done, total) : std::string()});
  }
  if (app.relink.running) {
    const int total = app.relink.total, done = app.relink.done;
    jobs.push_back({"Relinking", total > 0 ? float(done) / float(total) : -1.0f,
                    total > 0 ? format("%d/%d files", done, total) : std::string()});
  }
  if (auto render = renderJobProgress(app)) jobs.push_back(*render);
  return jobs;
}

bool anyJobRunning(AppState& app) { return !runningJobs(app).empty(); }

void pollJobs(AppState& app) {
  pollLibraryJobs(app);
  pollRenderJobs(app);
  pollExportJob(app);
  pollBounceJob(app);
}

}  // namespace vn
