// The preferences file, key by key. One ordered table drives both the writer
// (which writes the keys in this order) and the reader (which applies each key's
// range as it reads it).
#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <variant>

#include "core/preferences.h"
#include "platform/log.h"

namespace vn {
namespace {

struct ReadState {
  bool sawSpatialDiffuse = false;
  bool spatialEnhanced = false;
};

using ReadFn = void (*)(Preferences&, ReadState&, std::string_view key, const std::string& value);
using WriteFn = void (*)(const Preferences&, std::string& out);
using Field = std::variant<std::monostate, bool Preferences::*, int Preferences::*, float Preferences::*,
                           std::string Preferences::*>;

struct Entry {
  const char* key;
  Field field;
  const char* realFormat = nullptr;  // "%.2f" for reals
  double lo = INT_MIN;
  double hi = INT_MAX;
  ReadFn read = nullptr;    // instead of the plain rule
  WriteFn write = nullptr;  // instead of the plain rule
  bool prefix = false;      // the key is a prefix ("chmap.")
};

// A malformed integer reads as 0; a huge one saturates.
int intValue(const std::string& value) {
  errno = 0;
  long long v = std::strtoll(value.c_str(), nullptr, 10);
  return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

// A malformed real reads as 0.
double realValue(const std::string& value) { return std::strtod(value.c_str(), nullptr); }

float clampedReal(const std::string& value, double lo, double hi) {
  double v = realValue(value);
  if (std::isnan(v)) v = 0.0;
  return static_cast<float>(std::clamp(v, lo, hi));
}

bool hasLineBreakOrEquals(const std::string& text) { return text.find_first_of("=\n\r") != std::string::npos; }
bool hasLineBreak(const std::string& text) { return text.find_first_of("\n\r") != std::string::npos; }

void appendLine(std::string& out, const char* key, const std::string& value) {
  out += key;
  out += '=';
  out += value;
  out += '\n';
}

void appendInt(std::string& out, const char* key, long long value) { appendLine(out, key, std::to_string(value)); }

void appendReal(std::string& out, const char* key, const char* realFormat, double value) {
  appendLine(out, key, format(realFormat, std::isfinite(value) ? value : 0.0));
}

// ---- entries with their own rules ----

void writeSpatialMode(const Preferences& p, std::string& out) {
  int mode = 0;
  if (p.spatialAmount > 0.0001f || p.spatialDiffuse > 0.0001f) mode = p.spatialDiffuse > 0.0001f ? 2 : 1;
  appendInt(out, "exportSpatialMode", mode);
}

void readSpatialDiffuse(Preferences& p, ReadState& state, std::string_view, const std::string& value) {
  p.spatialDiffuse = clampedReal(value, 0.0, 1.0);
  state.sawSpatialDiffuse = true;
}

void readSpatialEnhanced(Preferences&, ReadState& state, std::string_view, const std::string& value) {
  state.spatialEnhanced = intValue(value) != 0;
}

void writeNothing(const Preferences&, std::string&) {}

void writeAudioText(std::string& out, const char* key, const std::string& value) {
  if (!hasLineBreakOrEquals(value)) appendLine(out, key, value);
}
void writeAudioApi(const Preferences& p, std::string& out) { writeAudioText(out, "audioApi", p.audioApi); }
void writeAudioDevice(const Preferences& p, std::string& out) { writeAudioText(out, "audioDevice", p.audioDevice); }

// The nearest supported size; a tie goes to the smaller one.
void readBufferFrames(Preferences& p, ReadState&, std::string_view, const std::string& value) {
  static constexpr int kSizes[] = {32, 64, 128, 256, 512, 1024, 2048};
  const long long wanted = intValue(value);
  int best = kSizes[0];
  for (int size : kSizes)
    if (std::llabs(size - wanted) < std::llabs(best - wanted)) best = size;
  p.audioBufferFrames = best;
}

void readChannelMap(Preferences& p, ReadState&, std::string_view key, const std::string& value) {
  std::string device(key.substr(6));
  if (value.empty()) return;
  std::vector<int> channels;
  size_t start = 0;
  for (;;) {
    size_t comma = value.find(',', start);
    channels.push_back(intValue(value.substr(start, comma - start)));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  p.channelMaps[device] = std::move(channels);
}

void writeChannelMaps(const Preferences& p, std::string& out) {
  for (const auto& [device, channels] : p.channelMaps) {
    if (hasLineBreakOrEquals(device) || channels.empty()) continue;
    std::string list;
    for (size_t i = 0; i < channels.size(); ++i) {
      if (i > 0) list += ',';
      list += std::to_string(channels[i]);
    }
    appendLine(out, ("chmap." + device).c_str(), list);
  }
}

void readVarChannels(Preferences& p, ReadState&, std::string_view, const std::string& v) {
  p.varChannels = intValue(v) == 2 ? 2 : 1;
}
void readVarBitDepth(Preferences& p, ReadState&, std::string_view, const std::string& v) {
  p.varBitDepth = intValue(v) == 16 ? 16 : 24;
}
void readVarNameStyle(Preferences& p, ReadState&, std::string_view, const std::string& v) {
  p.varNameStyle = intValue(v) == 1 ? 1 : 0;
}

bool isSupportedRate(int rate) { return rate == 44100 || rate == 48000 || rate == 88200 || rate == 96000; }

void readVarSampleRate(Preferences& p, ReadState&, std::string_view, const std::string& v) {
  int rate = intValue(v);
  p.varSampleRate = isSupportedRate(rate) ? rate : 48000;
}
void readProjectSampleRate(Preferences& p, ReadState&, std::string_view, const std::string& v) {
  int rate = intValue(v);
  if (isSupportedRate(rate)) p.projectSampleRate = rate;
}

RgbColor Preferences::*colorField(std::string_view key) {
  if (key == "weightColorLow") return &Preferences::weightColorLow;
  if (key == "weightColorMid") return &Preferences::weightColorMid;
  if (key == "weightColorHigh") return &Preferences::weightColorHigh;
  return nullptr;
}

void readColor(Preferences& p, ReadState&, std::string_view key, const std::string& value) {
  unsigned r = 0, g = 0, b = 0;
  if (!colorField(key) || std::sscanf(value.c_str(), "#%02x%02x%02x", &r, &g, &b) != 3) return;
  p.*colorField(key) = {static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b), 255};
}

void writeColors(const Preferences& p, std::string& out) {
  for (const char* key : {"weightColorLow", "weightColorMid", "weightColorHigh"}) {
    const RgbColor& c = p.*colorField(key);
    out += format("%s=#%02X%02X%02X\n", key, c.r, c.g, c.b);
  }
}

void readReverbSend(Preferences& p, ReadState&, std::string_view key, const std::string& value) {
  int index = key.back() - '0';
  if (key.size() == std::string_view("reverbSend0").size() && index >= 0 && index < 3)
    p.reverbSend[index] = clampedReal(value, 0.0, 1.0);
}

void writeReverbSends(const Preferences& p, std::string& out) {
  for (int i = 0; i < 3; ++i) out += format("reverbSend%d=%.3f\n", i, std::isfinite(p.reverbSend[i]) ? p.reverbSend[i] : 0.0);
}

// ---- the tuning model: finite values only, written only while valid ----

struct ModelReal {
  const char* key;
  float TrainedModel::*field;
};
constexpr ModelReal kModelReals[] = {
    {"tm_defaultCompositeMean", &TrainedModel::defaultCompositeMean},
    {"tm_thresholdScale", &TrainedModel::thresholdScale},
    {"tm_subtleScale", &TrainedModel::subtleScale},
    {"tm_spotCutoff", &TrainedModel::spotCutoff},
    {"tm_gainA", &TrainedModel::gainA},
    {"tm_gainB", &TrainedModel::gainB},
    {"tm_weightBias", &TrainedModel::weightBias},
    {"tm_spotDurScale", &TrainedModel::spotDurScale},
    {"tm_sweepDurScale", &TrainedModel::sweepDurScale},
    {"tm_minGap", &TrainedModel::minGap},
};

// "tm_w3" -> w[3], "tm_posMean0" -> posMean[0]...
float* modelArraySlot(TrainedModel& m, std::string_view key) {
  struct Array {
    std::string_view prefix;
    std::array<float, 5> TrainedModel::*field;
  };
  static constexpr Array kArrays[] = {
      {"tm_w", &TrainedModel::w}, {"tm_posMean", &TrainedModel::posMean}, {"tm_negMean", &TrainedModel::negMean}};
  for (const Array& a : kArrays) {
    if (key.size() != a.prefix.size() + 1 || key.substr(0, a.prefix.size()) != a.prefix) continue;
    int index = key.back() - '0';
    if (index >= 0 && index < 5) return &(m.*a.field)[static_cast<size_t>(index)];
  }
  return nullptr;
}

void readModelKey(Preferences& p, ReadState&, std::string_view key, const std::string& value) {
  TrainedModel& m = p.trainedModel;
  if (key == "tm_valid") {
    m.valid = intValue(value) != 0;
    return;
  }
  if (key == "tm_totalSpots" || key == "tm_posCount" || key == "tm_negCount") {
    int& count = key == "tm_totalSpots" ? m.totalSpots : key == "tm_posCount" ? m.posCount : m.negCount;
    count = std::max(intValue(value), 0);
    return;
  }
  const double v = realValue(value);
  if (!std::isfinite(v)) return;
  if (float* slot = modelArraySlot(m, key)) {
    *slot = static_cast<float>(v);
    return;
  }
  for (const ModelReal& r : kModelReals)
    if (key == r.key) m.*r.field = static_cast<float>(v);
}

void writeModelArray(std::string& out, const char* prefix, const std::array<float, 5>& values) {
  for (size_t i = 0; i < values.size(); ++i)
    out += format("%s%zu=%.6f\n", prefix, i, std::isfinite(values[i]) ? values[i] : 0.0);
}

void writeModel(const Preferences& p, std::string& out) {
  const TrainedModel& m = p.trainedModel;
  appendInt(out, "tm_valid", m.valid ? 1 : 0);
  if (!m.valid) return;
  appendInt(out, "tm_totalSpots", m.totalSpots);
  writeModelArray(out, "tm_w", m.w);
  for (const ModelReal& r : kModelReals) appendReal(out, r.key, "%.6f", m.*r.field);
  appendInt(out, "tm_posCount", m.posCount);
  writeModelArray(out, "tm_posMean", m.posMean);
  appendInt(out, "tm_negCount", m.negCount);
  writeModelArray(out, "tm_negMean", m.negMean);
}

// ---- update state, recent projects and library roots ----

void writeTextWhenSet(std::string& out, const char* key, const std::string& value) {
  if (!value.empty() && !hasLineBreak(value)) appendLine(out, key, value);
}

void writeDismissed(const Preferences& p, std::string& out) {
  writeTextWhenSet(out, "dismissedUpdateVersion", p.dismissedUpdateVersion);
}

void readLastUpdateCheck(Preferences& p, ReadState&, std::string_view, const std::string& v) {
  p.lastUpdateCheck = std::strtoll(v.c_str(), nullptr, 10);
}
void writeLastUpdateCheck(const Preferences& p, std::string& out) { appendInt(out, "lastUpdateCheck", p.lastUpdateCheck); }

void writeUpdate(const Preferences& p, std::string& out) {
  if (p.updateAvailableVersion.empty()) return;
  writeTextWhenSet(out, "updateAvailableVersion", p.updateAvailableVersion);
  writeTextWhenSet(out, "updateAvailablePageUrl", p.updateAvailablePageUrl);
  writeTextWhenSet(out, "updateAvailableDate", p.updateAvailableDate);
  for (const std::string& note : p.updateAvailableNotes) writeTextWhenSet(out, "updateAvailableNote", note);
}

void readUpdateNote(Preferences& p, ReadState&, std::string_view, const std::string& v) {
  p.updateAvailableNotes.push_back(v);
}

void readRecent(Preferences& p, ReadState&, std::string_view, const std::string& v) {
  if (isUsableRecentEntry(v) && p.recentProjects.size() < static_cast<size_t>(kMaxRecentProjects))
    p.recentProjects.push_back(v);
}

void writeRecents(const Preferences& p, std::string& out) {
  for (size_t i = 0; i < p.recentProjects.size(); ++i) {
    if (!isUsableRecentEntry(p.recentProjects[i])) {
      logLine("[SavePrefs] Skipping unusable recent project entry %d\n", static_cast<int>(i));
      continue;
    }
    appendLine(out, "recentProject", p.recentProjects[i]);
  }
}

void readRecentsRepaired(Preferences& p, ReadState&, std::string_view, const std::string& v) {
  p.recentsRepaired = !v.empty() && v[0] == '1';
}
void writeRecentsRepaired(const Preferences& p, std::string& out) {
  if (p.recentsRepaired) out += "recentsRepaired=1\n";
}

void readLibraryRoot(Preferences& p, ReadState&, std::string_view, const std::string& v) {
  LibraryRoot root;
  size_t bar = v.find('|');
  root.path = v.substr(0, bar);
  if (bar != std::string::npos) {
    size_t second = v.find('|', bar + 1);
    root.enabled = intValue(v.substr(bar + 1, second == std::string::npos ? std::string::npos : second - bar - 1)) != 0;
    if (second != std::string::npos) root.number = intValue(v.substr(second + 1));
  }
  p.libraryRoots.push_back(std::move(root));
}

void readOldLibraryRoot(Preferences& p, ReadState&, std::string_view, const std::string& v) {
  p.libraryRoots.push_back({v, true, -1});
}

void writeLibraryRoots(const Preferences& p, std::string& out) {
  for (const LibraryRoot& root : p.libraryRoots) {
    if (hasLineBreak(root.path)) continue;
    out += format("libraryEx=%s|%d|%d\n", root.path.c_str(), root.enabled ? 1 : 0, root.number);
  }
}

using P = Preferences;
const Entry kEntries[] = {
    {"handleDuration", &P::handleDuration, "%.2f", 0.01, 60},
    {"handleFullSource", &P::handleFullSource},
    {"avSyncOffsetMs", &P::avSyncOffsetMs, "%.2f", -500, 500},
    {"fadeInDuration", &P::fadeInDuration, "%.3f", 0, 30},
    {"fadeOutDuration", &P::fadeOutDuration, "%.3f", 0, 30},
    {"exportAAFMarkers", &P::exportAAFMarkers},
    {"exportAAFVolAuto", &P::exportAAFVolAuto},
    {"exportAAFSourceChannels", &P::exportAAFSourceChannels},
    {"exportAAFMultichannelTracks", &P::exportAAFMultichannelTracks},
    {"exportFormatAAF", &P::exportFormatAAF},
    {"exportFormatWAV", &P::exportFormatWAV},
    {"exportWavMixdown", &P::exportWavMixdown},
    {"exportWavStems", &P::exportWavStems},
    {"exportWavLayout", &P::exportWavLayout, nullptr, 0, 3},
    {"exportWavLUFSIndex", &P::exportWavLUFSIndex, nullptr, 0, 4},
    {"exportSpatialMode", &P::exportSpatialMode, nullptr, 0, 2, nullptr, writeSpatialMode},
    {"spatialAmount", &P::spatialAmount, "%.4f", 0, 1},
    {"spatialDiffuse", &P::spatialDiffuse, "%.4f", 0, 1, readSpatialDiffuse},
    {"spatialEnhanced", {}, nullptr, 0, 0, readSpatialEnhanced, writeNothing},
    {"audioApi", &P::audioApi, nullptr, 0, 0, nullptr, writeAudioApi},
    {"audioDevice", &P::audioDevice, nullptr, 0, 0, nullptr, writeAudioDevice},
    {"audioBufferFrames", &P::audioBufferFrames, nullptr, 32, 2048, readBufferFrames},
    {"monitorLayout", &P::monitorLayout, nullptr, 0, 2},
    {"monitorBinaural", &P::monitorBinaural},
    {"monitorGain", &P::monitorGain, "%.4f", 0, 10},
    {"chmap.", {}, nullptr, 0, 0, readChannelMap, writeChannelMaps, true},
    {"exportWavTracks", &P::exportWavTracks},
    {"exportWavClips", &P::exportWavClips},
    {"exportReverbStem", &P::exportReverbStem},
    {"varCount", &P::varCount, nullptr, 1, 999},
    {"varChannels", &P::varChannels, nullptr, 1, 2, readVarChannels},
    {"varSampleRate", &P::varSampleRate, nullptr, 44100, 96000, readVarSampleRate},
    {"varBitDepth", &P::varBitDepth, nullptr, 16, 24, readVarBitDepth},
    {"varReverb", &P::varReverb},
    {"varShowAdvanced", &P::varShowAdvanced},
    {"varNameStyle", &P::varNameStyle, nullptr, 0, 1, readVarNameStyle},
    {"varNormalize", &P::varNormalize},
    {"varNormalizeDb", &P::varNormalizeDb, nullptr, -24, 0},
    {"projectSampleRate", &P::projectSampleRate, nullptr, 44100, 96000, readProjectSampleRate},
    {"maxEventDuration", &P::maxEventDuration, "%.1f", 0.1, 600},
    {"protectSilence", &P::protectSilence},
    {"destructiveEQ", &P::destructiveEQ},
    {"chainsImportAsGroup", &P::chainsImportAsGroup},
    {"embedPrintToken", &P::embedPrintToken},
    {"extendShortSources", &P::extendShortSources},
    {"channelOrderFallback", &P::channelOrderFallback, nullptr, 0, 2},
    {"showSpectralHeatmap", &P::showSpectralHeatmap},
    {"scaleType", &P::scaleType, nullptr, 0, 16},
    {"scaleRoot", &P::scaleRoot, nullptr, 0, 11},
    {"pitchShiftProb", &P::pitchShiftProb, nullptr, 0, 100},
    {"freqShiftIntensity", &P::freqShiftIntensity, nullptr, 0, 100},
    {"reverseProb", &P::reverseProb, nullptr, 0, 100},
    {"fontSizePreset", &P::fontSizePreset, nullptr, 0, 2},
    {"fontSizeAuto", &P::fontSizeAuto},
    {"boldFonts", &P::boldFonts},
    {"theme", &P::theme, nullptr, 0, 6},
    {"colorByWeight", &P::colorByWeight},
    {"showAdvancedInspector", &P::showAdvancedInspector},
    {"lastIntensityMode", &P::lastIntensityMode, nullptr, 0, 2},
    {"autoSaveEnabled", &P::autoSaveEnabled},
    {"audioFocusLatched", &P::audioFocusLatched},
    {"autoSaveInterval", &P::autoSaveInterval, "%.0f", 30, 3600},
    {"maxBackups", &P::maxBackups, nullptr, 1, 50},
    {"weightColor", {}, nullptr, 0, 0, readColor, writeColors, true},
    {"reverbEnabled", &P::reverbEnabled},
    {"reverbSize", &P::reverbSize, "%.3f", 0, 1},
    {"reverbDecay", &P::reverbDecay, "%.3f", 0, 1},
    {"reverbDamping", &P::reverbDamping, "%.3f", 0, 1},
    {"reverbPreDelay", &P::reverbPreDelay, "%.4f", 0, 0.2},
    {"reverbDiffusion", &P::reverbDiffusion, "%.3f", 0, 1},
    {"reverbModulation", &P::reverbModulation, "%.3f", 0, 1},
    {"reverbMacro", &P::reverbMacro, "%.3f", 0, 1},
    {"reverbSend", {}, nullptr, 0, 0, readReverbSend, writeReverbSends, true},
    {"tm_", {}, nullptr, 0, 0, readModelKey, writeModel, true},
    {"showLauncherOnStartup", &P::showLauncherOnStartup},
    {"updateCheckEnabled", &P::updateCheckEnabled},
    {"dismissedUpdateVersion", &P::dismissedUpdateVersion, nullptr, 0, 0, nullptr, writeDismissed},
    {"lastUpdateCheck", {}, nullptr, 0, 0, readLastUpdateCheck, writeLastUpdateCheck},
    {"updateAvailableVersion", &P::updateAvailableVersion, nullptr, 0, 0, nullptr, writeUpdate},
    {"updateAvailablePageUrl", &P::updateAvailablePageUrl, nullptr, 0, 0, nullptr, writeNothing},
    {"updateAvailableDate", &P::updateAvailableDate, nullptr, 0, 0, nullptr, writeNothing},
    {"updateAvailableNote", {}, nullptr, 0, 0, readUpdateNote, writeNothing},
    {"recentProject", {}, nullptr, 0, 0, readRecent, writeRecents},
    {"recentsRepaired", {}, nullptr, 0, 0, readRecentsRepaired, writeRecentsRepaired},
    {"libraryEx", {}, nullptr, 0, 0, readLibraryRoot, writeLibraryRoots},
    {"library", {}, nullptr, 0, 0, readOldLibraryRoot, writeNothing},
};

const Entry* findEntry(std::string_view key) {
  for (const Entry& e : kEntries) {
    if (e.prefix ? key.size() > std::string_view(e.key).size() && key.starts_with(e.key) : key == e.key) return &e;
  }
  return nullptr;
}

void readPlain(Preferences& p, const Entry& e, const std::string& value) {
  if (auto b = std::get_if<bool P::*>(&e.field)) {
    p.**b = intValue(value) != 0;
  } else if (auto i = std::get_if<int P::*>(&e.field)) {
    p.**i = static_cast<int>(std::clamp<double>(intValue(value), e.lo, e.hi));
  } else if (auto f = std::get_if<float P::*>(&e.field)) {
    p.**f = clampedReal(value, e.lo, e.hi);
  } else if (auto s = std::get_if<std::string P::*>(&e.field)) {
    p.**s = value;
  }
}

void writePlain(const Preferences& p, const Entry& e, std::string& out) {
  if (auto b = std::get_if<bool P::*>(&e.field)) {
    appendInt(out, e.key, p.**b ? 1 : 0);
  } else if (auto i = std::get_if<int P::*>(&e.field)) {
    appendInt(out, e.key, p.**i);
  } else if (auto f = std::get_if<float P::*>(&e.field)) {
    appendReal(out, e.key, e.realFormat, p.**f);
  } else if (auto s = std::get_if<std::string P::*>(&e.field)) {
    if (!hasLineBreak(p.**s)) appendLine(out, e.key, p.**s);
  }
}

void applyLine(std::string_view line, Preferences& p, ReadState& state) {
  size_t equals = line.find('=');
  if (equals == std::string_view::npos) return;
  std::string_view key = line.substr(0, equals);
  std::string value(line.substr(equals + 1));
  value = value.substr(0, value.find('\n'));
  if (!value.empty() && value.back() == '\r') value.pop_back();
  const Entry* e = findEntry(key);
  if (!e) return;  // unknown and retired keys
  if (e->read)
    e->read(p, state, key, value);
  else
    readPlain(p, *e, value);
}

void repairAfterReading(Preferences& p, const ReadState& state) {
  if (!state.sawSpatialDiffuse) p.spatialDiffuse = state.spatialEnhanced || p.exportSpatialMode == 2 ? 1.0f : 0.0f;
  if (p.exportSpatialMode > 0 && p.spatialAmount <= 0.0001f) p.spatialAmount = 0.9f;
}

}  // namespace

std::string preferencesText(const Preferences& p) {
  std::string out;
  for (const Entry& e : kEntries) {
    if (e.write)
      e.write(p, out);
    else
      writePlain(p, e, out);
  }
  return out;
}

void applyPreferencesText(const std::string& text, Preferences& p) {
  // Lines are taken the way a 1024-byte line buffer takes them: a longer line
  // arrives as several pieces, each read as a line of its own.
  constexpr size_t kPiece = 1023;
  ReadState state;
  size_t start = 0;
  while (start < text.size()) {
    size_t newline = text.find('\n', start);
    size_t end = newline == std::string::npos ? text.size() : newline + 1;
    end = std::min(end, start + kPiece);
    applyLine(std::string_view(text).substr(start, end - start), p, state);
    start = end;
  }
  repairAfterReading(p, state);
}

}  // namespace vn
