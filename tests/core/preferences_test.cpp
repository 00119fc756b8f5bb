#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "core/preferences.h"
#include "platform/log.h"
#include "support/temp_dir.h"

namespace vn {
namespace {

Preferences read(const std::string& text, Preferences start = {}) {
  applyPreferencesText(text, start);
  return start;
}

TEST(Preferences, RangesAndSnapsApplyWhileReading) {
  Preferences start;
  start.projectSampleRate = 88200;
  Preferences p = read(
      "varSampleRate=50000\nprojectSampleRate=50000\nmaxBackups=0\nautoSaveInterval=5\n"
      "varChannels=6\nvarBitDepth=32\nvarNameStyle=3\nvarCount=5000\nvarNormalizeDb=-40\n"
      "handleDuration=abc\nmonitorGain=1e9\navSyncOffsetMs=-nan\ntheme=-2\nscaleType=99\n",
      start);
  EXPECT_EQ(p.varSampleRate, 48000);
  EXPECT_EQ(p.projectSampleRate, 88200);
  EXPECT_EQ(p.maxBackups, 1);
  EXPECT_EQ(p.autoSaveInterval, 30.0f);
  EXPECT_EQ(p.varChannels, 1);
  EXPECT_EQ(p.varBitDepth, 24);
  EXPECT_EQ(p.varNameStyle, 0);
  EXPECT_EQ(p.varCount, 999);
  EXPECT_EQ(p.varNormalizeDb, -24);
  EXPECT_EQ(p.handleDuration, 0.01f);
  EXPECT_EQ(p.monitorGain, 10.0f);
  EXPECT_EQ(p.avSyncOffsetMs, 0.0f);
  EXPECT_EQ(p.theme, 0);
  EXPECT_EQ(p.scaleType, 16);
  EXPECT_EQ(read("projectSampleRate=44100\nvarChannels=2\nvarBitDepth=16\n").projectSampleRate, 44100);

  const std::pair<const char*, int> buffers[] = {{"96", 64},   {"5000", 2048}, {"0", 32},  {"48", 32},
                                                 {"192", 128}, {"700", 512},   {"-9", 32}, {"junk", 32}};
  for (const auto& [text, expected] : buffers)
    EXPECT_EQ(read(std::string("audioBufferFrames=") + text + "\n").audioBufferFrames, expected) << text;
}

TEST(Preferences, RepairsAfterReading) {
  EXPECT_EQ(read("spatialEnhanced=1\n").spatialDiffuse, 1.0f);
  EXPECT_EQ(read("spatialEnhanced=0\n").spatialDiffuse, 0.0f);
  EXPECT_EQ(read("spatialEnhanced=1\nspatialDiffuse=0.25\n").spatialDiffuse, 0.25f);
  EXPECT_EQ(read("exportSpatialMode=2\n").spatialDiffuse, 1.0f);
  Preferences amount = read("exportSpatialMode=1\nspatialAmount=0\n");
  EXPECT_EQ(amount.spatialAmount, 0.9f);
  EXPECT_EQ(amount.spatialDiffuse, 0.0f);
  EXPECT_EQ(read("exportSpatialMode=0\nspatialAmount=0\n").spatialAmount, 0.0f);
}

TEST(Preferences, ListsColoursModelAndLibraryRoots) {
  Preferences p = read(
      "recentProject=take.vnproj\nrecentProject=/films/reel1.vnproj\nrecentProject=/bad\x01path.vnproj\n"
      "recentProject=C:\\old\\x.vnproj\n"
      "libraryEx=/sfx/foley|0|3\nlibraryEx=/sfx/amb\nlibraryEx=/sfx/odd|0\nlibrary=/sfx/old\n"
      "weightColorLow=#A0b1C2\nweightColorMid=#A0B1\nweightColorFoo=#010203\n"
      "chmap.Studio Card=3,4,,9\nchmap.Empty=\n"
      "tm_valid=1\ntm_w0=nan\ntm_w1=0.5\ntm_totalSpots=-5\ntm_posMean4=2.25\ntm_gainB=inf\ntm_minGap=0.125\n"
      "recentsRepaired=1yes\nupdateAvailableNote=first\nupdateAvailableNote=second\n"
      "maxLayersPerEvent=5\nno equals sign here\n=orphan value\n");
  EXPECT_EQ(p.recentProjects, (std::vector<std::string>{"/films/reel1.vnproj", "C:\\old\\x.vnproj"}));
  ASSERT_EQ(p.libraryRoots.size(), 4u);
  EXPECT_EQ(p.libraryRoots[0].path, "/sfx/foley");
  EXPECT_FALSE(p.libraryRoots[0].enabled);
  EXPECT_EQ(p.libraryRoots[0].number, 3);
  EXPECT_TRUE(p.libraryRoots[1].enabled);
  EXPECT_EQ(p.libraryRoots[1].number, -1);
  EXPECT_FALSE(p.libraryRoots[2].enabled);
  EXPECT_EQ(p.libraryRoots[2].number, -1);
  EXPECT_EQ(p.libraryRoots[3].path, "/sfx/old");
  EXPECT_TRUE(p.libraryRoots[3].enabled);
  EXPECT_EQ(p.libraryRoots[3].number, -1);
  EXPECT_EQ(p.weightColorLow.r, 0xA0);
  EXPECT_EQ(p.weightColorLow.b, 0xC2);
  EXPECT_EQ(p.weightColorLow.a, 255);
  EXPECT_EQ(p.weightColorMid.r, Preferences{}.weightColorMid.r);
  EXPECT_EQ(p.channelMaps.size(), 1u);
  EXPECT_EQ(p.channelMaps["Studio Card"], (std::vector<int>{3, 4, 0, 9}));
  const TrainedModel& m = p.trainedModel;
  EXPECT_TRUE(m.valid);
  EXPECT_EQ(m.w[0], 0.0f);
  EXPECT_EQ(m.w[1], 0.5f);
  EXPECT_EQ(m.totalSpots, 0);
  EXPECT_EQ(m.posMean[4], 2.25f);
  EXPECT_EQ(m.gainB, 0.0f);
  EXPECT_EQ(m.minGap, 0.125f);
  EXPECT_TRUE(p.recentsRepaired);
  EXPECT_EQ(p.updateAvailableNotes, (std::vector<std::string>{"first", "second"}));
}

TEST(Preferences, LongLinesArriveInPieces) {
  // The value runs past the line buffer; what follows the cut is read as a line of its own.
  std::string device(1023 - std::string("audioDevice=").size(), 'd');
  Preferences p = read("audioDevice=" + device + "varCount=7\nreverbSize=0.25\r\n");
  EXPECT_EQ(p.audioDevice, device);
  EXPECT_EQ(p.varCount, 7);
  EXPECT_EQ(p.reverbSize, 0.25f);
  Preferences longer = read("audioApi=" + std::string(3000, 'a') + "\nvarCount=9\n");
  EXPECT_EQ(longer.audioApi.size(), 1023u - std::string("audioApi=").size());
  EXPECT_EQ(longer.varCount, 9);
}

Preferences everyPreferenceSet() {
  Preferences p;
  p.handleDuration = 2.5f;
  p.handleFullSource = true;
  p.avSyncOffsetMs = -12.5f;
  p.fadeInDuration = 0.02f;
  p.fadeOutDuration = 0.125f;
  p.exportAAFMarkers = true;
  p.exportAAFVolAuto = false;
  p.exportAAFSourceChannels = false;
  p.exportAAFMultichannelTracks = true;
  p.exportFormatAAF = false;
  p.exportFormatWAV = false;
  p.exportWavMixdown = false;
  p.exportWavStems = true;
  p.exportWavLayout = 2;
  p.exportWavLUFSIndex = 4;
  p.exportSpatialMode = 2;
  p.spatialAmount = 0.3f;
  p.spatialDiffuse = 0.6f;
  p.audioApi = "JACK";
  p.audioDevice = "system";
  p.audioBufferFrames = 512;
  p.monitorLayout = 2;
  p.monitorBinaural = true;
  p.monitorGain = 0.5f;
  p.channelMaps = {{"system", {1, 2}}, {"Studio Card", {3, 4, 5, 6, 7, 8}}};
  p.exportWavTracks = true;
  p.exportWavClips = true;
  p.exportReverbStem = false;
  p.varCount = 12;
  p.varChannels = 1;
  p.varSampleRate = 96000;
  p.varBitDepth = 16;
  p.varReverb = true;
  p.varShowAdvanced = true;
  p.varNameStyle = 1;
  p.varNormalize = false;
  p.varNormalizeDb = -6;
  p.projectSampleRate = 44100;
  p.maxEventDuration = 12.5f;
  p.protectSilence = true;
  p.destructiveEQ = true;
  p.chainsImportAsGroup = false;
  p.embedPrintToken = false;
  p.extendShortSources = true;
  p.channelOrderFallback = 2;
  p.showSpectralHeatmap = true;
  p.scaleType = 4;
  p.scaleRoot = 9;
  p.pitchShiftProb = 15;
  p.freqShiftIntensity = 25;
  p.reverseProb = 35;
  p.fontSizePreset = 2;
  p.fontSizeAuto = false;
  p.boldFonts = true;
  p.theme = 5;
  p.colorByWeight = false;
  p.showAdvancedInspector = true;
  p.lastIntensityMode = 2;
  p.autoSaveEnabled = false;
  p.audioFocusLatched = true;
  p.autoSaveInterval = 600.0f;
  p.maxBackups = 12;
  p.weightColorLow = {1, 2, 3, 255};
  p.weightColorMid = {40, 50, 60, 255};
  p.weightColorHigh = {250, 251, 252, 255};
  p.reverbEnabled = false;
  p.reverbSize = 0.75f;
  p.reverbDecay = 0.25f;
  p.reverbDamping = 0.125f;
  p.reverbPreDelay = 0.05f;
  p.reverbDiffusion = 0.375f;
  p.reverbModulation = 0.625f;
  p.reverbMacro = 0.875f;
  p.reverbSend[0] = 0.1f;
  p.reverbSend[1] = 0.2f;
  p.reverbSend[2] = 0.3f;
  TrainedModel& m = p.trainedModel;
  m.valid = true;
  m.totalSpots = 42;
  m.w = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f};
  m.defaultCompositeMean = 0.25f;
  m.thresholdScale = 1.5f;
  m.subtleScale = 0.5f;
  m.spotCutoff = 0.75f;
  m.gainA = 1.25f;
  m.gainB = -0.5f;
  m.weightBias = 0.0625f;
  m.spotDurScale = 1.125f;
  m.sweepDurScale = 0.875f;
  m.minGap = 0.08f;
  m.posCount = 7;
  m.posMean = {1, 2, 3, 4, 5};
  m.negCount = 3;
  m.negMean = {-1, -2, -3, -4, -5};
  p.showLauncherOnStartup = false;
  p.updateCheckEnabled = false;
  p.dismissedUpdateVersion = "2027.1.0";
  p.lastUpdateCheck = 1800000000123LL;
  p.updateAvailableVersion = "2027.2.0";
  p.updateAvailablePageUrl = "https://example.invalid/release";
  p.updateAvailableDate = "2027-02-01";
  p.updateAvailableNotes = {"Faster builds", "New reverb"};
  p.recentProjects = {"/films/a.vnproj", "/films/b.vnproj"};
  p.recentsRepaired = true;
  p.libraryRoots = {{"/sfx/foley", false, 3}, {"/sfx/amb", true, -1}};
  return p;
}

TEST(Preferences, EverySettingSurvivesWriteAndRead) {
  const std::string text = preferencesText(everyPreferenceSet());
  Preferences back = read(text);
  EXPECT_EQ(preferencesText(back), text);
  EXPECT_EQ(back.trainedModel.negMean[4], -5.0f);
  EXPECT_EQ(back.lastUpdateCheck, 1800000000123LL);
  EXPECT_EQ(back.channelMaps.at("Studio Card").size(), 6u);
  EXPECT_EQ(back.libraryRoots[0].number, 3);
  EXPECT_NE(text.find("handleDuration=2.50\n"), std::string::npos);
  EXPECT_NE(text.find("weightColorHigh=#FAFBFC\n"), std::string::npos);
  EXPECT_NE(text.find("reverbSend2=0.300\n"), std::string::npos);
  EXPECT_NE(text.find("tm_w4=0.500000\n"), std::string::npos);
  EXPECT_NE(text.find("libraryEx=/sfx/foley|0|3\n"), std::string::npos);
  EXPECT_NE(text.find("autoSaveInterval=600\n"), std::string::npos);
  EXPECT_EQ(text.find("spatialEnhanced"), std::string::npos);
  // The key order is fixed: the first keys and the last ones.
  EXPECT_EQ(text.rfind("handleDuration=", 0), 0u);
  EXPECT_LT(text.find("recentProject="), text.find("recentsRepaired=1\n"));
  EXPECT_LT(text.find("recentsRepaired="), text.find("libraryEx="));
}

TEST(Preferences, WriterLeavesOutWhatCannotBeReadBack) {
  Preferences p;
  p.audioDevice = "Card=2";
  p.audioApi = "Pulse\nAudio";
  p.channelMaps = {{"bad=name", {1}}, {"ok", {}}};
  p.recentProjects = {"/ok.vnproj", "bare.vnproj", "/tab\tis fine.vnproj"};
  p.spatialAmount = 0.5f;
  std::string logged;
  LogSink previous = setLogSink([&](LogStream, const std::string& line) { logged += line; });
  const std::string text = preferencesText(p);
  setLogSink(previous);
  EXPECT_EQ(text.find("audioDevice="), std::string::npos);
  EXPECT_EQ(text.find("audioApi="), std::string::npos);
  EXPECT_EQ(text.find("chmap."), std::string::npos);
  EXPECT_EQ(text.find("tm_w0"), std::string::npos);
  EXPECT_NE(text.find("tm_valid=0\n"), std::string::npos);
  EXPECT_EQ(text.find("updateAvailable"), std::string::npos);
  EXPECT_EQ(text.find("dismissedUpdateVersion"), std::string::npos);
  EXPECT_EQ(text.find("recentsRepaired"), std::string::npos);
  EXPECT_NE(text.find("exportSpatialMode=1\n"), std::string::npos);
  EXPECT_EQ(logged, "[SavePrefs] Skipping unusable recent project entry 1\n");
  EXPECT_EQ(read(text).recentProjects, (std::vector<std::string>{"/ok.vnproj", "/tab\tis fine.vnproj"}));

  EXPECT_EQ(read("recentProject=/a\nrecentProject=/a2\n").recentProjects.size(), 2u);
  Preferences recents;
  for (int i = 0; i < 14; ++i) addRecentProject(recents, "/p" + std::to_string(i % 12));
  EXPECT_EQ(recents.recentProjects.size(), 10u);
  EXPECT_EQ(recents.recentProjects[0], "/p1");
  EXPECT_EQ(recents.recentProjects[1], "/p0");
}

TEST(Preferences, FileInTheApplicationDataFolder) {
  const std::string path = preferencesPath();
  ASSERT_FALSE(path.empty());
  EXPECT_NE(path.find("/Varnel/com.varnel.prefs"), std::string::npos);
  std::filesystem::remove(path);

  Preferences untouched;
  untouched.varCount = 77;
  LoadPreferences(untouched);  // no file yet: nothing changes
  EXPECT_EQ(untouched.varCount, 77);

  const Preferences all = everyPreferenceSet();
  ASSERT_TRUE(SavePreferences(all));
  Preferences back;
  LoadPreferences(back);
  EXPECT_EQ(preferencesText(back), preferencesText(all));
  EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));

  // A write that cannot replace the file leaves the old one as it was.
  const std::string before = test::readAll(path);
  std::filesystem::remove(path);
  std::filesystem::create_directories(path + "/blocked");
  EXPECT_FALSE(SavePreferences(Preferences{}));
  EXPECT_TRUE(std::filesystem::is_directory(path + "/blocked"));
  std::filesystem::remove_all(path);
  test::writeAll(path, before);
  Preferences again;
  LoadPreferences(again);
  EXPECT_EQ(again.varCount, 12);
  std::filesystem::remove(path);
}

}  // namespace
}  // namespace vn
