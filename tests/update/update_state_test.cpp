#include <gtest/gtest.h>

#include "core/preferences.h"
#include "update/update_check.h"
#include "update/update_texts.h"

namespace vn {
namespace {

UpdateCheckResult answered(UpdateOutcome outcome, const std::string& version) {
  UpdateCheckResult r;
  r.outcome = outcome;
  r.manifest.status = ManifestStatus::Release;
  r.manifest.release = {version, "https://example.org/" + version, "2027-01-20", {"note a", "note b"}};
  return r;
}

TEST(UpdateState, TheOfferFollowsTheAnswersAndFailuresLeaveIt) {
  Preferences p;
  EXPECT_TRUE(applyUpdateResult(p, answered(UpdateOutcome::Newer, "2027.1")));
  EXPECT_EQ(p.updateAvailableVersion, "2027.1");
  EXPECT_EQ(p.updateAvailablePageUrl, "https://example.org/2027.1");
  EXPECT_EQ(p.updateAvailableDate, "2027-01-20");
  EXPECT_EQ(p.updateAvailableNotes, (std::vector<std::string>{"note a", "note b"}));

  UpdateCheckResult failed;
  failed.outcome = UpdateOutcome::HttpFailure;
  failed.httpStatus = 500;
  EXPECT_FALSE(applyUpdateResult(p, failed));
  failed.outcome = UpdateOutcome::BadManifest;
  EXPECT_FALSE(applyUpdateResult(p, failed));
  EXPECT_EQ(p.updateAvailableVersion, "2027.1");

  ASSERT_TRUE(visibleOffer(p).has_value());
  dismissOffer(p);
  EXPECT_EQ(p.dismissedUpdateVersion, "2027.1");
  EXPECT_FALSE(visibleOffer(p).has_value()) << "a dismissed offer is shown as none";
  applyUpdateResult(p, answered(UpdateOutcome::Newer, "2027.2"));
  ASSERT_TRUE(visibleOffer(p).has_value()) << "a later release shows again";
  EXPECT_EQ(visibleOffer(p)->version, "2027.2");

  EXPECT_TRUE(applyUpdateResult(p, answered(UpdateOutcome::UpToDate, "2026.12.0")));
  EXPECT_TRUE(p.updateAvailableVersion.empty());
  EXPECT_TRUE(p.updateAvailableNotes.empty());
  EXPECT_FALSE(applyUpdateResult(p, answered(UpdateOutcome::UpToDate, "2026.12.0"))) << "nothing left to clear";
}

TEST(UpdateState, AutomaticChecksComeOnceADayAndOnlyWhenAllowed) {
  Preferences p;
  const long long now = 1'800'000'000;
  p.updateCheckEnabled = true;
  p.lastUpdateCheck = 0;
  EXPECT_TRUE(automaticCheckDue(p, now));
  p.lastUpdateCheck = now - 86399;
  EXPECT_FALSE(automaticCheckDue(p, now));
  p.lastUpdateCheck = now - 86400;
  EXPECT_TRUE(automaticCheckDue(p, now));
  p.lastUpdateCheck = now + 3600;
  EXPECT_TRUE(automaticCheckDue(p, now)) << "a check stamped in the future means the clock was set back";
  p.updateCheckEnabled = false;
  p.lastUpdateCheck = 0;
  EXPECT_FALSE(automaticCheckDue(p, now));
}

TEST(UpdateTexts, LastCheckedAndOutcomeLines) {
  const long long now = 1'800'000'000;
  EXPECT_EQ(lastCheckedText(0, now), "");
  EXPECT_EQ(lastCheckedText(now - 59, now), "Last checked just now.");
  EXPECT_EQ(lastCheckedText(now - 60, now), "Last checked 1 min ago.");
  EXPECT_EQ(lastCheckedText(now - 3599, now), "Last checked 59 min ago.");
  EXPECT_EQ(lastCheckedText(now - 7200, now), "Last checked 2 hr ago.");
  EXPECT_EQ(lastCheckedText(now - 86400, now), "Last checked 1 day ago.");
  EXPECT_EQ(lastCheckedText(now - 3 * 86400 - 5, now), "Last checked 3 days ago.");

  EXPECT_EQ(describeUpdateResult(answered(UpdateOutcome::Newer, "2027.1"), "2026.12.0"),
            "Version 2027.1 is available: https://example.org/2027.1");
  EXPECT_EQ(describeUpdateResult(answered(UpdateOutcome::UpToDate, "2026.12.0"), "2026.12.0"),
            "You're on 2026.12.0 - the latest version.");
  UpdateCheckResult r;
  r.outcome = UpdateOutcome::BadManifest;
  r.manifest.status = ManifestStatus::NoPlatform;
  EXPECT_EQ(describeUpdateResult(r, "2026.12.0"), "The release manifest lists no release for linux; nothing changed.");
}

}  // namespace
}  // namespace vn
