// The application's list of Libraries: start-up reading, layout overrides, Palettes.
#include <gtest/gtest.h>

#include <filesystem>

#include "library/index_file.h"
#include "library/libraries.h"
#include "support/temp_dir.h"

namespace vn {
namespace {

class LibraryListTest : public ::testing::Test {
 protected:
  void SetUp() override { reset(); }
  void TearDown() override { reset(); }

  static void reset() {
    {
      std::lock_guard lock(AppLibraries().mutex);
      AppLibraries().libraries.clear();
    }
    // Other suites of this program write index files here too: empty the folder, keep it.
    std::error_code ec;
    std::filesystem::create_directories(LibraryFolder(), ec);
    for (const auto& entry : std::filesystem::directory_iterator(LibraryFolder(), ec))
      std::filesystem::remove_all(entry.path(), ec);
  }

  static Library sample(const std::string& folder, const std::vector<std::string>& paths) {
    Library library;
    library.folder = folder;
    library.name = LibraryNameForFolder(folder);
    for (const std::string& path : paths) {
      LibraryRecord r;
      r.path = path;
      r.name = path.substr(path.find_last_of('/') + 1);
      r.duration = 1.5f;
      library.records.push_back(r);
    }
    return library;
  }

  static std::vector<std::string> names() {
    std::lock_guard lock(AppLibraries().mutex);
    std::vector<std::string> out;
    for (const Library& l : AppLibraries().libraries) out.push_back(l.name);
    return out;
  }
};

TEST_F(LibraryListTest, NamesAndIndexPathsComeFromTheFolderStem) {
  EXPECT_EQ(LibraryNameForFolder("/sfx/Vol.2"), "Vol");
  EXPECT_EQ(LibraryNameForFolder("/sfx/Foley/"), "Foley");
  ASSERT_FALSE(LibraryFolder().empty());
  EXPECT_EQ(LibraryIndexPath("Vol"), LibraryFolder() + "/Vol.vnlib");
}

TEST_F(LibraryListTest, StartUpReadsEveryIndexFileOfTheFolder) {
  ASSERT_TRUE(WriteLibraryFile(sample("/sfx/Beta", {"/sfx/Beta/b.wav"}), LibraryIndexPath("Beta")));
  ASSERT_TRUE(WriteLibraryFile(sample("/sfx/Alpha", {"/sfx/Alpha/a.wav"}), LibraryIndexPath("Alpha")));
  test::writeAll(LibraryFolder() + "/Broken.vnlib", "# Varnel SFX Library v10\n");  // nothing in it
  test::writeAll(LibraryFolder() + "/notes.txt", "/sfx/x.wav\n");
  EXPECT_EQ(LoadLibrariesAtStartup(), 2);
  EXPECT_EQ(names(), (std::vector<std::string>{"Alpha", "Beta"}));
}

TEST_F(LibraryListTest, LayoutOverrideChangesEveryCopyAndWritesChangedLibrariesOnly) {
  AddLibrary(sample("/sfx/One", {"/sfx/shared.wav", "/sfx/one.wav"}));
  AddLibrary(sample("/sfx/Two", {"/sfx/shared.wav"}));
  AddLibrary(sample("/sfx/Three", {"/sfx/three.wav"}));

  EXPECT_EQ(SetLayoutOverride("/sfx/shared.wav", 2), 2);
  Library one, two;
  ASSERT_TRUE(ReadLibraryFile(LibraryIndexPath("One"), one));
  ASSERT_TRUE(ReadLibraryFile(LibraryIndexPath("Two"), two));
  EXPECT_EQ(one.records[0].layoutOverride, 2);
  EXPECT_EQ(one.records[1].layoutOverride, 0);
  EXPECT_EQ(two.records[0].layoutOverride, 2);
  EXPECT_FALSE(std::filesystem::exists(LibraryIndexPath("Three")));
  EXPECT_EQ(SetLayoutOverride("/sfx/shared.wav", 2), 0);  // nothing changes the second time
  EXPECT_EQ(SetLayoutOverride("/sfx/SHARED.wav", 1), 0);  // paths compare byte for byte
}

TEST_F(LibraryListTest, PalettesCopyKnownRecordsAndGetUniqueNames) {
  test::TempDir dir;
  std::string onDisk = dir.file("new.wav");
  test::writeAll(onDisk, "RIFF");
  AddLibrary(sample("/sfx/Hits", {"/sfx/Hits/a.wav", "/sfx/Hits/b.wav"}));

  PaletteResult made = CreatePalette({"/sfx/Hits/b.wav", onDisk, "/sfx/Hits/b.wav", "/nowhere/x.wav"}, "", "/sfx/Hits");
  EXPECT_TRUE(made.saved);
  EXPECT_EQ(made.palette.name, "Hits Palette");
  EXPECT_EQ(made.skipped, (std::vector<std::string>{"/nowhere/x.wav"}));
  ASSERT_EQ(made.palette.records.size(), 2u);
  EXPECT_FLOAT_EQ(made.palette.records[0].duration, 1.5f);  // copied from the Library
  EXPECT_EQ(made.palette.records[1].path, onDisk);
  EXPECT_FLOAT_EQ(made.palette.records[1].duration, 0.0f);  // a fresh record, analysed later

  Library back;
  ASSERT_TRUE(ReadLibraryFile(LibraryIndexPath("Hits Palette"), back));
  EXPECT_TRUE(back.savedPalette);
  EXPECT_TRUE(back.folder.empty());
  EXPECT_GT(back.scanned, 0);
  EXPECT_EQ(back.records.size(), 2u);

  EXPECT_EQ(CreatePalette({onDisk}, "", "/sfx/Hits").palette.name, "Hits Palette 2");
  EXPECT_EQ(CreatePalette({onDisk}, "", "").palette.name, "Palette");
  EXPECT_EQ(CreatePalette({onDisk}, "Mine", "/sfx/Hits").palette.name, "Mine");
  // A name whose index file exists but did not load is taken as well.
  test::writeAll(LibraryIndexPath("Taken"), "garbage");
  EXPECT_EQ(CreatePalette({onDisk}, "Taken").palette.name, "Taken 2");
  EXPECT_EQ(names().size(), 6u);
}

}  // namespace
}  // namespace vn
