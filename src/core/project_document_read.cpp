#include <algorithm>
#include <string>

#include "core/curve_io.h"
#include "core/event_io.h"
#include "core/file_lookup.h"
#include "core/file_refs_io.h"
#include "core/json_fields.h"
#include "core/layer_io.h"
#include "core/project_document.h"
#include "core/shape_parameters_io.h"
#include "core/text_field.h"
#include "core/trace_summary_io.h"
#include "core/track_layout_io.h"
#include "platform/paths.h"

namespace vn {
namespace {

bool isProjectSampleRate(int rate) { return rate == 44100 || rate == 48000 || rate == 88200 || rate == 96000; }

std::vector<std::string> readTexts(const JsonValue& list) {
  std::vector<std::string> texts;
  for (const JsonValue& item : list.items())
    if (item.isString()) texts.emplace_back(item.text());
  return texts;
}

void readSettings(const JsonValue& o, ProjectSettings& p, int currentRate) {
  p.totalDuration = readFloat(o, "totalDuration", 30.0f);
  p.fps = readFloat(o, "fps", 24.0f);
  const JsonValue& rate = member(o, "projectSampleRate");
  if (!rate.isNumber()) {
    p.projectSampleRate = 48000;
  } else {
    const int value = truncateToInt(rate.number());
    p.projectSampleRate = isProjectSampleRate(value) ? value : currentRate;
  }
  p.startTC = readFloat(o, "startTC", 0.0f);
  p.maxEventDuration = readFloat(o, "maxEventDuration", 30.0f);
  p.scaleType = readInt(o, "scaleType", 0, 0, 16);
  p.scaleRoot = readInt(o, "scaleRoot", 0, 0, 11);
  p.pitchShiftProb = readInt(o, "pitchShiftProb", 0, 0, 100);
  p.freqShiftIntensity = readInt(o, "freqShiftIntensity", 0, 0, 100);
  p.reverseProb = readInt(o, "reverseProb", 0, 0, 100);
  p.normalizeLUFS = readBool(o, "normalizeLUFS", true);
  p.alloyAlgorithm = readInt(o, "alloyAlgorithm", 2, 0, 3);
  p.alloyTransferDepth = readFloat(o, "alloyTransferDepth", 0.2f, 0.0f, 1.0f);
  p.alloyAttackGraft = readFloat(o, "alloyAttackGraft", 0.03f, 0.0f, 0.2f);
  p.alloyMicroPitch = readFloat(o, "alloyMicroPitch", 0.03f, 0.0f, 0.15f);
  p.alloyFilterBands = readInt(o, "alloyFilterBands", 10, 4, 24);
}

UserShape readUserShape(const JsonValue& o) {
  UserShape u;
  u.name = readText(o, "name", cap::kShapeName);
  u.keywords = readText(o, "keywords", cap::kShapeKeywords);
  u.defaultDuration = readFloat(o, "defaultDuration", u.defaultDuration);
  readShapeParameters(o, u);
  readCurve(member(o, "weight"), u.weight);
  readCurve(member(o, "intensity"), u.intensity);
  return u;
}

void readBanned(const JsonValue& root, Session& s) {
  s.bannedFiles = readTexts(member(root, "bannedFiles"));
  for (const JsonValue& id : member(root, "bannedFileIds").items()) s.bannedFileIds.emplace_back(id.text());
  s.bannedFileIds.resize(s.bannedFiles.size());
  for (size_t i = 0; i < s.bannedFiles.size(); ++i)
    if (s.bannedFileIds[i].empty()) s.bannedFileIds[i] = lookupIdForPath(s.bannedFiles[i]);
}

void readLayers(const JsonValue& list, Session& s, const std::string& folder, int version) {
  std::set<std::string> missing;
  for (const JsonValue& item : list.items()) {
    Layer& l = s.results.emplace_back();
    readLayer(item, l, folder);
    // Loudness gains of documents before version 7 came from an older meter;
    // bus balancing measures them afresh.
    if (version < 7) l.normGain = 1.0f;
    std::string current = lookupPathForId(l.fileId);
    if (!current.empty()) l.filepath = std::move(current);
    if (!l.filepath.empty() && !fileExists(l.filepath) && missing.insert(l.filepath).second)
      s.missingFiles.push_back(l.filepath);
  }
  assignLoadedLayerIds(s.results);
}

void readExportSettings(const JsonValue& o, ExportSettings& x) {
  x.exportWithHandles = readBool(o, "exportWithHandles", true);
  x.handleDuration = readFloat(o, "handleDuration", 1.0f);
  x.handleFullSource = readBool(o, "handleFullSource", false);
  x.fadeInDuration = readFloat(o, "fadeInDuration", 0.01f);
  x.fadeOutDuration = readFloat(o, "fadeOutDuration", 0.05f);
  x.snapToFrames = readBool(o, "snapToFrames", true);
  x.exportAAFMarkers = readBool(o, "exportAAFMarkers", false);
  x.exportAAFVolAuto = readBool(o, "exportAAFVolAuto", true);
  x.exportFillVirtual = readBool(o, "exportFillVirtual", false);
  x.exportFormatAAF = readBool(o, "exportFormatAAF", true);
  x.exportFormatWAV = readBool(o, "exportFormatWAV", true);
  x.exportWavMixdown = readBool(o, "exportWavMixdown", true);
  x.exportWavStems = readBool(o, "exportWavStems", false);
  x.exportWavTracks = readBool(o, "exportWavTracks", false);
  x.exportWavClips = readBool(o, "exportWavClips", false);
  x.exportReverbStem = readBool(o, "exportReverbStem", true);
  x.exportAAFSourceChannels = readBool(o, "exportAAFSourceChannels", true);
}

Scene readScene(const JsonValue& o) {
  Scene scene;
  scene.name = readText(o, "name", cap::kSceneName);
  scene.inTime = readFloat(o, "inTime", 0.0f);
  scene.outTime = readFloat(o, "outTime", 0.0f);
  scene.keywords = readText(o, "keywords", cap::kSceneKeywords);
  return scene;
}

// The reverb takes the ranges its controls offer.
void readReverb(const JsonValue& o, ReverbSettings& r) {
  r.enabled = readBool(o, "enabled", true);
  r.size = readFloat(o, "size", 0.5f, 0.0f, 1.0f);
  r.decay = readFloat(o, "decay", 0.5f, 0.0f, 1.0f);
  r.damping = readFloat(o, "damping", 0.3f, 0.0f, 1.0f);
  r.preDelay = readFloat(o, "preDelay", 0.015f, 0.0f, 0.2f);
  r.diffusion = readFloat(o, "diffusion", 0.7f, 0.0f, 1.0f);
  r.modulation = readFloat(o, "modulation", 0.5f, 0.0f, 1.0f);
  std::span<const JsonValue> sends = member(o, "groupSends").items();
  for (size_t i = 0; i < r.groupSends.size(); ++i)
    r.groupSends[i] = i < sends.size() ? std::clamp(numberOr(sends[i], 0.2f), 0.0f, 1.0f) : 0.2f;
}

// Mix, export and scene members: a second pass over the same document.
void readMixAndExport(const JsonValue& root, Session& s) {
  readExportSettings(root, s.exportSettings);
  s.workAreaIn = readFloat(root, "workAreaIn", -1.0f);
  s.workAreaOut = readFloat(root, "workAreaOut", -1.0f);
  s.masterGain = readFloat(root, "masterGain", 1.0f, 0.0f, 100.0f);
  s.refGain = readFloat(root, "refGain", 1.0f, 0.0f, 100.0f);
  for (int i = 0; i < kMaxBusses; ++i)
    s.groupGain[static_cast<size_t>(i)] = readFloat(root, "groupGain" + std::to_string(i), 1.0f, 0.0f, 100.0f);
  for (const JsonValue& scene : member(root, "scenes").items()) s.scenes.push_back(readScene(scene));
  readReverb(member(root, "reverb"), s.reverb);
}

}  // namespace

void readProjectDocument(const JsonValue& root, Session& session, const std::string& folder, int version) {
  Session s;
  readSettings(root, s.settings, session.settings.projectSampleRate);
  s.videoPath = resolveSourcePath(readString(root, "videoPath"), folder);
  s.videoStartTime = readFloat(root, "videoStartTime", 0.0f);
  s.projectDescription = readString(root, "projectDescription");
  s.libraryPaths = readTexts(member(root, "libraryPaths"));
  readTrackLayout(member(root, "trackLayout"), s.trackLayout, version);
  s.fileRefs = readFileRefs(member(root, "fileRefs"), folder);
  for (const FileRef& ref : s.fileRefs) registerFileRef(ref);
  readBanned(root, s);
  for (const JsonValue& name : member(root, "linkedGroups").items())
    if (name.isString()) s.linkedGroups.emplace(name.text());
  for (const JsonValue& shape : member(root, "userShapes").items()) s.userShapes.push_back(readUserShape(shape));
  const int userShapeCount = static_cast<int>(s.userShapes.size());
  for (const JsonValue& item : member(root, "events").items())
    readEvent(item, s.events.emplace_back(), version < 2, userShapeCount, folder);
  readLayers(member(root, "results"), s, folder, version);
  const JsonValue& optical = member(root, "optical");
  if (optical.isObject()) readTraceSummary(optical, s.traceSummary);
  readMixAndExport(root, s);
  session = std::move(s);
}

}  // namespace vn
