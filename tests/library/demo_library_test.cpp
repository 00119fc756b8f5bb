// The demo sound library: what it covers, that its files read back as written, and
// that it comes out byte for byte the same every time.
#include "tools/demo_library.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <map>
#include <set>

#include "library/categories.h"
#include "library/source_metadata.h"
#include "support/temp_dir.h"

namespace vn {
namespace {

using tools::DemoLibrarySounds;
using tools::DemoSound;

TEST(DemoLibrary, CataloguesEnoughVariety) {
  const std::vector<DemoSound>& sounds = DemoLibrarySounds();
  EXPECT_GE(sounds.size(), 80u);
  std::set<std::string> names, codes, extensions;
  std::set<int> rates, formats, channelCounts;
  int described = 0, tagged = 0, titled = 0, longer = 0, members = 0;
  for (const DemoSound& s : sounds) {
    EXPECT_TRUE(names.insert(s.folder + "/" + s.name).second) << s.name;
    const CategoryRow* row = LookupCategoryById(s.name.substr(0, s.name.find('_')));
    ASSERT_NE(row, nullptr) << s.name << " does not start with a CatID";
    codes.insert(row->code);
    extensions.insert(s.extension);
    rates.insert(s.voice.sampleRate);
    formats.insert(s.subFormat);
    if (s.channelIndex < 0) channelCounts.insert(s.voice.channels);
    members += s.channelIndex >= 0;
    described += !s.description.empty();
    tagged += !s.ixmlKeywords.empty();
    titled += !s.title.empty();
    longer += s.voice.seconds > 30.0;
  }
  EXPECT_GE(codes.size(), 15u);
  EXPECT_EQ(rates, (std::set<int>{44100, 48000, 96000}));
  EXPECT_EQ(formats, (std::set<int>{SF_FORMAT_PCM_16, SF_FORMAT_PCM_24, SF_FORMAT_FLOAT}));
  EXPECT_EQ(channelCounts, (std::set<int>{1, 2, 6}));
  EXPECT_EQ(extensions, (std::set<std::string>{".wav", ".aif", ".caf"}));
  EXPECT_GE(members, 6);
  EXPECT_GT(described, 0);
  EXPECT_GT(tagged, 0);
  EXPECT_GT(titled, 0);
  EXPECT_GT(longer, 0);  // something for the 30-second limit of the analysis
}

TEST(DemoLibrary, FilesReadBackAsDescribed) {
  test::TempDir dir;
  const tools::DemoLibraryResult written = tools::WriteDemoLibrary(dir.path());
  ASSERT_TRUE(written.ok) << written.error;
  ASSERT_EQ(written.files.size(), DemoLibrarySounds().size());
  EXPECT_LT(written.bytes, 45u * 1024 * 1024);  // a few tens of MB, no more

  for (size_t i = 0; i < written.files.size(); ++i) {
    const DemoSound& s = DemoLibrarySounds()[i];
    SF_INFO info{};
    SNDFILE* file = sf_open(written.files[i].c_str(), SFM_READ, &info);
    ASSERT_NE(file, nullptr) << written.files[i];
    EXPECT_EQ(info.samplerate, s.voice.sampleRate) << s.name;
    EXPECT_EQ(info.channels, s.channelIndex >= 0 ? 1 : s.voice.channels) << s.name;
    EXPECT_EQ(info.format & SF_FORMAT_SUBMASK, s.subFormat) << s.name;
    EXPECT_NEAR(static_cast<double>(info.frames), s.voice.seconds * s.voice.sampleRate, 1.0) << s.name;
    if (s.channelMap) {
      std::vector<int> map(6);
      ASSERT_TRUE(sf_command(file, SFC_GET_CHANNEL_MAP_INFO, map.data(), 6 * sizeof(int))) << s.name;
      EXPECT_EQ(map[3], SF_CHANNEL_MAP_LFE);
    }
    LibraryRecord record;
    ReadSourceMetadata(file, record);
    if (!s.description.empty()) {
      EXPECT_EQ(record.description, s.description);
    }
    if (!s.ixmlKeywords.empty()) {
      EXPECT_NE(record.keywords.find(s.ixmlKeywords), std::string::npos) << s.name;
    }
    if (!s.title.empty()) {
      EXPECT_NE(record.keywords.find(s.title), std::string::npos) << s.name;
    }
    // A sound, not silence, and never clipped.
    std::vector<float> samples(static_cast<size_t>(info.frames * info.channels));
    sf_readf_float(file, samples.data(), info.frames);
    float peak = 0.0f;
    for (float x : samples) peak = std::max(peak, std::fabs(x));
    EXPECT_GT(peak, 0.05f) << s.name;
    EXPECT_LE(peak, 1.0f) << s.name;
    sf_close(file);
  }
}

TEST(DemoLibrary, SameBytesEveryTime) {
  test::TempDir first, second;
  std::map<std::string, const DemoSound*> picks;  // one of every container, format and metadata kind
  for (const DemoSound& s : DemoLibrarySounds()) {
    if (s.voice.seconds > 5.0) continue;
    picks.emplace(s.extension + std::to_string(s.subFormat) + std::to_string(s.voice.channels) +
                      (s.description.empty() ? "" : "b") + (s.ixmlKeywords.empty() ? "" : "i") +
                      (s.title.empty() ? "" : "t"),
                  &s);
  }
  ASSERT_GE(picks.size(), 8u);
  for (const auto& [kind, sound] : picks) {
    std::string error;
    ASSERT_TRUE(tools::WriteDemoSound(first.path(), *sound, error)) << error;
    ASSERT_TRUE(tools::WriteDemoSound(second.path(), *sound, error)) << error;
    const std::string a = test::readAll(first.path() + "/" + tools::DemoSoundPath(*sound));
    const std::string b = test::readAll(second.path() + "/" + tools::DemoSoundPath(*sound));
    EXPECT_FALSE(a.empty());
    EXPECT_TRUE(a == b) << sound->name << " differs between two runs";
  }
}

}  // namespace
}  // namespace vn
