#include "export/payload_find.h"

#include <sndfile.h>

#include <climits>
#include <cstdlib>

#include "core/event_io.h"
#include "core/json_fields.h"
#include "core/json_parse.h"
#include "core/layer_io.h"
#include "export/base64.h"
#include "export/payload_codec.h"
#include "export/payload_embed.h"
#include "library/source_metadata.h"

namespace vn {
namespace {

// Payload events keep the user-shape index they were written with: the file does
// not carry the shapes, so there is nothing to check it against.
constexpr int kAnyUserShape = INT_MAX;

std::vector<Event> readEvents(const JsonValue& root) {
  std::vector<Event> events;
  events.reserve(member(root, "events").size());
  for (const JsonValue& item : member(root, "events").items()) {
    if (!item.isObject()) continue;
    events.emplace_back();
    readEvent(item, events.back(), false, kAnyUserShape);
  }
  return events;
}

uint64_t unsignedOf(const JsonValue& v, int base) {
  if (v.isNumber()) return v.number() > 0 && v.number() < 1.8e19 ? static_cast<uint64_t>(v.number()) : 0;
  const std::string text(v.text());
  return std::strtoull(text.c_str(), nullptr, base);
}

std::vector<FileRef> readManifestFileRefs(const JsonValue& list) {
  std::vector<FileRef> refs;
  for (const JsonValue& item : list.items()) {
    FileRef ref;
    ref.id = readString(item, "id");
    ref.path = readString(item, "path");
    ref.size = unsignedOf(member(item, "size"), 10);
    ref.hash = unsignedOf(member(item, "hash"), 16);
    if (!ref.id.empty() || !ref.path.empty()) refs.push_back(std::move(ref));
  }
  return refs;
}

std::optional<ManifestRecord> readManifest(std::string_view json) {
  const JsonValue root = parseJsonText(json);
  if (!root.isObject()) return std::nullopt;
  ManifestRecord m;
  const JsonValue& version = member(root, "vn_manifest_version");
  m.version = version.isNumber() ? truncateToInt(version.number()) : 0;
  m.appVersion = readString(root, "app_version");
  m.printId = readString(root, "printId");
  const JsonValue& t0 = member(root, "t0");
  m.t0 = t0.isNumber() ? t0.number() : 0.0;
  m.fileRefs = readManifestFileRefs(member(root, "fileRefs"));
  m.events = readEvents(root);
  m.results.reserve(member(root, "results").size());
  for (const JsonValue& item : member(root, "results").items()) {
    if (!item.isObject()) continue;
    m.results.emplace_back();
    readLayer(item, m.results.back());
  }
  assignLoadedLayerIds(m.results);
  return m;
}

std::optional<ManifestRecord> findManifest(std::string_view ixml) {
  const size_t open = ixml.find(kManifestOpen);
  if (open == std::string_view::npos) return std::nullopt;
  const size_t tagEnd = ixml.find('>', open);
  if (tagEnd == std::string_view::npos) return std::nullopt;
  const size_t close = ixml.find(kManifestClose, tagEnd);
  if (close == std::string_view::npos) return std::nullopt;
  std::string_view codec;
  const std::string_view tag = ixml.substr(open, tagEnd - open);
  if (const size_t enc = tag.find("enc=\""); enc != std::string_view::npos) {
    const size_t start = enc + 5;
    const size_t quote = tag.find('"', start);
    if (quote != std::string_view::npos) codec = tag.substr(start, quote - start);
  }
  const std::optional<std::string> json =
      decodePayload(withoutWhitespace(ixml.substr(tagEnd + 1, close - tagEnd - 1)), codec);
  if (!json) return std::nullopt;
  return readManifest(*json);
}

std::optional<std::vector<Event>> findRecipe(std::string_view ixml) {
  if (ixml.size() < 23) return std::nullopt;
  const size_t open = ixml.find(kRecipeOpen);
  if (open == std::string_view::npos) return std::nullopt;
  const size_t start = open + kRecipeOpen.size();
  const size_t close = ixml.find(kRecipeClose, start);
  if (close == std::string_view::npos) return std::nullopt;
  const std::optional<std::string> json = base64Decode(withoutWhitespace(ixml.substr(start, close - start)));
  if (!json) return std::nullopt;
  const JsonValue root = parseJsonText(*json);
  if (!root.isObject()) return std::nullopt;
  return readEvents(root);
}

}  // namespace

std::string withoutWhitespace(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text)
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') out += c;
  return out;
}

FilePayloads findPayloadsInIxml(std::string_view ixml) {
  FilePayloads found;
  found.manifest = findManifest(ixml);
  if (auto events = findRecipe(ixml)) {
    found.hasRecipe = true;
    found.recipeEvents = std::move(*events);
  }
  return found;
}

std::optional<FilePayloads> FindPayloads(const std::string& path) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) return std::nullopt;
  const std::string ixml = ReadIxmlChunk(file);
  sf_close(file);
  return findPayloadsInIxml(ixml);
}

}  // namespace vn
