#pragma once
// The in-memory document every subsystem reads or edits: events, their built
// layers, scenes, busses and the project-wide settings.
#include <array>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/curve.h"
#include "core/trace_summary.h"

namespace vn {

enum class ShapeType : int { Spot = 0, Bloom = 1, Contour = 2, Fill = 3, Scatter = 4, Clip = 5, Bed = 6 };
constexpr int kShapeCount = 7;
const char* shapeName(ShapeType shape);
// Clip and Bed events hold the user's own files: a build never replaces them.
bool isAlwaysLocked(ShapeType shape);

// 0 mono, 1 stereo, 2 5.1, 3 7.1.
enum class ChannelFormat : int { Mono = 0, Stereo = 1, Surround51 = 2, Surround71 = 3 };

struct ProjectSettings {
  float totalDuration = 30.0f;
  float fps = 24.0f;
  int projectSampleRate = 48000;
  float startTC = 0.0f;
  float maxEventDuration = 30.0f;
  int scaleType = 0;
  int scaleRoot = 0;
  int pitchShiftProb = 0;
  int freqShiftIntensity = 0;
  int reverseProb = 0;
  bool normalizeLUFS = true;
  int alloyAlgorithm = 2;
  float alloyTransferDepth = 0.2f;
  float alloyAttackGraft = 0.03f;
  float alloyMicroPitch = 0.03f;
  int alloyFilterBands = 10;
};

struct Event {
  float time = 0.0f;
  float duration = 1.0f;
  float spread = 0.3f;
  float weightCenter = 0.3f;
  float intensityScale = 1.0f;
  float weightOffset = 0.0f;
  float syncOffset = 0.0f;
  ShapeType shape = ShapeType::Spot;
  int userShapeIdx = -1;
  bool locked = false;
  bool muted = false;
  int8_t fmtOverride = -1;  // -1 automatic, 0 mono, 1 stereo
  bool hero = false;
  float gain = 1.0f;
  bool alloy = false;
  float alloyMorph = 1.0f;
  float pitchVariation = 0.0f;
  int scaleTuneOverride = 0;
  float reverbSend = -1.0f;
  int fillLayers = 0;
  int groupOverride = -1;
  bool panManual = false;
  float panX = 0.0f;
  float panY = 1.0f;
  float panZ = 0.0f;
  int sceneLink = -1;
  int sceneCrossfade = 1;
  bool sceneFill = false;
  std::string keywords;     // capacity cap::kEventKeywords
  bool hasPinned = false;
  std::string pinnedFile;   // legacy single pinned file, capacity cap::kPinnedFile
  std::string pinnedFileId;
  bool exactLayers = false;
  std::vector<std::string> pinnedFiles;
  std::vector<std::string> pinnedFileIds;
  std::vector<bool> bedLayerLoop;
  std::vector<float> bedLayerWeight;
  float clipWeight = -1.0f;
  float clipSourceOffset = 0.0f;
  float clipSourceDuration = 0.0f;
  float clipFadeIn = -1.0f;
  float clipFadeOut = -1.0f;
  float clipPitchRate = 1.0f;
  bool clipReverse = false;
  std::string folder;      // the Group, capacity cap::kFolder
  std::string libFilter;   // capacity cap::kLibFilter
  std::string presetName;  // capacity cap::kPresetName
  int intensityMode = 0;
  Curve weight = flatCurve(0.5f);
  Curve intensity = flatCurve(0.5f);
  bool hasTraceGain = false;
  Curve traceGain = flatCurve(0.5f);
  std::vector<Event> bounceSource;
};

// Fill layers loop regions of their source; units are those of the build engine.
struct FillChunk {
  int s = 0;  // chunk start
  int l = 0;  // chunk length
  int x = 0;  // source position
};

struct AlloySource {
  std::string filepath;
  std::string fileId;
  float offset = 0.0f;
  float duration = 0.0f;
};

struct Layer {
  uint32_t id = 0;  // unique within the Session, not stored
  std::string name;
  std::string filepath;
  std::string fileId;
  float sourceOffset = 0.0f;
  float sourceDuration = 0.0f;
  float startTime = 0.0f;
  float duration = 0.0f;
  float weight = 0.0f;
  int eventIdx = 0;
  int track = 0;
  int group = 0;
  int groupTrack = 0;
  int procMode = 0;  // 0 plain, 1 Fill, 2 exact clip length, 3 Alloy
  float fadeIn = 0.01f;
  float fadeOut = 0.05f;
  float audioSyncOffset = 0.0f;
  int fmt = 0;      // ChannelFormat value
  int srcFmt = -1;  // source format when it differs from fmt
  bool muted = false;
  int foldPin = 0;
  int foldTarget = -1;
  bool fillLoop = false;
  float layerGain = 1.0f;
  float userVolume = 1.0f;
  float normGain = 1.0f;
  float pitchShift = 0.0f;
  float pitchVarShift = 0.0f;
  float deconOffset = 0.0f;
  bool hasIntGain = false;
  Curve intGain = flatCurve(1.0f);
  std::optional<std::array<float, 128>> fillGain;
  std::optional<std::array<float, 32>> deconGain;
  std::optional<std::array<float, 5>> eqGains;
  std::vector<FillChunk> fillChunks;
  float alloyMorph = 1.0f;
  int alloyAlgo = 0;
  AlloySource alloyMid;
  AlloySource alloyHigh;
  AlloySource alloyEnv;
  bool placeholder = false;  // a sketch placeholder; kept in memory only

  // Runtime values of the build and the layering passes, not stored in the project.
  std::optional<std::array<float, 32>> densityGain;  // density ducking envelope
  std::array<float, 5> bandShares{};                 // normalised band shares of the chosen source
  float sourcePitchHz = 0.0f;                        // detected pitch of the source, 0 = none
  int sourceMidi = -1;
  float sourceCents = 0.0f;
  float sourcePitchConfidence = 0.0f;
  float tuneShift = 0.0f;                            // semitones added by scale tuning
  std::array<float, 32> alloyWeightEnv{};            // Alloy: weight value over the layer
  std::array<float, 32> alloyIntensityEnv{};         // Alloy: intensity over the layer, 0..1
  bool sourceMissing = false;  // the source could not be read: renders as silence, not retried
  bool unresolved = false;     // its fileId is no longer known to the Libraries (shown as missing)
};

struct Scene {
  std::string name;      // capacity cap::kSceneName
  float inTime = 0.0f;
  float outTime = 0.0f;
  std::string keywords;  // capacity cap::kSceneKeywords
};

struct BusSlot {
  int count = 0;  // JSON "n", 0..32
  int fmt = 1;    // ChannelFormat value
  std::string label;
};

constexpr int kMaxBusses = 16;
constexpr int kMaxBusSlots = 8;

struct Bus {
  std::string name;
  float targetLUFS = -24.0f;
  int busId = 0;
  int colorIdx = 0;
  std::vector<BusSlot> slots;  // at most kMaxBusSlots
  std::string deliveryGroup;   // tracks deliver as "group bus n" when set
};

// Every bus position starts with busId and colorIdx equal to the position; the
// first three are named after what the default shape homes send to them.
std::array<Bus, kMaxBusses> defaultBusses();
// 0, 1, 2, ... 15.
std::array<int, kMaxBusses> identityBusOrder();
constexpr std::array<int, kShapeCount> kDefaultShapeHome{1, 2, 2, 0, 1, 1, 0};

struct TrackLayout {
  int busCount = 3;
  bool templateMode = false;
  std::array<int, kMaxBusses> busOrder = identityBusOrder();
  int nextBusId = 3;
  std::array<int, kShapeCount> shapeHome = kDefaultShapeHome;
  std::array<Bus, kMaxBusses> busses = defaultBusses();
};

struct UserShape {
  std::string name;
  std::string keywords;
  float defaultDuration = 2.0f;
  float spread = 0.3f;
  float weightCenter = 0.3f;
  float intensityScale = 1.0f;
  float weightOffset = 0.0f;
  float syncOffset = 0.0f;
  Curve weight = flatCurve(0.5f);
  Curve intensity = flatCurve(0.5f);
};

struct FileRef {
  std::string id;
  uint64_t hash = 0;
  uint64_t size = 0;
  std::string path;
};

struct ExportSettings {
  bool exportWithHandles = true;
  float handleDuration = 1.0f;
  bool handleFullSource = false;
  float fadeInDuration = 0.01f;
  float fadeOutDuration = 0.05f;
  bool snapToFrames = true;
  bool exportAAFMarkers = false;
  bool exportAAFVolAuto = true;
  bool exportFillVirtual = false;
  bool exportFormatAAF = true;
  bool exportFormatWAV = true;
  bool exportWavMixdown = true;
  bool exportWavStems = false;
  bool exportWavTracks = false;
  bool exportWavClips = false;
  bool exportReverbStem = true;
  bool exportAAFSourceChannels = true;
};

struct ReverbSettings {
  bool enabled = true;
  float size = 0.5f;
  float decay = 0.5f;
  float damping = 0.3f;
  float preDelay = 0.015f;
  float diffusion = 0.7f;
  float modulation = 0.5f;
  std::array<float, 3> groupSends{0.2f, 0.2f, 0.2f};
};

struct Session {
  ProjectSettings settings;
  std::vector<Event> events;
  std::vector<Layer> results;
  std::vector<Scene> scenes;
  std::vector<UserShape> userShapes;
  TrackLayout trackLayout;
  std::set<std::string> linkedGroups;
  std::vector<std::string> bannedFiles;
  std::vector<std::string> bannedFileIds;
  std::vector<std::string> libraryPaths;
  // The file references read with the document; written back for the ids the
  // Library does not know (or when no Library is installed).
  std::vector<FileRef> fileRefs;
  std::vector<std::string> missingFiles;  // not stored
  ExportSettings exportSettings;          // JSON keys at top level; "export" is a C++ keyword
  ReverbSettings reverb;
  float workAreaIn = -1.0f;
  float workAreaOut = -1.0f;
  float masterGain = 1.0f;
  float refGain = 1.0f;
  std::array<float, kMaxBusses> groupGain = filledGroupGain();
  std::string videoPath;
  float videoStartTime = 0.0f;
  std::string projectDescription;
  TraceSummary traceSummary;
  bool dirty = false;  // not stored

  static std::array<float, kMaxBusses> filledGroupGain() {
    std::array<float, kMaxBusses> g;
    g.fill(1.0f);
    return g;
  }
};

}  // namespace vn
