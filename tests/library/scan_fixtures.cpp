#include "scan_fixtures.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <filesystem>
#include <numbers>
#include <vector>

#include "library/libraries.h"
#include "tools/sound_file_writer.h"

namespace vn::test {

void WriteTone(const std::string& path, long frames, int rate, int channels, double hz) {
  std::vector<float> tone(static_cast<size_t>(frames));
  for (size_t i = 0; i < tone.size(); ++i) {
    tone[i] = static_cast<float>(0.5 * std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(i) / rate));
  }
  tools::SoundFileSpec fileSpec;
  fileSpec.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  fileSpec.sampleRate = rate;
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
  std::string error;
  EXPECT_TRUE(
      tools::WriteSoundFile(path, fileSpec, std::vector<std::vector<float>>(static_cast<size_t>(channels), tone), error))
      << path << ": " << error;
}

void LinkFile(const std::string& source, const std::string& path) {
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
  std::filesystem::create_hard_link(source, path, ec);
  if (ec) std::filesystem::copy_file(source, path, ec);
  EXPECT_FALSE(ec) << path << ": " << ec.message();
}

std::optional<Library> PublishedLibrary(const std::string& folder) {
  LibraryList& list = AppLibraries();
  std::lock_guard lock(list.mutex);
  for (auto it = list.libraries.rbegin(); it != list.libraries.rend(); ++it) {
    if (it->folder == folder) return *it;
  }
  return std::nullopt;
}

}  // namespace vn::test
