#include <gtest/gtest.h>

#include <filesystem>

#include "app/drop_classify.h"
#include "support/temp_dir.h"

namespace vn {
namespace {

TEST(DropClassify, SortsByExtensionWithoutRegardToCase) {
  EXPECT_EQ(classifyDroppedPath("/v/Reel1.MOV"), DropKind::Video);
  EXPECT_EQ(classifyDroppedPath("/v/a.mxf"), DropKind::Video);
  EXPECT_EQ(classifyDroppedPath("/v/a.WebM"), DropKind::Video);
  EXPECT_EQ(classifyDroppedPath("/s/boom.wav"), DropKind::Audio);
  EXPECT_EQ(classifyDroppedPath("/s/boom.AIFF"), DropKind::Audio);
  EXPECT_EQ(classifyDroppedPath("/s/boom.w64"), DropKind::Audio);
  EXPECT_EQ(classifyDroppedPath("/t/read.VNTRACE"), DropKind::Trace);
  EXPECT_EQ(classifyDroppedPath("/p/film.vnproj"), DropKind::Project);
  EXPECT_EQ(classifyDroppedPath("/p/notes.txt"), DropKind::Other);
  EXPECT_EQ(classifyDroppedPath("/p/mov"), DropKind::Other);
  EXPECT_EQ(classifyDroppedPath("/p/.wav"), DropKind::Other);
  EXPECT_EQ(classifyDroppedPath("/p/take.wav.bak"), DropKind::Other);
}

TEST(DropClassify, AFolderIsAFolderWhateverItsName) {
  test::TempDir dir;
  std::filesystem::create_directories(dir.file("Library.wav"));
  EXPECT_EQ(classifyDroppedPath(dir.file("Library.wav")), DropKind::Folder);
  const PendingDrop drop = classifyDrop(12.0f, 34.0f, {dir.path(), "/x/a.mp4", "/x/readme"});
  EXPECT_EQ(drop.x, 12.0f);
  EXPECT_EQ(drop.y, 34.0f);
  ASSERT_EQ(drop.items.size(), 3u);
  EXPECT_EQ(drop.items[0].kind, DropKind::Folder);
  EXPECT_EQ(drop.items[1].kind, DropKind::Video);
  EXPECT_EQ(drop.items[2].kind, DropKind::Other);
}

}  // namespace
}  // namespace vn
