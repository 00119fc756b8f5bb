#include <gtest/gtest.h>

#include "export/export_names.h"
#include "export/export_options.h"
#include "support/temp_dir.h"

namespace vn {
namespace {

TEST(ExportNames, SafeAndUniqueWithinTheFolder) {
  EXPECT_EQ(safeFileName("Door: \"slam\" <1/2>?*|\\"), "Door slam 12");
  EXPECT_EQ(safeFileName("  ..tab\there.  "), "tabhere");
  EXPECT_EQ(safeFileName("/:*", "Mixdown"), "Mixdown");
  test::TempDir dir;
  test::writeAll(dir.file("Hit.wav"), "already there");
  FolderNames names;
  EXPECT_EQ(uniqueFileName(names, dir.path(), "Hit", ".wav"), "Hit 2.wav");
  EXPECT_EQ(uniqueFileName(names, dir.path(), "hit", ".wav"), "hit 3.wav");
  EXPECT_EQ(uniqueFileName(names, dir.path(), "Other", ".wav"), "Other.wav");
  EXPECT_EQ(uniqueFileName(names, dir.path(), "OTHER", ".wav"), "OTHER 2.wav");
  FolderNames fresh;
  EXPECT_EQ(uniqueFileName(fresh, dir.path(), "HIT", ".wav"), "HIT 2.wav");  // a folder read without case
}

TEST(ExportNames, VariationTakesArePaddedToTheirCount) {
  EXPECT_EQ(variationFileName("/d", "Boom", 1, 9, false, 0), "/d/Boom_01.wav");
  EXPECT_EQ(variationFileName("/d", "Boom", 9, 9, false, 0), "/d/Boom_09.wav");
  EXPECT_EQ(variationFileName("/d", "Boom", 1, 120, false, 0), "/d/Boom_001.wav");
  EXPECT_EQ(variationFileName("/d", "Boom", 120, 120, false, 0), "/d/Boom_120.wav");
  EXPECT_EQ(variationFileName("/d", "Boom", 10, 10, false, 0), "/d/Boom_10.wav");
  EXPECT_EQ(variationFileName("/d", "Bo/om:*", 3, 5, true, 0), "/d/Boom_03_reverb.wav");
  EXPECT_EQ(variationFileName("/d", "Boom", 3, 5, true, 1), "/d/Boom_03_Reverb.wav");
  EXPECT_EQ(variationDisplayName("Boom", 3, true), "Boom 3, Reverb");
  EXPECT_EQ(variationDisplayName("Boom", 3, false), "Boom 3");
}

TEST(ExportOptions, PreferencesAndTheProblemsThatStopARun) {
  Preferences prefs;
  prefs.exportWavLayout = 9;
  prefs.exportWavLUFSIndex = 4;
  prefs.handleDuration = 2.5f;
  ExportOptions o = exportOptionsFromPreferences(prefs);
  EXPECT_EQ(o.wavLayout, 3);
  EXPECT_EQ(o.lufsIndex, 4);
  EXPECT_FLOAT_EQ(o.handleDuration, 2.5f);
  EXPECT_STREQ(exportLayoutName(o.wavLayout), "AmbiX");
  EXPECT_EQ(exportOptionsProblem(o), "");
  o.formatAAF = o.formatWAV = false;
  EXPECT_EQ(exportOptionsProblem(o), "Select at least one format");
  o.formatWAV = true;
  o.wavMixdown = o.wavStems = o.wavTracks = o.wavClips = false;
  EXPECT_EQ(exportOptionsProblem(o), "Select at least one WAV output type");
  o.wavClips = true;
  Preferences back;
  storeExportOptions(o, back);
  EXPECT_TRUE(back.exportWavClips);
  EXPECT_FALSE(back.exportWavMixdown);
  EXPECT_EQ(back.exportWavLayout, 3);
}

}  // namespace
}  // namespace vn
