#pragma once
// Finding the recipe and the manifest again in a delivered file's iXML.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/session.h"

namespace vn {

struct ManifestRecord {
  int version = 0;  // vn_manifest_version; 0 when missing or not a number
  std::string appVersion;
  std::string printId;
  double t0 = 0.0;
  std::vector<FileRef> fileRefs;
  std::vector<Event> events;
  std::vector<Layer> results;
};

struct FilePayloads {
  bool hasRecipe = false;
  std::vector<Event> recipeEvents;
  std::optional<ManifestRecord> manifest;
};

// The payloads of an iXML text as a file carries it. A payload that cannot be
// decoded or whose JSON root is not an object is absent.
FilePayloads findPayloadsInIxml(std::string_view ixml);

// The payloads of the file's iXML chunk (read with the 1 MiB cap); nullopt when the
// file does not open as a sound file.
std::optional<FilePayloads> FindPayloads(const std::string& path);

// The text with spaces, tabs, carriage returns and line feeds removed: another tool
// may have wrapped a long Base64 line.
std::string withoutWhitespace(std::string_view text);

}  // namespace vn
