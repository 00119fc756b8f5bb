#include "core/event_io.h"

#include <algorithm>
#include <cmath>

#include "core/curve_io.h"
#include "core/file_lookup.h"
#include "core/json_fields.h"
#include "core/shape_parameters_io.h"
#include "core/text_field.h"

namespace vn {

void writeClipFields(JsonWriter& w, const Event& e) {
  if (e.clipWeight >= 0.0f) w.keyFloat("clipWeight", e.clipWeight);
  w.keyFloat("clipSourceOffset", e.clipSourceOffset);
  w.keyFloat("clipSourceDuration", e.clipSourceDuration);
  w.keyFloat("clipFadeIn", e.clipFadeIn);
  w.keyFloat("clipFadeOut", e.clipFadeOut);
  if (std::fabs(e.clipPitchRate - 1.0f) > 0.001f) w.keyFloat("clipPitchRate", e.clipPitchRate);
  if (e.clipReverse) w.keyBool("clipReverse", true);
}

namespace {

void writePinned(JsonWriter& w, const Event& e, const CollectMap* collect) {
  if (!e.pinnedFile.empty()) {
    w.keyString("pinnedFile", documentPath(e.pinnedFile, collect));
    if (!e.pinnedFileId.empty()) w.keyString("pinnedFileId", e.pinnedFileId);
  }
  if (e.exactLayers) w.keyBool("exactLayers", true);
  w.key("pinnedFiles");
  w.beginArray();
  for (const std::string& path : e.pinnedFiles) w.stringValue(documentPath(path, collect));
  w.endArray();
  const bool anyId = std::any_of(e.pinnedFileIds.begin(), e.pinnedFileIds.end(),
                                 [](const std::string& id) { return !id.empty(); });
  if (anyId) {
    w.key("pinnedFileIds");
    w.beginArray();
    for (const std::string& id : e.pinnedFileIds) w.stringValue(id);
    w.endArray();
  }
  w.key("bedLayerLoop");
  w.beginArray(JsonArrayStyle::Inline);
  for (bool loop : e.bedLayerLoop) w.intValue(loop ? 1 : 0);
  w.endArray();
  w.key("bedLayerWeight");
  w.beginArray(JsonArrayStyle::Inline);
  for (float weight : e.bedLayerWeight) w.floatValue(weight);
  w.endArray();
}

ShapeType readShape(const JsonValue& o, bool legacyShapes, bool& alloy) {
  int value = readInt(o, "shape", 0);
  if (legacyShapes && value == 2) {
    alloy = true;
    return ShapeType::Bloom;
  }
  if (value < 0 || value == static_cast<int>(ShapeType::Scatter) || value >= kShapeCount) return ShapeType::Spot;
  return static_cast<ShapeType>(value);
}

void readPinned(const JsonValue& o, Event& e, const std::string& projectFolder) {
  std::string pinned = resolveSourcePath(readString(o, "pinnedFile"), projectFolder);
  if (!pinned.empty()) {
    e.hasPinned = true;
    e.pinnedFile = cutText(pinned, cap::kPinnedFile);
    e.pinnedFileId = readString(o, "pinnedFileId");
  }
  for (const JsonValue& item : member(o, "pinnedFiles").items())
    if (item.isString()) e.pinnedFiles.push_back(resolveSourcePath(std::string(item.text()), projectFolder));
  const size_t pinnedCount = e.pinnedFiles.size();
  for (const JsonValue& item : member(o, "pinnedFileIds").items()) {
    if (e.pinnedFileIds.size() >= pinnedCount) break;
    e.pinnedFileIds.emplace_back(item.text());
  }
  for (const JsonValue& item : member(o, "bedLayerLoop").items()) {
    if (e.bedLayerLoop.size() >= pinnedCount) break;
    e.bedLayerLoop.push_back(item.isNumber() ? item.number() != 0.0 : item.boolean());
  }
  for (const JsonValue& item : member(o, "bedLayerWeight").items()) {
    if (e.bedLayerWeight.size() >= pinnedCount) break;
    e.bedLayerWeight.push_back(numberOr(item, 1.0f));
  }
  if (!e.pinnedFiles.empty()) {
    e.hasPinned = true;
  } else if (e.hasPinned && !e.pinnedFile.empty() && e.shape != ShapeType::Clip) {
    e.pinnedFiles.push_back(e.pinnedFile);
  }
  e.pinnedFileIds.resize(e.pinnedFiles.size());
  for (size_t i = 0; i < e.pinnedFiles.size(); ++i)
    if (e.pinnedFileIds[i].empty()) e.pinnedFileIds[i] = lookupIdForPath(e.pinnedFiles[i]);
}

// A clip field under its name or, in older documents, its former name.
float readClipField(const JsonValue& o, std::string_view key, std::string_view formerKey, float fallback) {
  const JsonValue& v = member(o, key);
  return v.isNumber() ? toFloat(v.number()) : readFloat(o, formerKey, fallback);
}

}  // namespace

void readClipFields(const JsonValue& o, Event& e) {
  e.clipWeight = readFloat(o, "clipWeight", -1.0f);
  e.clipSourceOffset = readClipField(o, "clipSourceOffset", "placeSourceOffset", 0.0f);
  e.clipSourceDuration = readClipField(o, "clipSourceDuration", "placeSourceDuration", 0.0f);
  e.clipFadeIn = readClipField(o, "clipFadeIn", "placeFadeIn", -1.0f);
  e.clipFadeOut = readClipField(o, "clipFadeOut", "placeFadeOut", -1.0f);
  e.clipPitchRate = readFloat(o, "clipPitchRate", 1.0f);
  e.clipReverse = readBool(o, "clipReverse", false);
}

int8_t readFormatOverride(const JsonValue& o) {
  if (member(o, "fmtOverride").isNumber()) return static_cast<int8_t>(readInt(o, "fmtOverride", -1, -1, 1));
  return readBool(o, "stereo", false) ? 1 : -1;
}

void writeEvent(JsonWriter& w, const Event& e, const CollectMap* collect) {
  w.beginObject();
  w.keyFloat("time", e.time);
  w.keyFloat("duration", e.duration);
  writeShapeParameters(w, e);
  w.keyInt("shape", static_cast<int>(e.shape));
  w.keyInt("userShapeIdx", e.userShapeIdx);
  w.keyBool("locked", e.locked);
  if (e.muted) w.keyBool("muted", true);
  w.keyInt("fmtOverride", e.fmtOverride);
  w.keyBool("hero", e.hero);
  w.keyFloat("gain", e.gain);
  w.keyBool("alloy", e.alloy);
  w.keyFloat("alloyMorph", e.alloyMorph);
  if (e.pitchVariation > 0.001f) w.keyFloat("pitchVariation", e.pitchVariation);
  if (e.scaleTuneOverride != 0) w.keyInt("scaleTuneOverride", e.scaleTuneOverride);
  if (e.reverbSend >= 0.0f) w.keyFloat("reverbSend", e.reverbSend);
  if (e.fillLayers > 0) w.keyInt("fillLayers", e.fillLayers);
  w.keyInt("groupOverride", e.groupOverride);
  if (e.panManual) {
    w.keyBool("panManual", true);
    w.keyFloat("panX", e.panX);
    w.keyFloat("panY", e.panY);
    if (e.panZ > 0.0001f) w.keyFloat("panZ", e.panZ);
  }
  if (e.sceneLink >= 0) {
    w.keyInt("sceneLink", e.sceneLink);
    w.keyInt("sceneCrossfade", e.sceneCrossfade);
  }
  if (e.sceneFill) w.keyInt("sceneFill", 1);
  w.keyString("keywords", e.keywords);
  writePinned(w, e, collect);
  if (e.shape == ShapeType::Clip) writeClipFields(w, e);
  if (!e.folder.empty()) w.keyString("folder", e.folder);
  if (!e.libFilter.empty()) w.keyString("libFilter", e.libFilter);
  if (!e.presetName.empty()) w.keyString("presetName", e.presetName);
  w.keyInt("intensityMode", e.intensityMode);
  writeCurve(w, "weight", e.weight);
  writeCurve(w, "intensity", e.intensity);
  if (e.hasTraceGain) {
    w.keyBool("hasTraceGain", true);
    writeCurve(w, "traceGain", e.traceGain);
  }
  if (!e.bounceSource.empty()) {
    w.key("bounceSource");
    w.beginArray();
    for (const Event& source : e.bounceSource) writeEvent(w, source, collect);
    w.endArray();
  }
  w.endObject();
}

void readEvent(const JsonValue& o, Event& e, bool legacyShapes, int userShapeCount,
               const std::string& projectFolder) {
  e = Event{};
  e.time = readFloat(o, "time", e.time);
  e.duration = readFloat(o, "duration", e.duration);
  readShapeParameters(o, e);
  e.shape = readShape(o, legacyShapes, e.alloy);
  e.userShapeIdx = readInt(o, "userShapeIdx", -1);
  if (e.userShapeIdx < 0 || e.userShapeIdx >= userShapeCount) e.userShapeIdx = -1;
  // Clips and beds are the user's own files and are never rebuilt.
  e.locked = readBool(o, "locked", false) || e.shape == ShapeType::Clip || e.shape == ShapeType::Bed;
  e.muted = readBool(o, "muted", false);
  e.fmtOverride = readFormatOverride(o);
  e.hero = readBool(o, "hero", false);
  e.gain = readFloat(o, "gain", 1.0f, 0.0f, 1.0f);
  e.alloy = readBool(o, "alloy", e.alloy);
  e.alloyMorph = readFloat(o, "alloyMorph", 1.0f);
  e.pitchVariation = readFloat(o, "pitchVariation", 0.0f, 0.0f, 1.0f);
  e.scaleTuneOverride = readInt(o, "scaleTuneOverride", 0, 0, 2);
  e.reverbSend = readFloat(o, "reverbSend", -1.0f);
  e.fillLayers = readInt(o, "fillLayers", 0, 0, 24);
  e.groupOverride = readInt(o, "groupOverride", -1);
  e.panManual = readBool(o, "panManual", false);
  e.panX = readFloat(o, "panX", 0.0f, -1.0f, 1.0f);
  e.panY = readFloat(o, "panY", 1.0f, -1.0f, 1.0f);
  e.panZ = readFloat(o, "panZ", 0.0f, 0.0f, 1.0f);
  e.sceneLink = readInt(o, "sceneLink", -1);
  e.sceneCrossfade = readInt(o, "sceneCrossfade", 1, 0, 120);
  e.sceneFill = member(o, "sceneFill").number() != 0.0;
  e.keywords = readText(o, "keywords", cap::kEventKeywords);
  readPinned(o, e, projectFolder);
  e.exactLayers = readBool(o, "exactLayers", false);
  readClipFields(o, e);
  e.folder = readText(o, "folder", cap::kFolder);
  e.libFilter = readText(o, "libFilter", cap::kLibFilter);
  e.presetName = readText(o, "presetName", cap::kPresetName);
  e.intensityMode = readInt(o, "intensityMode", 0, 0, 2);
  readCurve(member(o, "weight"), e.weight);
  readCurve(member(o, "intensity"), e.intensity);
  e.hasTraceGain = readBool(o, "hasTraceGain", false);
  if (e.hasTraceGain) readCurve(member(o, "traceGain"), e.traceGain);
  for (const JsonValue& source : member(o, "bounceSource").items()) {
    e.bounceSource.emplace_back();
    readEvent(source, e.bounceSource.back(), legacyShapes, userShapeCount, projectFolder);
  }
}

}  // namespace vn
