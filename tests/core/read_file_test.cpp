// Whole files read in one piece: exactly their bytes whatever their size, and a
// reason when there is nothing to read.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/read_file.h"
#include "support/temp_dir.h"

namespace vn {
namespace {

TEST(ReadWholeFile, GivesEveryByteOrAReason) {
  test::TempDir dir;
  std::string bytes, error;
  for (const size_t size : {size_t{0}, size_t{1}, size_t{65536}, size_t{300001}}) {
    std::string written(size, '\0');
    for (size_t i = 0; i < size; ++i) written[i] = static_cast<char>(i * 131 + size);
    test::writeAll(dir.file("f"), written);
    ASSERT_TRUE(readWholeFile(dir.file("f"), bytes, error)) << error;
    EXPECT_EQ(bytes, written) << size << " bytes";
  }
  EXPECT_FALSE(readWholeFile(dir.file("absent"), bytes, error));
  EXPECT_EQ(error, "No such file or directory");
  EXPECT_TRUE(bytes.empty());
  std::filesystem::create_directory(dir.file("folder"));
  EXPECT_FALSE(readWholeFile(dir.file("folder"), bytes, error));
  EXPECT_EQ(error, "Is a directory");
  // A file the size of which the system does not tell (it says 0) is still read whole.
  ASSERT_TRUE(readWholeFile("/proc/self/status", bytes, error)) << error;
  EXPECT_NE(bytes.find("Name:"), std::string::npos);
  EXPECT_EQ(bytes.back(), '\n');
}

}  // namespace
}  // namespace vn
