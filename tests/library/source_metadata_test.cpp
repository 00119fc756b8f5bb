// Metadata gathered from real files written through libsndfile: bext, INFO (and
// AIFF and CAF) strings and iXML chunks.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "library/source_metadata.h"
#include "platform/log.h"
#include "support/temp_dir.h"

namespace vn {
namespace {

struct Metadata {
  std::optional<std::string> bext;
  std::vector<std::pair<int, std::string>> strings;
  std::optional<std::string> ixml;
};

std::string writeSound(const std::string& path, int format, const Metadata& meta) {
  SF_INFO info{};
  info.samplerate = 48000;
  info.channels = 1;
  info.format = format;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!file) return sf_strerror(nullptr);
  if (meta.bext) {
    SF_BROADCAST_INFO bext;
    std::memset(&bext, 0, sizeof bext);
    std::memcpy(bext.description, meta.bext->data(), std::min(meta.bext->size(), sizeof bext.description));
    if (sf_command(file, SFC_SET_BROADCAST_INFO, &bext, sizeof bext) != SF_TRUE) return "bext refused";
  }
  for (const auto& [which, text] : meta.strings)
    if (sf_set_string(file, which, text.c_str()) != 0) return "string refused";
  if (meta.ixml) {
    SF_CHUNK_INFO chunk{};
    std::memcpy(chunk.id, "iXML", 4);
    chunk.id_size = 4;
    chunk.datalen = static_cast<unsigned>(meta.ixml->size());
    chunk.data = const_cast<char*>(meta.ixml->data());
    if (sf_set_chunk(file, &chunk) != SF_ERR_NO_ERROR) return "chunk refused";
  }
  std::vector<float> samples(4800, 0.1f);
  sf_writef_float(file, samples.data(), static_cast<sf_count_t>(samples.size()));
  sf_close(file);
  return {};
}

LibraryRecord readBack(const std::string& path) {
  LibraryRecord record;
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  EXPECT_NE(file, nullptr) << sf_strerror(nullptr);
  if (!file) return record;
  ReadSourceMetadata(file, record);
  sf_close(file);
  return record;
}

std::string readIxml(const std::string& path) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) return "<not opened>";
  std::string text = ReadIxmlChunk(file);
  sf_close(file);
  return text;
}

constexpr int kWav16 = SF_FORMAT_WAV | SF_FORMAT_PCM_16;

TEST(SourceMetadata, BextCommentAndTitleJoinWithoutRepeats) {
  test::TempDir dir;
  std::string same = dir.file("same.wav");
  ASSERT_EQ(writeSound(same, kWav16, {"Door slam, heavy", {{SF_STR_COMMENT, "Door slam, heavy"}}, {}}), "");
  LibraryRecord r = readBack(same);
  EXPECT_EQ(r.description, "Door slam, heavy");

  std::string titled = dir.file("titled.wav");
  ASSERT_EQ(writeSound(titled, kWav16,
                       {std::nullopt,
                        {{SF_STR_TITLE, "Glass Smash"}, {SF_STR_ARTIST, "Field Crew  \r\n"},
                         {SF_STR_ALBUM, "Glass"}, {SF_STR_GENRE, "Crash"}},
                        {}}),
            "");
  r = readBack(titled);
  EXPECT_EQ(r.description, "Glass Smash");
  // The album "Glass" is already inside the title; trailing blanks are dropped.
  EXPECT_EQ(r.keywords, "Glass Smash Field Crew Crash");

  std::string both = dir.file("both.wav");
  ASSERT_EQ(writeSound(both, kWav16, {"Bext words", {{SF_STR_COMMENT, "comment words"}, {SF_STR_TITLE, "Title"}}, {}}),
            "");
  r = readBack(both);
  EXPECT_EQ(r.description, "Bext words comment words");
  EXPECT_EQ(r.keywords, "Title");

  // A bext description of the full 256 bytes has no terminating zero.
  std::string full(256, 'd');
  ASSERT_EQ(writeSound(dir.file("full.wav"), kWav16, {full, {}, {}}), "");
  EXPECT_EQ(readBack(dir.file("full.wav")).description, full);
}

TEST(SourceMetadata, AiffAndCafStringsAreRead) {
  test::TempDir dir;
  for (const auto& [name, format] : {std::pair{"s.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_24},
                                     std::pair{"s.caf", SF_FORMAT_CAF | SF_FORMAT_FLOAT}}) {
    std::string path = dir.file(name);
    ASSERT_EQ(writeSound(path, format, {std::nullopt, {{SF_STR_TITLE, "Rain On Roof"}, {SF_STR_COMMENT, "light rain"}}, {}}),
              "")
        << name;
    LibraryRecord r = readBack(path);
    EXPECT_EQ(r.description, "light rain") << name;
    EXPECT_EQ(r.keywords, "Rain On Roof") << name;
  }
}

TEST(SourceMetadata, IxmlElementsFeedDescriptionAndKeywords) {
  test::TempDir dir;
  std::string xml =
      "<?xml version=\"1.0\"?><BWFXML><USER><Description>Metal door</Description><Notes>close mic</Notes>"
      "<Keywords>metal &amp; wood</Keywords><KEYWORDS>ignored capitals</KEYWORDS><Category>DOORS</Category>"
      "<SubCategory>METAL</SubCategory><CatID>DOORMetl</CatID></USER></BWFXML>";
  std::string path = dir.file("ixml.wav");
  ASSERT_EQ(writeSound(path, kWav16, {"Metal door slam", {}, xml}), "");
  // The chunk text comes back unchanged, whatever padding the container adds.
  EXPECT_EQ(readIxml(path).substr(0, xml.size()), xml);
  LibraryRecord r = readBack(path);
  EXPECT_EQ(r.description, "Metal door slam close mic");
  EXPECT_EQ(r.keywords, "metal & wood DOORS METAL DOORMetl");

  ASSERT_EQ(writeSound(dir.file("plain.wav"), kWav16, {}), "");
  EXPECT_EQ(readIxml(dir.file("plain.wav")), "");
}

void appendU32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>(v >> (8 * i));
}

// A mono 16-bit WAV with one iXML chunk of any size, assembled by hand: libsndfile
// writes custom chunks only while they fit its header buffer.
void writeWavWithIxml(const std::string& path, const std::string& ixml) {
  std::string body = "WAVEfmt ";
  appendU32(body, 16);
  body += std::string("\x01\x00\x01\x00", 4);
  appendU32(body, 48000);
  appendU32(body, 96000);
  body += std::string("\x02\x00\x10\x00", 4);
  body += "iXML";
  appendU32(body, static_cast<uint32_t>(ixml.size()));
  body += ixml;
  if (ixml.size() % 2) body += '\0';
  body += "data";
  appendU32(body, 9600);
  body += std::string(9600, '\x10');
  std::string file = "RIFF";
  appendU32(file, static_cast<uint32_t>(body.size()));
  test::writeAll(path, file + body);
}

TEST(SourceMetadata, IxmlReadCapRefusesLargerChunksWithOneLogLine) {
  test::TempDir dir;
  std::vector<std::string> lines;
  LogSink previous = setLogSink([&](LogStream, const std::string& line) { lines.push_back(line); });

  std::string atCap(kIxmlReadCap, 'a');
  atCap.replace(0, 25, "<Keywords>big</Keywords> ");
  writeWavWithIxml(dir.file("cap.wav"), atCap);
  EXPECT_EQ(readIxml(dir.file("cap.wav")), atCap);
  EXPECT_EQ(readBack(dir.file("cap.wav")).keywords, "big");
  EXPECT_TRUE(lines.empty());

  writeWavWithIxml(dir.file("over.wav"), atCap + "a");
  EXPECT_EQ(readIxml(dir.file("over.wav")), "");
  LibraryRecord over = readBack(dir.file("over.wav"));  // the file itself still reads
  EXPECT_EQ(over.keywords, "");
  setLogSink(previous);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0],
            "[iXML] chunk is 1048577 bytes, over the 1048576-byte read cap - refusing (provenance present but unread)\n");
}

TEST(SourceMetadata, XmlElementTextAndAppendUniqueRules) {
  EXPECT_EQ(XmlElementText("<a>x &amp; y &lt;&gt;&quot;&apos; &nbsp; &</a>", "a"), "x & y <>\"' &nbsp; &");
  EXPECT_EQ(XmlElementText("<a> spaced </a><a>second</a>", "a"), " spaced ");
  EXPECT_EQ(XmlElementText("<a x=\"1\">attr</a>", "a"), "");
  EXPECT_EQ(XmlElementText("<a>unclosed", "a"), "");
  EXPECT_EQ(XmlElementText("</a>before<a>", "a"), "");
  EXPECT_EQ(XmlElementText("<A>caps</A>", "a"), "");
  EXPECT_EQ(XmlElementText("<a>&amp</a>", "a"), "&amp");

  std::string target = "doorbell";
  AppendUnique(target, "door");
  EXPECT_EQ(target, "doorbell");
  AppendUnique(target, "  knock\t\r\n ");
  EXPECT_EQ(target, "doorbell   knock");
  AppendUnique(target, " \t\n");
  AppendUnique(target, "Knock");  // letter case counts
  EXPECT_EQ(target, "doorbell   knock Knock");
  std::string empty;
  AppendUnique(empty, "first");
  EXPECT_EQ(empty, "first");
}

}  // namespace
}  // namespace vn
