#include "core/layer_io.h"

#include <algorithm>
#include <cmath>
#include <span>

#include "core/curve_io.h"
#include "core/json_fields.h"

namespace vn {
namespace {

constexpr int kProcFill = 1;
constexpr int kProcAlloy = 3;

void writeFloats(JsonWriter& w, std::string_view key, std::span<const float> values) {
  w.key(key);
  w.beginArray(JsonArrayStyle::Inline);
  for (float v : values) w.floatValue(v);
  w.endArray();
}

template <size_t N>
void readFloats(const JsonValue& o, std::string_view key, std::optional<std::array<float, N>>& out) {
  const JsonValue& v = member(o, key);
  if (!v.isArray()) {
    out.reset();
    return;
  }
  std::array<float, N> values;
  values.fill(1.0f);
  std::span<const JsonValue> items = v.items();
  for (size_t i = 0; i < N && i < items.size(); ++i) values[i] = numberOr(items[i], 1.0f);
  out = values;
}

void writeAlloySource(JsonWriter& w, std::string_view key, const AlloySource& s, const CollectMap* collect) {
  w.key(key);
  w.beginObject();
  w.keyString("filepath", documentPath(s.filepath, collect));
  if (!s.fileId.empty()) w.keyString("fileId", s.fileId);
  w.keyFloat("offset", s.offset);
  w.keyFloat("duration", s.duration);
  w.endObject();
}

AlloySource readAlloySource(const JsonValue& o, const std::string& projectFolder) {
  AlloySource s;
  s.filepath = resolveSourcePath(readString(o, "filepath"), projectFolder);
  s.fileId = readString(o, "fileId");
  s.offset = readFloat(o, "offset", 0.0f);
  s.duration = readFloat(o, "duration", 0.0f);
  return s;
}

}  // namespace

StoredLayerIds storedLayerIds(const std::vector<Layer>& layers) {
  StoredLayerIds ids;
  ids.reserve(layers.size());
  for (size_t i = 0; i < layers.size(); ++i) ids.emplace(layers[i].id, static_cast<int>(i) + 1);
  return ids;
}

void assignLoadedLayerIds(std::vector<Layer>& layers) {
  for (size_t i = 0; i < layers.size(); ++i) layers[i].id = static_cast<uint32_t>(i) + 1;
}

namespace {

int foldTargetToWrite(const Layer& l, const StoredLayerIds* storedIds) {
  if (l.foldTarget < 0 || !storedIds) return l.foldTarget;
  auto it = storedIds->find(static_cast<uint32_t>(l.foldTarget));
  return it == storedIds->end() ? -1 : it->second;
}

}  // namespace

void writeLayer(JsonWriter& w, const Layer& l, const CollectMap* collect, const StoredLayerIds* storedIds) {
  w.beginObject();
  w.keyString("name", l.name);
  w.keyString("filepath", documentPath(l.filepath, collect));
  if (!l.fileId.empty()) w.keyString("fileId", l.fileId);
  w.keyFloat("sourceOffset", l.sourceOffset);
  w.keyFloat("sourceDuration", l.sourceDuration);
  w.keyFloat("startTime", l.startTime);
  w.keyFloat("duration", l.duration);
  w.keyFloat("weight", l.weight);
  w.keyInt("eventIdx", l.eventIdx);
  w.keyInt("track", l.track);
  w.keyInt("group", l.group);
  w.keyInt("groupTrack", l.groupTrack);
  w.keyInt("procMode", l.procMode);
  w.keyFloat("fadeIn", l.fadeIn);
  w.keyFloat("fadeOut", l.fadeOut);
  w.keyFloat("audioSyncOffset", l.audioSyncOffset);
  w.keyInt("fmt", l.fmt);
  w.keyBool("stereo", l.fmt == static_cast<int>(ChannelFormat::Stereo));  // for older readers
  if (l.srcFmt >= 0 && l.srcFmt != l.fmt) w.keyInt("srcFmt", l.srcFmt);
  w.keyBool("muted", l.muted);
  if (l.foldPin != 0) w.keyInt("foldPin", l.foldPin);
  const int foldTarget = foldTargetToWrite(l, storedIds);
  if (foldTarget >= 0) w.keyInt("foldTarget", foldTarget);
  if (l.fillLoop) w.keyBool("fillLoop", true);
  w.keyFloat("layerGain", l.layerGain);
  if (std::fabs(l.userVolume - 1.0f) > 0.001f) w.keyFloat("userVolume", l.userVolume);
  if (std::fabs(l.normGain - 1.0f) > 0.001f) w.keyFloat("normGain", l.normGain);
  if (std::fabs(l.pitchShift) > 0.001f) w.keyFloat("pitchShift", l.pitchShift);
  if (std::fabs(l.pitchVarShift) > 0.001f) w.keyFloat("pitchVarShift", l.pitchVarShift);
  if (std::fabs(l.deconOffset) > 0.0001f) w.keyFloat("deconOffset", l.deconOffset);
  if (l.hasIntGain) writeCurve(w, "intGain", l.intGain);
  if (l.fillGain) writeFloats(w, "fillGain", *l.fillGain);
  if (l.deconGain) writeFloats(w, "deconGain", *l.deconGain);
  if (l.eqGains) writeFloats(w, "eqGains", *l.eqGains);
  if (l.procMode == kProcFill && !l.fillChunks.empty()) {
    w.key("fillChunks");
    w.beginArray();
    for (const FillChunk& c : l.fillChunks) {
      w.beginObject();
      w.keyInt("s", c.s);
      w.keyInt("l", c.l);
      w.keyInt("x", c.x);
      w.endObject();
    }
    w.endArray();
  }
  if (l.procMode == kProcAlloy) {
    w.keyFloat("alloyMorph", l.alloyMorph);
    w.keyInt("alloyAlgo", l.alloyAlgo);
    writeAlloySource(w, "alloyMid", l.alloyMid, collect);
    writeAlloySource(w, "alloyHigh", l.alloyHigh, collect);
    writeAlloySource(w, "alloyEnv", l.alloyEnv, collect);
  }
  w.endObject();
}

void readLayer(const JsonValue& o, Layer& l, const std::string& projectFolder) {
  const uint32_t id = l.id;
  l = Layer{};
  l.id = id;
  l.name = readString(o, "name");
  const JsonValue& path = member(o, "filepath");
  l.filepath = resolveSourcePath(std::string(path.isString() ? path.text() : member(o, "file").text()),
                                 projectFolder);
  l.fileId = readString(o, "fileId");
  l.sourceOffset = readFloat(o, "sourceOffset", 0.0f);
  l.sourceDuration = readFloat(o, "sourceDuration", 0.0f);
  l.startTime = readFloat(o, "startTime", 0.0f);
  l.duration = readFloat(o, "duration", 0.0f);
  l.weight = readFloat(o, "weight", 0.0f);
  l.eventIdx = readInt(o, "eventIdx", 0);
  l.track = readInt(o, "track", 0);
  l.group = readInt(o, "group", 0);
  l.groupTrack = readInt(o, "groupTrack", 0);
  l.procMode = readInt(o, "procMode", 0, 0, 3);
  l.fadeIn = readFloat(o, "fadeIn", 0.01f);
  l.fadeOut = readFloat(o, "fadeOut", 0.05f);
  l.audioSyncOffset = readFloat(o, "audioSyncOffset", 0.0f);
  l.fmt = std::min(readInt(o, "fmt", -1), 3);
  if (l.fmt < 0) l.fmt = readBool(o, "stereo", false) ? 1 : 0;
  l.srcFmt = readInt(o, "srcFmt", -1);
  if (l.srcFmt > 3 || l.srcFmt < -1) l.srcFmt = -1;
  l.muted = readBool(o, "muted", false);
  l.foldPin = readInt(o, "foldPin", 0, 0, 2);
  l.foldTarget = readInt(o, "foldTarget", -1);
  l.fillLoop = readBool(o, "fillLoop", false);
  l.layerGain = readFloat(o, "layerGain", 1.0f);
  l.userVolume = readFloat(o, "userVolume", 1.0f, 0.0f, 2.0f);
  l.normGain = readFloat(o, "normGain", 1.0f, 0.001f, 8.0f);
  l.pitchShift = readFloat(o, "pitchShift", 0.0f, -24.0f, 24.0f);
  l.pitchVarShift = readFloat(o, "pitchVarShift", 0.0f);
  l.deconOffset = readFloat(o, "deconOffset", 0.0f);
  const JsonValue& intGain = member(o, "intGain");
  l.hasIntGain = intGain.isArray();
  if (l.hasIntGain) readStretchedGain(intGain, l.intGain);
  readFloats(o, "fillGain", l.fillGain);
  readFloats(o, "deconGain", l.deconGain);
  readFloats(o, "eqGains", l.eqGains);
  for (const JsonValue& chunk : member(o, "fillChunks").items())
    l.fillChunks.push_back({readInt(chunk, "s", 0), readInt(chunk, "l", 0), readInt(chunk, "x", 0)});
  l.alloyMorph = readFloat(o, "alloyMorph", 1.0f);
  l.alloyAlgo = readInt(o, "alloyAlgo", 0, 0, 3);
  l.alloyMid = readAlloySource(member(o, "alloyMid"), projectFolder);
  l.alloyHigh = readAlloySource(member(o, "alloyHigh"), projectFolder);
  l.alloyEnv = readAlloySource(member(o, "alloyEnv"), projectFolder);
}

}  // namespace vn
