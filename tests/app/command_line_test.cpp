#include <gtest/gtest.h>

#include "app/command_line.h"

namespace vn {
namespace {

TEST(CommandLine, TakesTheFirstProjectArgumentWhateverTheCase) {
  EXPECT_EQ(projectArgument({"film.vnproj"}), "film.vnproj");
  EXPECT_EQ(projectArgument({"FILM.VNPROJ"}), "FILM.VNPROJ");
  EXPECT_EQ(projectArgument({"/home/me/Reel 2.VnProj"}), "/home/me/Reel 2.VnProj");
  EXPECT_EQ(projectArgument({"notes.txt", "a.vnproj", "b.vnproj"}), "a.vnproj");
}

TEST(CommandLine, RefusesOptionsLinksAndFurtherExtensions) {
  EXPECT_FALSE(projectArgument({"x.vnproj.bak"}));
  EXPECT_FALSE(projectArgument({"-x.vnproj"}));
  EXPECT_FALSE(projectArgument({"--open=x.vnproj"}));
  EXPECT_FALSE(projectArgument({"varnel:open/x.vnproj"}));
  EXPECT_FALSE(projectArgument({"VARNEL:open/x.vnproj"}));
  EXPECT_FALSE(projectArgument({".vnprojx", ""}));
  EXPECT_FALSE(projectArgument({}));
  // An option before the project does not hide it.
  EXPECT_EQ(projectArgument({"--selftest", "out.png", "take.vnproj"}), "take.vnproj");
}

TEST(CommandLine, MakesRelativePathsAbsolute) {
  const std::string path = absoluteProjectPath("sub/../take.vnproj");
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(path.front(), '/');
  EXPECT_EQ(path.substr(path.size() - 12), "/take.vnproj");
  EXPECT_EQ(path.find(".."), std::string::npos);
  EXPECT_EQ(absoluteProjectPath("/a/b.vnproj"), "/a/b.vnproj");
}

}  // namespace
}  // namespace vn
