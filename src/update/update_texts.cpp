#include "update/update_texts.h"

#include "platform/text.h"

namespace vn {

std::string lastCheckedText(long long lastCheck, long long now) {
  if (lastCheck <= 0) return {};
  const long long elapsed = now - lastCheck;
  if (elapsed < 60) return "Last checked just now.";
  if (elapsed < 3600) return format("Last checked %lld min ago.", elapsed / 60);
  if (elapsed < 86400) return format("Last checked %lld hr ago.", elapsed / 3600);
  const long long days = elapsed / 86400;
  return format("Last checked %lld day%s ago.", days, plural(days));
}

std::string describeUpdateResult(const UpdateCheckResult& result, const std::string& runningVersion) {
  const ReleaseManifest& manifest = result.manifest;
  switch (result.outcome) {
    case UpdateOutcome::Newer:
      return format("Version %s is available: %s", manifest.release.version.c_str(),
                    manifest.release.pageUrl.empty() ? "(no release page given)" : manifest.release.pageUrl.c_str());
    case UpdateOutcome::UpToDate: return format("You're on %s - the latest version.", runningVersion.c_str());
    case UpdateOutcome::NoAnswer:
      return format("No answer from the release server (%s); nothing changed.", result.error.c_str());
    case UpdateOutcome::HttpFailure:
      return format("The release server answered with status %ld; nothing changed.", result.httpStatus);
    case UpdateOutcome::BadManifest: break;
  }
  switch (manifest.status) {
    case ManifestStatus::NotJson: return "The release manifest is not a JSON object; nothing changed.";
    case ManifestStatus::MissingSchema: return "The release manifest has no schemaVersion; nothing changed.";
    case ManifestStatus::SchemaTooNew:
      return format("The release manifest has schemaVersion %d, newer than this version reads (%d); nothing changed.",
                    manifest.schemaVersion, kManifestSchemaVersion);
    case ManifestStatus::NoPlatform:
      return format("The release manifest lists no release for %s; nothing changed.", kUpdatePlatform);
    case ManifestStatus::NoVersion: return "The release manifest names no version; nothing changed.";
    case ManifestStatus::Release: break;
  }
  return "The release manifest could not be used; nothing changed.";
}

}  // namespace vn
