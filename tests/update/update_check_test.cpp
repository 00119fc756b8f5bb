// The check against real HTTPS servers on 127.0.0.1, started by the tests.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "core/preferences.h"
#include "support/https_test_server.h"
#include "support/log_capture.h"
#include "update/update_check.h"

namespace vn {
namespace {

constexpr const char* kRunning = "2026.9.1";

std::string manifest(const std::string& version, const std::string& platform = "linux", int schema = 1) {
  return R"({"schemaVersion": )" + std::to_string(schema) + R"(, "version": ")" + version +
         R"(", "files": {")" + platform + R"(": {"url": "https://example.org/releases/)" + version +
         R"(", "date": "2026-11-02", "notes": ["Quicker builds", "A new reverb"]}}})";
}

UpdateCheckSettings settingsFor(const test::HttpsTestServer& server, const std::string& path) {
  UpdateCheckSettings s;
  s.manifestUrl = server.url(path);
  s.caFile = server.caFile();
  s.runningVersion = kRunning;
  s.connectTimeoutMs = 3000;
  s.totalTimeoutMs = 10000;
  return s;
}

Preferences withOffer(const std::string& version) {
  Preferences p;
  p.updateAvailableVersion = version;
  p.updateAvailablePageUrl = "https://example.org/releases/" + version;
  p.updateAvailableNotes = {"an older note"};
  return p;
}

TEST(UpdateCheck, ManifestRulesAgainstARealServer) {
  test::HttpsTestServer server;
  ASSERT_EQ(server.error(), "");
  server.serve("newer.json", manifest("2026.10"));
  server.serve("same.json", manifest("2026.9.1.0"));
  server.serve("schema2.json", manifest("2027.1", "linux", 2));
  server.serve("windows.json", manifest("2027.1", "windows"));
  server.serve("page.json", "<!doctype html><p>moved</p>");

  {
    const UpdateCheckResult r = RunUpdateCheck(settingsFor(server, "newer.json"));
    ASSERT_EQ(r.outcome, UpdateOutcome::Newer) << r.error;
    Preferences p = withOffer("2026.9.5");
    EXPECT_TRUE(applyUpdateResult(p, r));
    EXPECT_EQ(p.updateAvailableVersion, "2026.10");
    EXPECT_EQ(p.updateAvailablePageUrl, "https://example.org/releases/2026.10");
    EXPECT_EQ(p.updateAvailableDate, "2026-11-02");
    EXPECT_EQ(p.updateAvailableNotes, (std::vector<std::string>{"Quicker builds", "A new reverb"}));
  }
  {
    // The running version offered clears an older offer.
    const UpdateCheckResult r = RunUpdateCheck(settingsFor(server, "same.json"));
    ASSERT_EQ(r.outcome, UpdateOutcome::UpToDate) << r.error;
    Preferences p = withOffer("2026.9.5");
    EXPECT_TRUE(applyUpdateResult(p, r));
    EXPECT_EQ(p.updateAvailableVersion, "");
    EXPECT_TRUE(p.updateAvailableNotes.empty());
  }
  struct Skip {
    const char* path;
    ManifestStatus status;
    const char* line;
  };
  for (const Skip& skip : {Skip{"schema2.json", ManifestStatus::SchemaTooNew,
                                "[Update] manifest schemaVersion 2 > supported 1 - skipping.\n"},
                           Skip{"windows.json", ManifestStatus::NoPlatform,
                                "[Update] no release found for platform \"linux\".\n"},
                           Skip{"page.json", ManifestStatus::NotJson,
                                "[Update] manifest missing schemaVersion - skipping.\n"}}) {
    test::LogCapture log;
    const UpdateCheckResult r = RunUpdateCheck(settingsFor(server, skip.path));
    EXPECT_EQ(r.outcome, UpdateOutcome::BadManifest) << skip.path;
    EXPECT_EQ(r.manifest.status, skip.status) << skip.path;
    EXPECT_EQ(log.err, std::vector<std::string>{skip.line}) << skip.path;
    Preferences p = withOffer("2026.9.5");
    EXPECT_FALSE(applyUpdateResult(p, r)) << skip.path;
    EXPECT_EQ(p.updateAvailableVersion, "2026.9.5") << skip.path;
  }
  for (const char* path : {"missing.json", "status/500", "status/302", "status/403"}) {
    test::LogCapture log;
    const UpdateCheckResult r = RunUpdateCheck(settingsFor(server, path));
    EXPECT_EQ(r.outcome, UpdateOutcome::HttpFailure) << path;
    Preferences p = withOffer("2026.9.5");
    EXPECT_FALSE(applyUpdateResult(p, r)) << path;
    EXPECT_EQ(p.updateAvailableVersion, "2026.9.5") << path;
    EXPECT_TRUE(log.err.empty()) << path << ": network failures are silent";
  }
  EXPECT_EQ(RunUpdateCheck(settingsFor(server, "missing.json")).httpStatus, 404);
  EXPECT_EQ(RunUpdateCheck(settingsFor(server, "status/500")).httpStatus, 500);
}

TEST(UpdateCheck, ACertificateThatDoesNotVerifyChangesNothing) {
  test::HttpsTestServer server;
  ASSERT_EQ(server.error(), "");
  server.serve("newer.json", manifest("2027.1"));
  ASSERT_EQ(RunUpdateCheck(settingsFor(server, "newer.json")).outcome, UpdateOutcome::Newer)
      << "the server is reachable when its certificate is trusted";
  const int served = server.requests();

  // Trusting another certificate, and trusting only the system's store.
  test::TempDir other;
  ASSERT_TRUE(test::makeLocalCertificate(other.path(), "other"));
  for (const std::string& ca : {other.file("other.pem"), std::string()}) {
    UpdateCheckSettings s = settingsFor(server, "newer.json");
    s.caFile = ca;
    const UpdateCheckResult r = RunUpdateCheck(s);
    EXPECT_EQ(r.outcome, UpdateOutcome::NoAnswer) << (ca.empty() ? "system store" : ca);
    EXPECT_FALSE(r.error.empty());
    Preferences p = withOffer("2026.9.5");
    EXPECT_FALSE(applyUpdateResult(p, r));
    EXPECT_EQ(p.updateAvailableVersion, "2026.9.5");
  }
  EXPECT_EQ(server.requests(), served) << "no request went out over an unverified connection";

  // A plain http:// address is not asked at all.
  UpdateCheckSettings plain = settingsFor(server, "newer.json");
  plain.manifestUrl = "http://127.0.0.1:1/manifest.json";
  const UpdateCheckResult r = RunUpdateCheck(plain);
  EXPECT_EQ(r.outcome, UpdateOutcome::NoAnswer);
  EXPECT_NE(r.error.find("https://"), std::string::npos) << r.error;
}

TEST(UpdateCheck, AStalledServerEndsWithTheTimeOutAndTheOfferStays) {
  test::SilentListener stalled;
  ASSERT_GT(stalled.port(), 0);
  UpdateCheckSettings s;
  s.manifestUrl = stalled.url();
  s.runningVersion = kRunning;
  s.totalTimeoutMs = 1500;

  // On its own thread: the start returns while the server says nothing.
  auto channel = std::make_shared<UpdateCheckChannel>();
  ASSERT_TRUE(StartUpdateCheck(channel, s));
  EXPECT_TRUE(stalled.connectionWaiting(5000)) << "the check connected";
  EXPECT_TRUE(channel->running.load());
  EXPECT_FALSE(StartUpdateCheck(channel, s)) << "one check at a time";
  EXPECT_FALSE(takeUpdateResult(*channel).has_value());

  std::optional<UpdateCheckResult> result;
  for (int i = 0; i < 300 && !result; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    result = takeUpdateResult(*channel);
  }
  ASSERT_TRUE(result.has_value()) << "the time-out ended the check";
  EXPECT_EQ(result->outcome, UpdateOutcome::NoAnswer);
  EXPECT_NE(result->error.find("timed out"), std::string::npos) << result->error;
  Preferences p = withOffer("2026.9.5");
  EXPECT_FALSE(applyUpdateResult(p, *result));
  EXPECT_EQ(p.updateAvailableVersion, "2026.9.5");
  EXPECT_FALSE(takeUpdateResult(*channel).has_value()) << "a result is handed over once";
  EXPECT_FALSE(channel->running.load()) << "a new check may start once the last one ended";

  // A check out when the program ends is stopped long before its time-out.
  s.totalTimeoutMs = 60000;
  ASSERT_TRUE(StartUpdateCheck(channel, s));
  EXPECT_TRUE(stalled.connectionWaiting(5000));
  const auto asked = std::chrono::steady_clock::now();
  EXPECT_TRUE(StopUpdateCheck(*channel, 20000));
  EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::seconds(20));
  const std::optional<UpdateCheckResult> stopped = takeUpdateResult(*channel);
  ASSERT_TRUE(stopped.has_value());
  EXPECT_EQ(stopped->outcome, UpdateOutcome::NoAnswer);
}

}  // namespace
}  // namespace vn
