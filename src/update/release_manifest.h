#pragma once
// The release manifest: a small JSON object naming the newest release and, per
// platform, the page that describes it.
//   {"schemaVersion": 1, "version": "2026.9.1",
//    "files": {"linux": {"url": "https://...", "date": "2026-09-14", "notes": ["..."]}}}
#include <string>
#include <string_view>
#include <vector>

namespace vn {

// The newest schema this program reads.
constexpr int kManifestSchemaVersion = 1;
// This program's member of "files".
constexpr const char* kUpdatePlatform = "linux";

// A release as the manifest describes it, and as the preferences keep an offer.
struct ReleaseOffer {
  std::string version;
  std::string pageUrl;
  std::string date;
  std::vector<std::string> notes;
};

enum class ManifestStatus {
  Release,        // release holds the newest release for the platform
  NotJson,        // the body is not a JSON object
  MissingSchema,  // no numeric schemaVersion
  SchemaTooNew,   // schemaVersion above kManifestSchemaVersion
  NoPlatform,     // files has no member for the platform
  NoVersion,      // no version text
};

struct ReleaseManifest {
  ManifestStatus status = ManifestStatus::NotJson;
  int schemaVersion = 0;
  ReleaseOffer release;
};

// Reads a manifest body. Texts are kept to one line of bounded length, so that a
// hostile manifest cannot break the line-based preferences file.
ReleaseManifest readReleaseManifest(std::string_view body, std::string_view platform = kUpdatePlatform);

}  // namespace vn
