#include <gtest/gtest.h>

#include "app/app_state.h"
#include "app/edit_actions.h"
#include "app/job_status.h"

namespace vn {
namespace {

TEST(JobStatus, RunningJobsShowTheirProgressAndABusySessionRefusesEdits) {
  auto holder = std::make_unique<AppState>();
  AppState& app = *holder;
  EXPECT_TRUE(runningJobs(app).empty());
  EXPECT_FALSE(anyJobRunning(app));

  // A scan that has not counted its files yet cannot say how far it is.
  app.scan.running = true;
  std::vector<JobProgress> jobs = runningJobs(app);
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_EQ(jobs[0].label, "Scanning");
  EXPECT_LT(jobs[0].fraction, 0.0f);
  EXPECT_TRUE(jobs[0].detail.empty());
  app.scan.total = 40;
  app.scan.processed = 12;
  app.scan.progress = 0.3f;
  jobs = runningJobs(app);
  EXPECT_FLOAT_EQ(jobs[0].fraction, 0.3f);
  EXPECT_EQ(jobs[0].detail, "12/40 files");

  app.relink.running = true;
  app.relink.total = 8;
  app.relink.done = 2;
  app.render.busy = true;
  app.render.progressTotal = 5;
  app.render.progressDone = 4;
  app.render.status = "Rendering";
  jobs = runningJobs(app);
  ASSERT_EQ(jobs.size(), 3u);
  EXPECT_EQ(jobs[1].label, "Relinking");
  EXPECT_FLOAT_EQ(jobs[1].fraction, 0.25f);
  EXPECT_EQ(jobs[1].detail, "2/8 files");
  EXPECT_EQ(jobs[2].label, "Rendering");
  EXPECT_FLOAT_EQ(jobs[2].fraction, 0.8f);
  EXPECT_EQ(jobs[2].detail, "4/5");
  EXPECT_TRUE(anyJobRunning(app));

  // While the render worker holds the Session, an edit says why it waits and takes
  // no undo step.
  EXPECT_TRUE(sessionBusy(app));
  EXPECT_EQ(createEvent(app, ShapeType::Spot, 1.0, 1.0), -1);
  EXPECT_TRUE(app.session.events.empty());
  EXPECT_TRUE(app.history.undo.empty());
  EXPECT_EQ(app.status.text, "Wait for the build to finish");

  app.scan.running = false;
  app.relink.running = false;
  app.render.busy = false;
  EXPECT_FALSE(anyJobRunning(app));
  EXPECT_EQ(createEvent(app, ShapeType::Spot, 1.0, 1.0), 0);
  EXPECT_EQ(app.history.undo.size(), 1u);
}

}  // namespace
}  // namespace vn
