#include <string>

#include "core/curve_io.h"
#include "core/event_io.h"
#include "core/file_refs_io.h"
#include "core/json_writer.h"
#include "core/layer_io.h"
#include "core/project_document.h"
#include "core/shape_parameters_io.h"
#include "core/trace_summary_io.h"
#include "core/track_layout_io.h"
#include "platform/paths.h"

namespace vn {
namespace {

void writeTexts(JsonWriter& w, std::string_view key, const auto& texts) {
  w.key(key);
  w.beginArray();
  for (const std::string& text : texts) w.stringValue(text);
  w.endArray();
}

void writeSettings(JsonWriter& w, const Session& s, const std::string& projectFolder) {
  const ProjectSettings& p = s.settings;
  w.keyString("videoPath",
              projectFolder.empty() ? absolutePath(s.videoPath) : pathInsideFolder(s.videoPath, projectFolder));
  w.keyFloat("videoStartTime", s.videoStartTime);
  w.keyFloat("totalDuration", p.totalDuration);
  w.keyFloat("fps", p.fps);
  w.keyInt("projectSampleRate", p.projectSampleRate);
  w.keyFloat("startTC", p.startTC);
  w.keyFloat("masterGain", s.masterGain);
  w.keyFloat("refGain", s.refGain);
  for (int i = 0; i < s.trackLayout.busCount && i < kMaxBusses; ++i)
    w.keyFloat("groupGain" + std::to_string(i), s.groupGain[static_cast<size_t>(i)]);
  if (!s.projectDescription.empty()) w.keyString("projectDescription", s.projectDescription);
  w.keyFloat("maxEventDuration", p.maxEventDuration);
  w.keyInt("scaleType", p.scaleType);
  w.keyInt("scaleRoot", p.scaleRoot);
  w.keyInt("pitchShiftProb", p.pitchShiftProb);
  w.keyInt("freqShiftIntensity", p.freqShiftIntensity);
  w.keyInt("reverseProb", p.reverseProb);
  w.keyBool("normalizeLUFS", p.normalizeLUFS);
  w.keyInt("alloyAlgorithm", p.alloyAlgorithm);
  w.keyFloat("alloyTransferDepth", p.alloyTransferDepth);
  w.keyFloat("alloyAttackGraft", p.alloyAttackGraft);
  w.keyFloat("alloyMicroPitch", p.alloyMicroPitch);
  w.keyInt("alloyFilterBands", p.alloyFilterBands);
}

void writeUserShape(JsonWriter& w, const UserShape& u) {
  w.beginObject();
  w.keyString("name", u.name);
  w.keyString("keywords", u.keywords);
  w.keyFloat("defaultDuration", u.defaultDuration);
  writeShapeParameters(w, u);
  writeCurve(w, "weight", u.weight);
  writeCurve(w, "intensity", u.intensity);
  w.endObject();
}

void writeExportSettings(JsonWriter& w, const ExportSettings& x) {
  w.keyBool("exportWithHandles", x.exportWithHandles);
  w.keyFloat("handleDuration", x.handleDuration);
  w.keyBool("handleFullSource", x.handleFullSource);
  w.keyFloat("fadeInDuration", x.fadeInDuration);
  w.keyFloat("fadeOutDuration", x.fadeOutDuration);
  w.keyBool("snapToFrames", x.snapToFrames);
  w.keyBool("exportAAFMarkers", x.exportAAFMarkers);
  w.keyBool("exportAAFVolAuto", x.exportAAFVolAuto);
  w.keyBool("exportFillVirtual", x.exportFillVirtual);
  w.keyBool("exportFormatAAF", x.exportFormatAAF);
  w.keyBool("exportFormatWAV", x.exportFormatWAV);
  w.keyBool("exportWavMixdown", x.exportWavMixdown);
  w.keyBool("exportWavStems", x.exportWavStems);
  w.keyBool("exportWavTracks", x.exportWavTracks);
  w.keyBool("exportWavClips", x.exportWavClips);
  w.keyBool("exportReverbStem", x.exportReverbStem);
  w.keyBool("exportAAFSourceChannels", x.exportAAFSourceChannels);
}

void writeScenes(JsonWriter& w, const std::vector<Scene>& scenes) {
  w.key("scenes");
  w.beginArray();
  for (const Scene& scene : scenes) {
    w.beginObject();
    w.keyString("name", scene.name);
    w.keyFloat("inTime", scene.inTime);
    w.keyFloat("outTime", scene.outTime);
    w.keyString("keywords", scene.keywords);
    w.endObject();
  }
  w.endArray();
}

void writeReverb(JsonWriter& w, const ReverbSettings& r) {
  w.key("reverb");
  w.beginObject();
  w.keyBool("enabled", r.enabled);
  w.keyFloat("size", r.size);
  w.keyFloat("decay", r.decay);
  w.keyFloat("damping", r.damping);
  w.keyFloat("preDelay", r.preDelay);
  w.keyFloat("diffusion", r.diffusion);
  w.keyFloat("modulation", r.modulation);
  w.key("groupSends");
  w.beginArray(JsonArrayStyle::Inline);
  for (float send : r.groupSends) w.floatValue(send);
  w.endArray();
  w.endObject();
}

}  // namespace

std::string projectDocumentText(const Session& s, const ProjectWriteInput& input) {
  JsonWriter w;
  w.beginObject();
  w.keyString("format", kProjectFormatName);
  w.keyInt("version", kProjectFormatVersion);
  w.keyInt("minReaderVersion", kProjectMinReaderVersion);
  w.keyString("savedBy", programVersion());
  writeSettings(w, s, input.projectFolder);
  writeTexts(w, "libraryPaths", s.libraryPaths);
  w.key("trackLayout");
  writeTrackLayout(w, s.trackLayout);
  writeTexts(w, "bannedFiles", s.bannedFiles);
  if (!s.bannedFileIds.empty()) writeTexts(w, "bannedFileIds", s.bannedFileIds);
  writeFileRefs(w, "fileRefs", input.usedFileIds, input.collect, s.fileRefs);
  if (!s.linkedGroups.empty()) writeTexts(w, "linkedGroups", s.linkedGroups);
  w.key("userShapes");
  w.beginArray();
  for (const UserShape& u : s.userShapes) writeUserShape(w, u);
  w.endArray();
  w.key("events");
  w.beginArray();
  for (const Event& e : s.events) writeEvent(w, e, input.collect);
  w.endArray();
  const StoredLayerIds storedIds = storedLayerIds(s.results);
  w.key("results");
  w.beginArray();
  for (const Layer& l : s.results) writeLayer(w, l, input.collect, &storedIds);
  w.endArray();
  writeExportSettings(w, s.exportSettings);
  w.keyFloat("workAreaIn", s.workAreaIn);
  w.keyFloat("workAreaOut", s.workAreaOut);
  writeScenes(w, s.scenes);
  writeReverb(w, s.reverb);
  if (!s.traceSummary.frames.empty()) {
    w.key("optical");
    writeTraceSummary(w, s.traceSummary);
  }
  w.endObject();
  return w.take();
}

}  // namespace vn
