#include <gtest/gtest.h>

#include "update/release_manifest.h"
#include "update/version_compare.h"

namespace vn {
namespace {

TEST(VersionCompare, ComponentsCompareAsNumbersFromTheLeft) {
  EXPECT_GT(CompareVersions("2026.10", "2026.9.1"), 0);
  EXPECT_LT(CompareVersions("2026.9.1", "2026.10"), 0);
  EXPECT_EQ(CompareVersions("2026.9", "2026.9.0"), 0);
  EXPECT_EQ(CompareVersions("2026.9.0.0", "2026.9"), 0);
  EXPECT_GT(CompareVersions("2026.9.1", "2026.9"), 0);
  EXPECT_LT(CompareVersions("2025.12.31", "2026"), 0);
  EXPECT_EQ(CompareVersions("2026.09", "2026.9"), 0) << "a leading zero is still the number";
  EXPECT_EQ(CompareVersions("2026.9.1-beta", "2026.9.1"), 0) << "only the leading digits count";
  EXPECT_GT(CompareVersions("2026.99999999999999999999999", "2026.5"), 0) << "saturates, never wraps";
  EXPECT_EQ(CompareVersions("", "0.0"), 0);
}

TEST(ReleaseManifest, EachRuleStopsTheReadingWithItsReason) {
  EXPECT_EQ(readReleaseManifest("<html>down for maintenance</html>").status, ManifestStatus::NotJson);
  EXPECT_EQ(readReleaseManifest("[1, 2]").status, ManifestStatus::NotJson);
  EXPECT_EQ(readReleaseManifest(R"({"version": "2027.1"})").status, ManifestStatus::MissingSchema);
  EXPECT_EQ(readReleaseManifest(R"({"schemaVersion": "1", "version": "2027.1"})").status,
            ManifestStatus::MissingSchema);
  const ReleaseManifest two = readReleaseManifest(R"({"schemaVersion": 2, "version": "2027.1",
      "files": {"linux": {"url": "https://example.org/r"}}})");
  EXPECT_EQ(two.status, ManifestStatus::SchemaTooNew);
  EXPECT_EQ(two.schemaVersion, 2);
  EXPECT_EQ(readReleaseManifest(R"({"schemaVersion": 1, "version": "2027.1",
      "files": {"windows": {"url": "https://example.org/w"}}})").status, ManifestStatus::NoPlatform);
  EXPECT_EQ(readReleaseManifest(R"({"schemaVersion": 1, "files": {"linux": {}}})").status,
            ManifestStatus::NoVersion);
  EXPECT_EQ(readReleaseManifest(R"({"schemaVersion": 0, "version": "2027.1", "files": {"linux": {}}})").status,
            ManifestStatus::Release) << "an older schema is read";
}

TEST(ReleaseManifest, TheReleaseKeepsOneLineTextsOfBoundedLength) {
  const std::string longNote(5000, 'n');
  const ReleaseManifest m = readReleaseManifest(R"({"schemaVersion": 1, "version": "2027.1.2",
      "files": {"linux": {"url": "https://example.org/2027.1.2", "date": "2027-01-20",
                          "notes": ["Faster scans", "line\nbreak", 7, ")" + longNote + R"("]}}})");
  ASSERT_EQ(m.status, ManifestStatus::Release);
  EXPECT_EQ(m.release.version, "2027.1.2");
  EXPECT_EQ(m.release.pageUrl, "https://example.org/2027.1.2");
  EXPECT_EQ(m.release.date, "2027-01-20");
  ASSERT_EQ(m.release.notes.size(), 3u) << "the number is not a note";
  EXPECT_EQ(m.release.notes[0], "Faster scans");
  EXPECT_EQ(m.release.notes[1], "line break");
  EXPECT_LT(m.release.notes[2].size(), 1000u);
}

}  // namespace
}  // namespace vn
