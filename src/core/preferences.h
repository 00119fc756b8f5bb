#pragma once
// The user's application-wide settings, kept between runs in "com.varnel.prefs"
// in the application data folder: one "key=value" line per setting.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "core/trained_model.h"

namespace vn {

struct LibraryRoot {
  std::string path;
  bool enabled = true;
  int number = -1;  // the library's own value for this root, kept as it is
};

struct RgbColor {
  uint8_t r = 0, g = 0, b = 0, a = 255;
};

constexpr int kMaxRecentProjects = 10;

struct Preferences {
  // Export
  float handleDuration = 1.0f;
  bool handleFullSource = false;
  float avSyncOffsetMs = 0.0f;
  float fadeInDuration = 0.01f;
  float fadeOutDuration = 0.05f;
  bool exportAAFMarkers = false;
  bool exportAAFVolAuto = true;
  bool exportAAFSourceChannels = true;
  bool exportAAFMultichannelTracks = false;
  bool exportFormatAAF = true;
  bool exportFormatWAV = true;
  bool exportWavMixdown = true;
  bool exportWavStems = false;
  int exportWavLayout = 0;
  int exportWavLUFSIndex = 0;
  int exportSpatialMode = 0;  // written as derived from the two spatial amounts
  float spatialAmount = 0.0f;
  float spatialDiffuse = 0.0f;
  // Audio device and monitoring
  std::string audioApi;
  std::string audioDevice;
  int audioBufferFrames = 256;
  int monitorLayout = 0;
  bool monitorBinaural = false;
  float monitorGain = 1.0f;
  std::map<std::string, std::vector<int>> channelMaps;  // "chmap.<device>": output channel numbers
  bool exportWavTracks = false;
  bool exportWavClips = false;
  bool exportReverbStem = true;
  // Variations
  int varCount = 5;
  int varChannels = 2;
  int varSampleRate = 48000;
  int varBitDepth = 24;
  bool varReverb = false;
  bool varShowAdvanced = false;
  int varNameStyle = 0;
  bool varNormalize = true;
  int varNormalizeDb = -1;
  // Project defaults
  int projectSampleRate = 48000;
  float maxEventDuration = 30.0f;
  bool protectSilence = false;
  bool destructiveEQ = false;
  bool chainsImportAsGroup = true;
  bool embedPrintToken = true;
  bool extendShortSources = false;
  int channelOrderFallback = 0;
  bool showSpectralHeatmap = false;
  int scaleType = 0;
  int scaleRoot = 0;
  int pitchShiftProb = 0;
  int freqShiftIntensity = 0;
  int reverseProb = 0;
  // Interface
  int fontSizePreset = 1;
  bool fontSizeAuto = true;
  bool boldFonts = false;
  int theme = 0;
  bool colorByWeight = true;
  bool showAdvancedInspector = false;
  int lastIntensityMode = 0;
  // Automatic backup
  bool autoSaveEnabled = true;
  bool audioFocusLatched = false;
  float autoSaveInterval = 120.0f;
  int maxBackups = 5;
  RgbColor weightColorLow{0x3A, 0x6E, 0xD8, 255};
  RgbColor weightColorMid{0xE0, 0xB0, 0x3C, 255};
  RgbColor weightColorHigh{0xE0, 0x4A, 0x3C, 255};
  // Reverb
  bool reverbEnabled = true;
  float reverbSize = 0.5f;
  float reverbDecay = 0.5f;
  float reverbDamping = 0.3f;
  float reverbPreDelay = 0.015f;
  float reverbDiffusion = 0.7f;
  float reverbModulation = 0.5f;
  float reverbMacro = 0.5f;
  float reverbSend[3] = {0.2f, 0.2f, 0.2f};
  TrainedModel trainedModel;
  // Update check
  bool showLauncherOnStartup = true;
  bool updateCheckEnabled = true;
  std::string dismissedUpdateVersion;
  long long lastUpdateCheck = 0;
  std::string updateAvailableVersion;  // empty while no update is known
  std::string updateAvailablePageUrl;
  std::string updateAvailableDate;
  std::vector<std::string> updateAvailableNotes;
  // Projects and libraries
  std::vector<std::string> recentProjects;  // most recent first
  bool recentsRepaired = false;
  std::vector<LibraryRoot> libraryRoots;
};

// "<application data folder>/com.varnel.prefs", or empty when there is no such folder.
std::string preferencesPath();

// Reads the file when there is one, applying each key's range and then the
// repairs that follow reading. A missing file leaves every setting as it was.
// The caller applies the audio buffer size to the audio output afterwards.
void LoadPreferences(Preferences& prefs);
// Writes every setting through a temporary file; false when it could not be
// written (the previous file then stays as it was).
bool SavePreferences(const Preferences& prefs);

// The file's text and its reading, for the two above.
std::string preferencesText(const Preferences& prefs);
void applyPreferencesText(const std::string& text, Preferences& prefs);

// The project settings that are also preferences (sample rate, longest event,
// scale, pitch and reverse) take the preference values, as they do at start.
struct ProjectSettings;
void applyProjectDefaults(const Preferences& prefs, ProjectSettings& settings);

// Puts path at the front of the recent projects (at most kMaxRecentProjects).
void addRecentProject(Preferences& prefs, const std::string& path);
// A recent entry is usable when it names a folder and holds no control characters.
bool isUsableRecentEntry(const std::string& entry);

}  // namespace vn
