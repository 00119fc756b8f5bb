#include "core/preset_event_io.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "core/curve_io.h"
#include "core/event_io.h"
#include "core/file_lookup.h"
#include "core/json_fields.h"
#include "core/text_field.h"
#include "platform/paths.h"

namespace vn {
namespace {

void writeTexts(JsonWriter& w, const char* key, const std::vector<std::string>& texts) {
  w.key(key);
  w.beginArray();
  for (const std::string& t : texts) w.stringValue(t);
  w.endArray();
}

// Hashes and sizes come from the Library; a file it does not know gets empty
// texts, which a reader skips.
void writePinnedFiles(JsonWriter& w, const Event& e) {
  if (e.pinnedFiles.empty()) return;
  writeTexts(w, "pinnedFiles", e.pinnedFiles);
  std::vector<std::string> ids(e.pinnedFiles.size()), hashes(ids.size()), sizes(ids.size());
  for (size_t i = 0; i < ids.size(); ++i) {
    ids[i] = i < e.pinnedFileIds.size() ? e.pinnedFileIds[i] : std::string();
    if (ids[i].empty()) ids[i] = lookupIdForPath(e.pinnedFiles[i]);
    if (std::optional<FileRef> ref = lookupFileRef(ids[i])) {
      char hash[24];
      std::snprintf(hash, sizeof hash, "%016" PRIx64, ref->hash);
      hashes[i] = hash;
      sizes[i] = std::to_string(ref->size);
    }
  }
  writeTexts(w, "pinnedFileIds", ids);
  writeTexts(w, "pinnedFileHashes", hashes);
  writeTexts(w, "pinnedFileSizes", sizes);
  w.key("bedLayerLoop");
  w.beginArray(JsonArrayStyle::Inline);
  for (size_t i = 0; i < e.pinnedFiles.size(); ++i) w.intValue(i < e.bedLayerLoop.size() && e.bedLayerLoop[i] ? 1 : 0);
  w.endArray();
  w.key("bedLayerWeight");
  w.beginArray(JsonArrayStyle::Inline);
  for (size_t i = 0; i < e.pinnedFiles.size(); ++i)
    w.floatValue(i < e.bedLayerWeight.size() ? e.bedLayerWeight[i] : 1.0f);
  w.endArray();
}

std::string textAt(const JsonValue& list, size_t i) { return std::string(element(list, static_cast<long long>(i)).text()); }

// The path this machine knows for a pinned file: its own when it exists, else the
// Library's for its id.
std::string currentPinnedPath(const std::string& path, const std::string& id) {
  if (id.empty() || fileExists(path)) return path;
  std::string known = lookupPathForId(id);
  return known.empty() ? path : known;
}

void readPinnedFiles(const JsonValue& o, Event& e) {
  const JsonValue& ids = member(o, "pinnedFileIds");
  const JsonValue& hashes = member(o, "pinnedFileHashes");
  const JsonValue& sizes = member(o, "pinnedFileSizes");
  const JsonValue& loops = member(o, "bedLayerLoop");
  const JsonValue& weights = member(o, "bedLayerWeight");
  std::span<const JsonValue> files = member(o, "pinnedFiles").items();
  for (size_t i = 0; i < files.size(); ++i) {
    if (!files[i].isString() || files[i].size() == 0) continue;
    std::string path(files[i].text());
    std::string id = textAt(ids, i);
    if (id.empty()) id = lookupIdForPath(path);
    const std::string hash = textAt(hashes, i), size = textAt(sizes, i);
    if (!id.empty() && !hash.empty() && !size.empty())
      registerFileRef(FileRef{id, std::strtoull(hash.c_str(), nullptr, 16), std::strtoull(size.c_str(), nullptr, 10), path});
    e.pinnedFiles.push_back(currentPinnedPath(path, id));
    e.pinnedFileIds.push_back(id);
    const JsonValue& loop = element(loops, static_cast<long long>(i));
    e.bedLayerLoop.push_back(loop.isNumber() ? loop.number() != 0.0 : loop.boolean());
    e.bedLayerWeight.push_back(numberOr(element(weights, static_cast<long long>(i)), 1.0f));
  }
}

void readPinned(const JsonValue& o, Event& e) {
  const std::string pinned = readText(o, "pinnedFile", cap::kPinnedFile);
  if (!pinned.empty()) {
    e.pinnedFileId = readString(o, "pinnedFileId");
    if (e.pinnedFileId.empty()) e.pinnedFileId = lookupIdForPath(pinned);
    e.pinnedFile = cutText(currentPinnedPath(pinned, e.pinnedFileId), cap::kPinnedFile);
  }
  readPinnedFiles(o, e);
  // An older recipe pinned its one sound in the single field.
  if (e.pinnedFiles.empty() && !e.pinnedFile.empty() && e.shape != ShapeType::Clip) {
    e.pinnedFiles.push_back(e.pinnedFile);
    e.pinnedFileIds.push_back(e.pinnedFileId);
    e.bedLayerLoop.push_back(false);
    e.bedLayerWeight.push_back(1.0f);
  }
  e.hasPinned = !e.pinnedFiles.empty() || !e.pinnedFile.empty();
}

ShapeType readPresetShape(const JsonValue& o) {
  const int value = readInt(o, "shape", static_cast<int>(ShapeType::Bloom));
  if (value < 0 || value >= kShapeCount || value == static_cast<int>(ShapeType::Scatter)) return ShapeType::Spot;
  return static_cast<ShapeType>(value);
}

}  // namespace

void writePresetEventKeys(JsonWriter& w, const Event& e, PresetEventKeys keys) {
  w.keyString("keywords", e.keywords);
  w.keyInt("shape", static_cast<int>(e.shape));
  w.keyInt("intensityMode", e.intensityMode);
  w.keyFloat("duration", e.duration);
  w.keyFloat("syncOffset", e.syncOffset);
  w.keyFloat("spread", e.spread);
  w.keyFloat("weightCenter", e.weightCenter);
  w.keyFloat("intensityScale", e.intensityScale);
  w.keyFloat("weightOffset", e.weightOffset);
  w.keyFloat("alloyMorph", e.alloyMorph);
  if (e.pitchVariation > 0.001f) w.keyFloat("pitchVariation", e.pitchVariation);
  w.keyFloat("reverbSend", e.reverbSend);
  if (keys == PresetEventKeys::Chain) {
    w.keyFloat("gain", e.gain);
    w.keyBool("hero", e.hero);
    w.keyBool("alloy", e.alloy);
  }
  w.keyInt("fillLayers", e.fillLayers);
  w.keyInt("groupOverride", e.groupOverride);
  w.keyInt("fmtOverride", e.fmtOverride);
  if (e.shape == ShapeType::Clip) {
    if (!e.pinnedFile.empty()) {
      w.keyString("pinnedFile", e.pinnedFile);
      w.keyString("pinnedFileId", e.pinnedFileId.empty() ? lookupIdForPath(e.pinnedFile) : e.pinnedFileId);
    }
    writeClipFields(w, e);
  }
  if (!e.libFilter.empty()) w.keyString("libFilter", e.libFilter);
  if (e.exactLayers) w.keyBool("exactLayers", true);
  writePinnedFiles(w, e);
  writeCurve(w, "weight", e.weight);
  writeCurve(w, "intensity", e.intensity);
}

void readPresetEventKeys(const JsonValue& o, Event& e) {
  e = Event{};
  e.keywords = readText(o, "keywords", cap::kEventKeywords);
  e.shape = readPresetShape(o);
  e.intensityMode = readInt(o, "intensityMode", 0, 0, 2);
  e.duration = readFloat(o, "duration", 2.0f);
  if (!std::isfinite(e.duration) || e.duration <= 0.0f) e.duration = 2.0f;  // nothing could be placed
  e.syncOffset = readFloat(o, "syncOffset", e.duration * 0.5f);
  e.spread = readFloat(o, "spread", 0.3f);
  e.weightCenter = readFloat(o, "weightCenter", 0.5f);
  e.intensityScale = readFloat(o, "intensityScale", 1.0f);
  e.weightOffset = readFloat(o, "weightOffset", 0.0f);
  e.alloyMorph = readFloat(o, "alloyMorph", 0.35f);
  e.pitchVariation = readFloat(o, "pitchVariation", 0.0f, 0.0f, 1.0f);
  e.reverbSend = readFloat(o, "reverbSend", -1.0f);
  e.gain = readFloat(o, "gain", 1.0f, 0.0f, 1.0f);
  e.hero = readBool(o, "hero", false);
  e.alloy = readBool(o, "alloy", false);
  e.fillLayers = readInt(o, "fillLayers", 0, 0, 24);
  e.groupOverride = readInt(o, "groupOverride", -1);
  e.fmtOverride = readFormatOverride(o);
  readPinned(o, e);
  readClipFields(o, e);
  e.libFilter = readText(o, "libFilter", cap::kLibFilter);
  e.exactLayers = readBool(o, "exactLayers", false);
  readCurve(member(o, "weight"), e.weight);
  readCurve(member(o, "intensity"), e.intensity);
  // The user's own files are never rebuilt.
  e.locked = e.shape == ShapeType::Clip || e.shape == ShapeType::Bed;
}

}  // namespace vn
