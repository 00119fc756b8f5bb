#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <limits>
#include <regex>

#include "export/bwf_failure_reason.h"
#include "export/bwf_writer.h"
#include "export/wav_chunks.h"
#include "export_fixtures.h"
#include "platform/paths.h"
#include "support/log_capture.h"
#include "support/temp_dir.h"

namespace vn {
namespace {

using test::LogCapture;
using test::TempDir;

PrintIdentity fixedPrint() {
  const uint8_t bytes[16] = {0x12, 0x34, 0x56, 0x78, 0x9a, 0xbc, 0xde, 0xf0, 1, 2, 3, 4, 5, 6, 7, 8};
  return printIdentityOfBytes(bytes);
}

std::vector<float> ramp(size_t frames, float scale = 0.5f) {
  std::vector<float> x(frames);
  for (size_t i = 0; i < frames; ++i) x[i] = scale * static_cast<float>(i % 1000) / 1000.0f;
  return x;
}

struct BextBody {
  std::string body;
  std::string text(size_t offset, size_t width) const {
    const std::string field = body.substr(offset, width);
    return field.substr(0, field.find('\0'));
  }
};

BextBody bextOf(const std::string& path) {
  const std::string bytes = test::readAll(path);
  const auto chunks = test::parseChunks(bytes);
  const test::ParsedChunk* bext = test::findChunk(chunks, "bext");
  return {bext ? test::chunkBody(bytes, *bext) : std::string()};
}

TEST(BwfWriter, BextCarriesEveryFieldOfARecordedPrint) {
  TempDir dir;
  const std::string path = dir.file("clip.wav");
  const std::vector<float> x = ramp(4800);
  const PrintIdentity print = fixedPrint();
  BwfProvenance provenance{print, "bounce"};
  BwfWriteOptions options;
  options.provenance = &provenance;
  const std::time_t before = std::time(nullptr);
  ASSERT_TRUE(WriteBWFClipMono(path, x.data(), 4800, 48000, 10.5, "Door slam", {}, options));

  const BextBody b = bextOf(path);
  ASSERT_GE(b.body.size(), 602u);
  EXPECT_EQ(b.text(0, 256), "Door slam");
  EXPECT_EQ(b.text(256, 32), "Varnel");
  EXPECT_EQ(b.text(288, 32), print.printRef);
  char today[16];
  std::tm tm{};
  gmtime_r(&before, &tm);
  std::strftime(today, sizeof today, "%Y-%m-%d", &tm);
  EXPECT_EQ(b.text(320, 10), today);
  EXPECT_TRUE(std::regex_match(b.text(330, 8), std::regex("[0-2][0-9]:[0-5][0-9]:[0-5][0-9]")));
  EXPECT_EQ(test::le32At(b.body, 338), 504000u);  // 10.5 s at 48 kHz
  EXPECT_EQ(test::le32At(b.body, 342), 0u);
  EXPECT_EQ(test::le16At(b.body, 346), 1u);
  const std::string history = "A=PCM,F=48000,W=24,M=mono,T=Varnel " + std::string(programVersion()) + " bounce " +
                              print.printToken + "\r\n";
  EXPECT_EQ(b.text(602, b.body.size() - 602), history);
  // libsndfile's own history line is gone: the rest of the field is zero.
  EXPECT_EQ(b.body.find_first_not_of('\0', 602 + history.size()), std::string::npos);

  // libsndfile reads back the same block.
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  ASSERT_NE(file, nullptr);
  SF_BROADCAST_INFO bi{};
  ASSERT_EQ(sf_command(file, SFC_GET_BROADCAST_INFO, &bi, sizeof bi), SF_TRUE);
  sf_close(file);
  EXPECT_EQ(bi.time_reference_low, 504000u);
  EXPECT_EQ(bi.version, 1);
  EXPECT_STREQ(bi.coding_history, history.c_str());
}

TEST(BwfWriter, WithoutAPrintTheReferenceAndHistoryStayEmpty) {
  TempDir dir;
  const std::vector<float> l = ramp(1000), r = ramp(1000, 0.25f);
  ASSERT_TRUE(WriteBWFStereo(dir.file("s.wav"), l.data(), r.data(), 1000, 44100, 2.0, nullptr, {}));
  BextBody b = bextOf(dir.file("s.wav"));
  ASSERT_GE(b.body.size(), 602u);
  EXPECT_EQ(b.text(0, 256), "Varnel export");
  EXPECT_EQ(b.text(288, 32), "");
  EXPECT_EQ(test::le32At(b.body, 338), 88200u);
  EXPECT_EQ(b.body.find_first_not_of('\0', 602), std::string::npos);

  // A print whose id is not 32 characters is not a recorded Print.
  PrintIdentity broken = fixedPrint();
  broken.printId.pop_back();
  BwfProvenance provenance{broken, ""};
  BwfWriteOptions options;
  options.provenance = &provenance;
  ASSERT_TRUE(WriteBWFStereo(dir.file("t.wav"), l.data(), r.data(), 1000, 44100, 0.0, nullptr, {}, options));
  b = bextOf(dir.file("t.wav"));
  EXPECT_EQ(b.text(288, 32), "");
  EXPECT_EQ(b.body.find_first_not_of('\0', 602), std::string::npos);

  // A multichannel print says "stereo" and the default kind.
  provenance.print = fixedPrint();
  const std::vector<std::vector<float>> six(6, ramp(500));
  ASSERT_TRUE(WriteBWFMulti(dir.file("m.wav"), six, kMask51, 48000, 0.0, nullptr, false, true, {}, options));
  b = bextOf(dir.file("m.wav"));
  EXPECT_NE(b.text(602, 256).find("M=stereo,T=Varnel " + std::string(programVersion()) + " export ~VN"),
            std::string::npos);
}

TEST(BwfWriter, RefusesFilesPastTheFourGigabyteLimit) {
  EXPECT_EQ(bwfFrameLimit(1), 1431306240);  // 0x55500000
  EXPECT_EQ(bwfFrameLimit(2), 715653120);   // 0x2AA80000
  EXPECT_EQ(bwfFrameLimit(6), 4293918720 / 18);
  EXPECT_EQ(bwfFrameLimit(1) * 3, 4293918720);

  TempDir dir;
  const float sample = 0.0f;  // never read: the refusal comes first
  LogCapture log;
  resetExportFailureReason();
  EXPECT_FALSE(WriteBWFClipMono(dir.file("big.wav"), &sample, 1431306241, 48000, 0.0, nullptr));
  EXPECT_FALSE(fileExists(dir.file("big.wav")));
  EXPECT_EQ(exportFailureReason(), "a clip exceeds the WAV 4 GB limit");
  ASSERT_FALSE(log.out.empty());
  EXPECT_EQ(log.out[0], "[Export] WriteBWFClipMono: 1431306241 frames exceeds WAV 4GB limit - " + dir.file("big.wav") + "\n");

  resetExportFailureReason();
  EXPECT_FALSE(WriteBWFStereo(dir.file("big2.wav"), &sample, &sample, 715653121, 48000, 0.0, nullptr, {}));
  EXPECT_EQ(exportFailureReason(), "a stereo file exceeds the WAV 4 GB limit");
  EXPECT_EQ(log.countStarting("[Export] WriteBWFStereo: 715653121 frames exceeds WAV 4GB limit - "), 1);
  EXPECT_FALSE(fileExists(dir.file("big2.wav")));
}

TEST(BwfWriter, LongIxmlIsAppendedAfterTheAudio) {
  TempDir dir;
  const std::vector<float> x = ramp(3001);
  for (size_t length : {size_t{49152}, size_t{49153}}) {
    SCOPED_TRACE(length);
    std::string ixml(length, 'x');
    ixml.replace(0, 8, "<BWFXML>");
    const std::string path = dir.file("ixml" + std::to_string(length) + ".wav");
    ASSERT_TRUE(WriteBWFClipMono(path, x.data(), 3001, 48000, 0.0, nullptr, ixml));
    const std::string bytes = test::readAll(path);
    const auto chunks = test::parseChunks(bytes);
    const test::ParsedChunk* data = test::findChunk(chunks, "data");
    const test::ParsedChunk* chunk = test::findChunk(chunks, "iXML");
    ASSERT_TRUE(data && chunk);
    EXPECT_EQ(test::chunkBody(bytes, *chunk), ixml);
    EXPECT_EQ(test::le32At(bytes, 4), bytes.size() - 8);  // RIFF size
    if (length == 49152) {
      EXPECT_LT(chunk->offset, data->offset);
    } else {
      EXPECT_GT(chunk->offset, data->offset);
      EXPECT_EQ(chunk->offset + 8 + length + 1, bytes.size());  // the pad byte of an odd length
      EXPECT_EQ(bytes.back(), '\0');
    }
    const auto back = test::readBack(path);
    ASSERT_TRUE(back);
    ASSERT_EQ(back->samples.size(), 3001u);
    for (size_t i = 0; i < x.size(); ++i) EXPECT_NEAR(back->samples[i] / 2147483648.0, x[i], 1e-6) << i;
  }
}

TEST(BwfWriter, ExtensibleFilesCarryTheirMaskAndNoFact) {
  TempDir dir;
  const size_t frames = 20000;  // more than two slices
  for (auto [channels, mask] : {std::pair{6, kMask51}, std::pair{8, kMask71}, std::pair{2, kMaskStereo}}) {
    SCOPED_TRACE(channels);
    std::vector<std::vector<float>> planar;
    for (int c = 0; c < channels; ++c) planar.push_back(ramp(frames, 0.1f * static_cast<float>(c + 1)));
    const std::string path = dir.file("ext" + std::to_string(channels) + ".wav");
    ASSERT_TRUE(WriteBWFMulti(path, planar, mask, 48000, 0.0, nullptr, false, true, "<BWFXML></BWFXML>"));
    EXPECT_FALSE(fileExists(path + ".tmp"));
    const std::string bytes = test::readAll(path);
    const auto chunks = test::parseChunks(bytes);
    EXPECT_EQ(test::findChunk(chunks, "fact"), nullptr);
    const test::ParsedChunk* fmt = test::findChunk(chunks, "fmt ");
    ASSERT_TRUE(fmt);
    ASSERT_EQ(fmt->size, 40u);
    EXPECT_EQ(test::le16At(bytes, fmt->offset + 8), 0xFFFE);
    EXPECT_EQ(test::le32At(bytes, fmt->offset + 8 + 20), mask);
    EXPECT_EQ(test::le32At(bytes, 4), bytes.size() - 8);
    ASSERT_NE(test::findChunk(chunks, "bext"), nullptr);
    ASSERT_NE(test::findChunk(chunks, "iXML"), nullptr);
    // Channels stay in the order given, every frame of every slice.
    const auto back = test::readBack(path);
    ASSERT_TRUE(back);
    ASSERT_EQ(back->channels, channels);
    ASSERT_EQ(back->samples.size(), frames * channels);
    for (size_t f = 0; f < frames; f += 997)
      for (int c = 0; c < channels; ++c)
        EXPECT_NEAR(back->samples[f * channels + c] / 2147483648.0, planar[c][f], 1e-6) << f << " " << c;
  }
}

TEST(BwfWriter, HeightAndAmbixLayoutsArePlainWav) {
  TempDir dir;
  const std::vector<std::vector<float>> twelve(12, ramp(1000));
  ASSERT_TRUE(WriteBWFMulti(dir.file("714.wav"), twelve, 0, 48000, 0.0, nullptr, false, true, {}));
  const std::vector<std::vector<float>> four(4, ramp(1000));
  ASSERT_TRUE(WriteBWFMulti(dir.file("ambix.wav"), four, 0x33, 48000, 0.0, nullptr, true, true, {}));
  for (auto [name, channels] : {std::pair{"714.wav", 12}, std::pair{"ambix.wav", 4}}) {
    const std::string bytes = test::readAll(dir.file(name));
    const auto chunks = test::parseChunks(bytes);
    const test::ParsedChunk* fmt = test::findChunk(chunks, "fmt ");
    ASSERT_TRUE(fmt) << name;
    EXPECT_EQ(fmt->size, 16u) << name;
    EXPECT_EQ(test::le16At(bytes, fmt->offset + 8), 1) << name;  // WAVE_FORMAT_PCM
    EXPECT_EQ(test::le16At(bytes, fmt->offset + 10), channels) << name;
    EXPECT_EQ(test::le16At(bytes, fmt->offset + 22), 24) << name;
  }
}

TEST(BwfWriter, SamplesAreHeldAtFullScaleAndNonFiniteOnesAreSilent) {
  TempDir dir;
  const float inf = std::numeric_limits<float>::infinity();
  const std::vector<float> x = {1.5f, -2.0f, std::nanf(""), inf, -inf, 0.5f, 1.0f, -1.0f};
  ASSERT_TRUE(WriteBWFClipMono(dir.file("c.wav"), x.data(), static_cast<int32_t>(x.size()), 48000, 0.0, nullptr));
  const auto back = test::readBack(dir.file("c.wav"));
  ASSERT_TRUE(back);
  ASSERT_EQ(back->samples.size(), x.size());
  const int32_t full = 0x7FFFFF00;  // 24-bit full scale as libsndfile reads it into 32 bits
  EXPECT_EQ(back->samples[0], full);
  EXPECT_LE(back->samples[1], -full);
  EXPECT_EQ(back->samples[2], 0);
  EXPECT_EQ(back->samples[3], 0);
  EXPECT_EQ(back->samples[4], 0);
  EXPECT_NEAR(back->samples[5] / 2147483648.0, 0.5, 1e-6);
  EXPECT_EQ(back->samples[6], full);
  EXPECT_LE(back->samples[7], -full);
}

TEST(BwfWriter, SampleBytesAreTheLibrarysOwnConversionOfTheHeldSamples) {
  // Our encoding against libsndfile converting the same samples, held within full
  // scale, itself: ties at every step near zero and near full scale, values past
  // full scale, non-finite ones and a long stretch of noise, in a stereo file whose
  // two channels differ, across several slices of the writer.
  std::vector<float> left, right;
  for (int k = -300; k <= 300; ++k) {
    left.push_back((k + 0.5f) / 8388607.0f);
    left.push_back(1.0f - (k + 300) * 1.5f / 8388607.0f);
    left.push_back(-1.0f + (k + 300) * 0.5f / 8388607.0f);
  }
  const float inf = std::numeric_limits<float>::infinity();
  for (float v : {0.0f, -0.0f, 1.0f, -1.0f, 1.0000001f, -3.0f, std::nanf(""), inf, -inf, 1e-30f, -1e-30f})
    left.push_back(v);
  uint32_t state = 7;
  while (left.size() < 3 * static_cast<size_t>(kBwfSliceFrames) + 123) {
    state = state * 1664525u + 1013904223u;
    left.push_back(static_cast<float>(static_cast<int32_t>(state)) / 1.9e9f);  // a little past full scale at times
  }
  for (size_t i = 0; i < left.size(); ++i) right.push_back(-0.5f * left[left.size() - 1 - i]);
  TempDir dir;
  const std::string ours = dir.file("ours.wav"), theirs = dir.file("theirs.wav");
  ASSERT_TRUE(WriteBWFStereo(ours, left.data(), right.data(), static_cast<int64_t>(left.size()), 48000, 0.0, nullptr, {}));

  std::vector<float> held;
  for (size_t i = 0; i < left.size(); ++i)
    for (float v : {left[i], right[i]}) held.push_back(std::isfinite(v) ? std::clamp(v, -1.0f, 1.0f) : 0.0f);
  SF_INFO info{};
  info.samplerate = 48000;
  info.channels = 2;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_24;
  SNDFILE* plain = sf_open(theirs.c_str(), SFM_WRITE, &info);
  ASSERT_NE(plain, nullptr);
  ASSERT_EQ(sf_writef_float(plain, held.data(), static_cast<sf_count_t>(left.size())),
            static_cast<sf_count_t>(left.size()));
  sf_close(plain);

  const auto dataOf = [](const std::string& path) {
    const std::string bytes = test::readAll(path);
    const auto chunks = test::parseChunks(bytes);
    const test::ParsedChunk* data = test::findChunk(chunks, "data");
    return data ? test::chunkBody(bytes, *data) : std::string();
  };
  const std::string a = dataOf(ours), b = dataOf(theirs);
  ASSERT_EQ(a.size(), left.size() * 6);
  ASSERT_EQ(a.size(), b.size());
  size_t differing = 0;
  for (size_t i = 0; i < a.size(); ++i) differing += a[i] != b[i];
  EXPECT_EQ(differing, 0u);
}

TEST(BwfWriter, DiskSpaceGuardAndDiskFullWording) {
  TempDir dir;
  LogCapture log;
  {
    test::FakeFreeSpace almostFull(40ull << 20);
    resetExportFailureReason();
    EXPECT_FALSE(CheckDiskSpaceBeforeWrite(dir.file("Mix.wav")));
    EXPECT_EQ(exportFailureReason(), "disk full (40 MB free) - Mix.wav refused before writing anything");
    EXPECT_EQ(log.countStarting("[Export] failure reason: disk full (40 MB free) - Mix.wav refused"), 1);
    EXPECT_FALSE(fileExists(dir.file("Mix.wav")));
  }
  {
    test::FakeFreeSpace enough(64ull << 20);
    EXPECT_TRUE(CheckDiskSpaceBeforeWrite(dir.file("Mix.wav")));
  }
  // A file that cannot be created: disk full below 256 MiB free, else what failed.
  const std::vector<float> x = ramp(100);
  const std::string unreachable = dir.file("absent/folder/x.wav");
  {
    test::FakeFreeSpace low(100ull << 20);
    resetExportFailureReason();
    EXPECT_FALSE(WriteBWFClipMono(unreachable, x.data(), 100, 48000, 0.0, nullptr));
    EXPECT_EQ(exportFailureReason(), "disk full (100 MB free)");
  }
  {
    test::FakeFreeSpace plenty(10ull << 30);
    resetExportFailureReason();
    EXPECT_FALSE(WriteBWFClipMono(unreachable, x.data(), 100, 48000, 0.0, nullptr));
    EXPECT_EQ(exportFailureReason(), "an essence file could not be created");
    resetExportFailureReason();
    EXPECT_FALSE(WriteBWFStereo(unreachable, x.data(), x.data(), 100, 48000, 0.0, nullptr, {}));
    EXPECT_EQ(exportFailureReason(), "a stereo file could not be created");
    resetExportFailureReason();
    EXPECT_FALSE(WriteBWFMulti(unreachable, {x, x, x}, 0, 48000, 0.0, nullptr, false, false, {}));
    EXPECT_EQ(exportFailureReason(), "a multichannel file could not be created");
    // Later failures of the same run do not replace the first reason.
    EXPECT_FALSE(WriteBWFClipMono(unreachable, x.data(), 100, 48000, 0.0, nullptr));
    EXPECT_EQ(exportFailureReason(), "a multichannel file could not be created");
    EXPECT_EQ(log.countStarting("[Export] failure reason: an essence file could not be created"), 2);
  }
}

TEST(BwfWriter, NothingToWriteAndCancelLeaveNoFile) {
  TempDir dir;
  const std::vector<float> x = ramp(50000);
  resetExportFailureReason();
  EXPECT_FALSE(WriteBWFClipMono(dir.file("empty.wav"), x.data(), 0, 48000, 0.0, nullptr));
  EXPECT_FALSE(fileExists(dir.file("empty.wav")));

  int calls = 0;
  BwfWriteOptions options;
  options.progress = [&](double fraction) {
    EXPECT_GT(fraction, 0.0);
    EXPECT_LE(fraction, 1.0);
    return ++calls < 2;
  };
  EXPECT_FALSE(WriteBWFStereo(dir.file("stop.wav"), x.data(), x.data(), 50000, 48000, 0.0, nullptr, {}, options));
  EXPECT_EQ(calls, 2);
  EXPECT_FALSE(fileExists(dir.file("stop.wav")));
  EXPECT_EQ(exportFailureReason(), "");
}

}  // namespace
}  // namespace vn
