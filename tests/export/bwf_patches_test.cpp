#include <gtest/gtest.h>

#include "export/bwf_patches.h"
#include "export_fixtures.h"
#include "platform/paths.h"
#include "support/log_capture.h"
#include "support/temp_dir.h"

namespace vn {
namespace {

using test::TempDir;

std::string le32(uint32_t v) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[i] = static_cast<char>(v >> (8 * i));
  return s;
}

std::string chunk(const std::string& id, const std::string& body) {
  std::string c = id + le32(static_cast<uint32_t>(body.size())) + body;
  if (body.size() & 1) c += '\0';
  return c;
}

std::string riff(const std::string& chunks) { return "RIFF" + le32(static_cast<uint32_t>(chunks.size() + 4)) + "WAVE" + chunks; }

// A 40-byte WAVE_FORMAT_EXTENSIBLE fmt body: 6 channels of 24-bit PCM at 48 kHz.
std::string extensibleFmt(uint32_t mask) {
  std::string f;
  f += std::string("\xFE\xFF\x06\x00", 4) + le32(48000) + le32(48000 * 18) + std::string("\x12\x00\x18\x00", 4);
  f += std::string("\x16\x00\x18\x00", 4) + le32(mask);
  f += std::string("\x01\x00\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 16);  // KSDATAFORMAT_SUBTYPE_PCM
  return f;
}

TEST(FinalizeExtensibleWav, WritesTheMaskDropsFactAndKeepsEverythingElse) {
  TempDir dir;
  const std::string data(18 * 100, '\x5A');
  const std::string odd = chunk("LIST", "odd");  // an odd size with its pad byte
  // Anything but bext after fact: the file is copied without it.
  const std::string file = riff(chunk("fmt ", extensibleFmt(0x60F)) + chunk("fact", le32(100)) + odd +
                                chunk("bext", std::string(603, 'b')) + chunk("data", data));
  test::writeAll(dir.file("x.wav"), file);
  ASSERT_TRUE(finalizeExtensibleWav(dir.file("x.wav"), 0x3F));
  EXPECT_FALSE(fileExists(dir.file("x.wav.tmp")));
  EXPECT_EQ(test::readAll(dir.file("x.wav")), riff(chunk("fmt ", extensibleFmt(0x3F)) + odd +
                                                     chunk("bext", std::string(603, 'b')) + chunk("data", data)));

  // bext right after fact, as libsndfile writes them: bext moves up over fact and its
  // coding history grows by fact's 12 bytes of zeros; nothing after it moves.
  for (size_t bextSize : {size_t{708}, size_t{709}}) {
    const std::string bextBody(bextSize, 'b');
    const std::string laidOut = riff(chunk("fmt ", extensibleFmt(0x60F)) + chunk("fact", le32(100)) +
                                     chunk("bext", bextBody) + odd + chunk("data", data));
    test::writeAll(dir.file("y.wav"), laidOut);
    ASSERT_TRUE(finalizeExtensibleWav(dir.file("y.wav"), 0x3F));
    const std::string grown = bextBody + std::string(12 + (bextSize & 1), '\0');
    const std::string out = test::readAll(dir.file("y.wav"));
    EXPECT_EQ(out, riff(chunk("fmt ", extensibleFmt(0x3F)) + chunk("bext", grown) + odd + chunk("data", data)));
    EXPECT_EQ(out.size(), laidOut.size());
  }

  // Already without fact: only the mask changes.
  const std::string done = riff(chunk("fmt ", extensibleFmt(0x3)) + chunk("data", data));
  test::writeAll(dir.file("z.wav"), done);
  ASSERT_TRUE(finalizeExtensibleWav(dir.file("z.wav"), 0x3F));
  EXPECT_EQ(test::readAll(dir.file("z.wav")), riff(chunk("fmt ", extensibleFmt(0x3F)) + chunk("data", data)));
}

TEST(FinalizeExtensibleWav, LeavesFilesItCannotFinaliseAsTheyWere) {
  TempDir dir;
  test::writeAll(dir.file("text.wav"), "plain words, no RIFF");
  EXPECT_FALSE(finalizeExtensibleWav(dir.file("text.wav"), 0x3F));
  EXPECT_EQ(test::readAll(dir.file("text.wav")), "plain words, no RIFF");
  // A data chunk that says it is longer than the file.
  std::string cut = riff(chunk("fmt ", extensibleFmt(0x3)) + chunk("data", std::string(100, 'd')));
  cut.resize(cut.size() - 40);
  test::writeAll(dir.file("cut.wav"), cut);
  EXPECT_FALSE(finalizeExtensibleWav(dir.file("cut.wav"), 0x3F));
  EXPECT_EQ(test::readAll(dir.file("cut.wav")), cut);
  EXPECT_FALSE(fileExists(dir.file("cut.wav.tmp")));
  EXPECT_FALSE(finalizeExtensibleWav(dir.file("absent.wav"), 0x3F));
}

TEST(AppendIxmlChunk, PadsCorrectsTheSizeAndGivesUpOnOtherFiles) {
  TempDir dir;
  // A file of odd length (a data chunk without its pad byte) gets the pad first.
  std::string file = riff(chunk("fmt ", extensibleFmt(0x3)) + "data" + le32(3) + "abc");
  file.replace(4, 4, le32(static_cast<uint32_t>(file.size() - 8)));
  test::writeAll(dir.file("odd.wav"), file);
  ASSERT_TRUE(appendIxmlChunk(dir.file("odd.wav"), "<BWFXML/>"));  // 9 bytes: padded too
  std::string expected = file + '\0' + "iXML" + le32(9) + "<BWFXML/>" + '\0';
  expected.replace(4, 4, le32(static_cast<uint32_t>(expected.size() - 8)));
  EXPECT_EQ(test::readAll(dir.file("odd.wav")), expected);

  test::LogCapture log;
  test::writeAll(dir.file("text.wav"), "plain words, no RIFF");
  EXPECT_FALSE(appendIxmlChunk(dir.file("text.wav"), "<x/>"));
  EXPECT_EQ(test::readAll(dir.file("text.wav")), "plain words, no RIFF");
  test::writeAll(dir.file("header.wav"), riff(""));
  EXPECT_FALSE(appendIxmlChunk(dir.file("header.wav"), "<x/>"));
  EXPECT_EQ(test::readAll(dir.file("header.wav")), riff(""));
  ASSERT_EQ(log.out.size(), 2u);
  EXPECT_EQ(log.out[0], "[Export] iXML append failed (4 bytes) - " + dir.file("text.wav") + "\n");
}

}  // namespace
}  // namespace vn
