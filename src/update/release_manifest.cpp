#include "update/release_manifest.h"

#include <cmath>

#include "core/json_parse.h"

namespace vn {
namespace {

// The preferences file reads lines of up to 1024 bytes; a key and its text stay well inside.
constexpr size_t kMaxTextBytes = 900;
constexpr size_t kMaxNotes = 32;

std::string oneLine(std::string_view text) {
  std::string out(text.substr(0, kMaxTextBytes));
  for (char& c : out)
    if (static_cast<unsigned char>(c) < 32 || c == 127) c = ' ';
  return out;
}

int clampedSchema(double value) {
  if (!(value < 1e9)) return 1000000000;
  return value > -1e9 ? static_cast<int>(std::ceil(value)) : -1000000000;
}

}  // namespace

ReleaseManifest readReleaseManifest(std::string_view body, std::string_view platform) {
  ReleaseManifest out;
  const JsonValue root = parseJsonText(body);
  if (!root.isObject()) return out;
  const JsonValue& schema = member(root, "schemaVersion");
  if (!schema.isNumber() || !std::isfinite(schema.number())) {
    out.status = ManifestStatus::MissingSchema;
    return out;
  }
  out.schemaVersion = clampedSchema(schema.number());
  if (schema.number() > kManifestSchemaVersion) {
    out.status = ManifestStatus::SchemaTooNew;
    return out;
  }
  const JsonValue& entry = member(member(root, "files"), platform);
  if (!entry.isObject()) {
    out.status = ManifestStatus::NoPlatform;
    return out;
  }
  const JsonValue& version = member(root, "version");
  if (!version.isString() || version.size() == 0) {
    out.status = ManifestStatus::NoVersion;
    return out;
  }
  out.status = ManifestStatus::Release;
  out.release.version = oneLine(version.text());
  out.release.pageUrl = oneLine(member(entry, "url").text());
  out.release.date = oneLine(member(entry, "date").text());
  for (const JsonValue& note : member(entry, "notes").items()) {
    if (out.release.notes.size() == kMaxNotes) break;
    if (note.isString() && note.size() > 0) out.release.notes.push_back(oneLine(note.text()));
  }
  return out;
}

}  // namespace vn
