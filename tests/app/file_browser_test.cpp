#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "app/file_browser.h"
#include "support/temp_dir.h"

namespace vn {
namespace {

std::vector<std::string> names(const FileBrowser& browser) {
  std::vector<std::string> out;
  for (const BrowserEntry& e : browser.entries) out.push_back((e.folder ? "/" : "") + e.name);
  return out;
}

TEST(FileBrowser, ListsFoldersFirstThenTheFilesTheFilterTakesWithoutHiddenOnes) {
  test::TempDir dir;
  for (const char* folder : {"zeta", "Alpha", ".cache", "reel.vnproj"}) std::filesystem::create_directory(dir.file(folder));
  for (const char* file : {"b.vnproj", "A.VNPROJ", "notes.txt", ".hidden.vnproj", "c.vnproj.bak"})
    test::writeAll(dir.file(file), "x");

  FileBrowser browser;
  bool chosen = false;
  openFileBrowser(browser, BrowseMode::OpenFile, "Open", dir.path(), extensionFilter(".vnproj"),
                  [&](const std::string&) { chosen = true; });
  EXPECT_TRUE(browser.open);
  EXPECT_TRUE(browser.listingError.empty());
  // A folder whose name looks like a project is still a folder; case does not order.
  EXPECT_EQ(names(browser), (std::vector<std::string>{"/Alpha", "/reel.vnproj", "/zeta", "A.VNPROJ", "b.vnproj"}));
  EXPECT_FALSE(chosen);

  browser.filter = nullptr;
  listFolder(browser);
  EXPECT_EQ(names(browser).size(), 7u);  // three folders, four visible files

  browser.mode = BrowseMode::PickFolder;
  listFolder(browser);
  EXPECT_EQ(names(browser), (std::vector<std::string>{"/Alpha", "/reel.vnproj", "/zeta"}));

  browser.folder = dir.file("gone");
  listFolder(browser);
  EXPECT_TRUE(browser.entries.empty());
  EXPECT_NE(browser.listingError.find("Could not read this folder"), std::string::npos);
  browser.folder = dir.path();
  listFolder(browser);
  EXPECT_TRUE(browser.listingError.empty()) << "an error from an earlier folder stays";
}

TEST(FileBrowser, ChoosesTypedNamesInTheFolderAbsolutePathsAsTheyAreAndFoldersWhenPicking) {
  test::TempDir dir;
  FileBrowser browser;
  openFileBrowser(browser, BrowseMode::SaveFile, "Save As", dir.path(), extensionFilter(".vnproj"), nullptr,
                  "Untitled.vnproj");
  EXPECT_EQ(chosenPath(browser), dir.file("Untitled.vnproj"));
  browser.fileName.clear();
  EXPECT_EQ(chosenPath(browser), "");
  browser.fileName = "/elsewhere/x.vnproj";
  EXPECT_EQ(chosenPath(browser), "/elsewhere/x.vnproj");
  browser.mode = BrowseMode::PickFolder;
  EXPECT_EQ(chosenPath(browser), dir.path());

  // A start folder that does not exist falls back to the home folder.
  openFileBrowser(browser, BrowseMode::OpenFile, "Open", dir.file("missing"), nullptr, nullptr);
  EXPECT_EQ(browser.folder, std::string(std::getenv("HOME")));
  EXPECT_TRUE(browser.fileName.empty());

  const auto wav = extensionFilter(".wav");
  EXPECT_TRUE(wav("Door.WAV"));
  EXPECT_FALSE(wav("door.wav.txt"));
  EXPECT_FALSE(wav("wav"));
}

}  // namespace
}  // namespace vn
