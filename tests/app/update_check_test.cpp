// The window's update check: the automatic trigger, the offer in the preferences and
// the frame loop while a check hangs, against servers on 127.0.0.1.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <thread>

#include "app/commands.h"
#include "app/project_actions.h"
#include "app/update_actions.h"
#include "headless_interface.h"
#include "support/https_test_server.h"

namespace vn {
namespace {

using Clock = std::chrono::steady_clock;

std::unique_ptr<AppState> appAsking(const std::string& url) {
  auto app = std::make_unique<AppState>();
  attachProjectContext(*app);
  app->updateSettings.manifestUrl = url;
  app->updateSettings.runningVersion = "2026.9.1";
  app->prefs.lastUpdateCheck = 0;
  app->commands.post(CommandId::ShowSettings);
  return app;
}

TEST(AppUpdateCheck, WithAutomaticChecksOffNothingConnectsUntilAsked) {
  test::SilentListener server;
  ASSERT_GT(server.port(), 0);
  test::HeadlessInterface ui;
  auto holder = appAsking(server.url());
  AppState& app = *holder;
  app.updateSettings.totalTimeoutMs = 2000;
  app.prefs.updateCheckEnabled = false;
  for (int i = 0; i < 120; ++i) ui.frame(app);
  EXPECT_FALSE(server.connectionWaiting(500)) << "a session of frames with automatic checks off connected";
  EXPECT_EQ(app.prefs.lastUpdateCheck, 0);

  // "Check now" asks at once, and stamps the start.
  app.commands.post(CommandId::CheckForUpdates);
  ui.frame(app);
  EXPECT_TRUE(server.connectionWaiting(5000));
  EXPECT_GT(app.prefs.lastUpdateCheck, 0);
  EXPECT_TRUE(app.preferencesChanged.load());
}

TEST(AppUpdateCheck, ADueAutomaticCheckStoresTheOfferOnceADay) {
  test::HttpsTestServer server;
  ASSERT_EQ(server.error(), "");
  server.serve("manifest.json", R"({"schemaVersion": 1, "version": "2026.10",
      "files": {"linux": {"url": "https://example.org/2026.10", "date": "2026-10-01", "notes": ["Faster"]}}})");
  test::HeadlessInterface ui;
  auto holder = appAsking(server.url("manifest.json"));
  AppState& app = *holder;
  app.updateSettings.caFile = server.caFile();
  app.prefs.updateCheckEnabled = true;

  const auto until = Clock::now() + std::chrono::seconds(20);
  while (app.prefs.updateAvailableVersion.empty() && Clock::now() < until) {
    ui.frame(app);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_EQ(app.prefs.updateAvailableVersion, "2026.10");
  EXPECT_EQ(app.prefs.updateAvailablePageUrl, "https://example.org/2026.10");
  EXPECT_EQ(app.prefs.updateAvailableNotes, std::vector<std::string>{"Faster"});
  EXPECT_TRUE(app.preferencesChanged.load());
  ui.frames(app, 30);
  EXPECT_EQ(server.requests(), 1) << "the next automatic check waits a day";

  app.commands.post(CommandId::DismissUpdate);
  ui.frame(app);
  EXPECT_EQ(app.prefs.dismissedUpdateVersion, "2026.10");
  EXPECT_FALSE(commandAvailable(app, CommandId::DismissUpdate)) << "the dismissed offer is no longer shown";

  // A day later the check comes again.
  app.prefs.lastUpdateCheck -= kAutomaticCheckInterval;
  ui.frame(app);
  EXPECT_GE(app.prefs.lastUpdateCheck, static_cast<long long>(std::time(nullptr)) - 60);
}

TEST(AppUpdateCheck, FramesKeepComingWhileACheckHangs) {
  test::SilentListener stalled;
  ASSERT_GT(stalled.port(), 0);
  test::HeadlessInterface ui;
  auto holder = appAsking(stalled.url());
  AppState& app = *holder;
  app.updateSettings.totalTimeoutMs = 8000;
  app.prefs.updateCheckEnabled = true;
  ui.frame(app);
  ASSERT_TRUE(stalled.connectionWaiting(5000));

  double longest = 0.0;
  const auto start = Clock::now();
  for (int i = 0; i < 60; ++i) {
    const auto before = Clock::now();
    ui.frame(app);
    longest = std::max(longest, std::chrono::duration<double>(Clock::now() - before).count());
  }
  const double total = std::chrono::duration<double>(Clock::now() - start).count();
  EXPECT_TRUE(updateCheckRunning(app)) << "the check still hangs after 60 frames drawn in " << total << " s";
  EXPECT_LT(longest, 4.0) << "a frame waited for the check";
  EXPECT_FALSE(commandAvailable(app, CommandId::CheckForUpdates)) << "one check at a time";
}

}  // namespace
}  // namespace vn
