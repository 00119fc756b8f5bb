// The ".vnlib" index: exact round trips, the column rules of older schema versions,
// and hostile input that must neither crash nor shift fields into wrong columns.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "library/file_identity.h"
#include "library/index_file.h"
#include "support/temp_dir.h"

namespace vn {
namespace {

// 29 measured columns of a record line: path, name, then 27 numbers.
std::string measuredColumns(const std::string& path, const std::string& name) {
  std::string line = path + "\t" + name + "\t2.5\t48000\t2\t24";
  for (int col = 7; col <= 29; ++col) line += "\t" + std::to_string(col);
  return line;
}

std::vector<std::string> splitTabs(const std::string& line) {
  std::vector<std::string> cols;
  size_t start = 0;
  for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
    cols.push_back(line.substr(start, tab - start));
  cols.push_back(line.substr(start));
  return cols;
}

Library readText(const test::TempDir& dir, const std::string& text, bool* ok = nullptr) {
  std::string path = dir.file("Input.vnlib");
  test::writeAll(path, text);
  Library library;
  bool read = ReadLibraryFile(path, library);
  if (ok) *ok = read;
  return library;
}

LibraryRecord fullRecord() {
  LibraryRecord r;
  r.path = std::string("/sfx/tab\there\\back\\tslash\nline\rcr/caf\xc3\xa9\xff\\");
  r.name = "Door\tSlam\\";
  r.description = "bext text\twith tab\\n literal";
  r.keywords = "metal & wood\r\n";
  r.fileId = "0123456789abcdef";
  r.contentHash = 0x00ab00cd00ef0012ULL;
  r.fileSize = 18446744073709551615ULL;
  r.modifiedTime = -1234567890123LL;
  r.duration = 2.5f;
  r.sampleRate = 96000.0f;
  r.channels = 6;
  r.bitDepth = 24;
  r.groupId = 9876543210123ULL;
  r.layout = 6;
  r.layoutOverride = 2;
  r.bandShare = {1.0f, 0.25f, 1e-05f, 0.125f, 0.0f};
  r.centroid = 0.333333f;
  r.highRatio = 0.1f;
  r.brightness = 0.7f;
  r.dynamicRangeDb = 12.5f;
  r.peakPosition = 0.25f;
  r.zeroCrossRate = 0.05f;
  r.crestDb = 12.5f;
  r.rmsDb = -100.0f;
  r.temporalCentroid = 0.4f;
  r.spectralFlux = 0.2f;
  r.pitchHz = 440.0f;
  r.midiNote = 69;
  r.pitchCents = -12.5f;
  r.pitchConfidence = 0.9f;
  r.flatness = 0.01f;
  r.harmonicRatio = 0.8f;
  r.inharmonicity = 0.02f;
  r.onsetPosition = 0.1f;
  r.attackTime = 0.005f;
  return r;
}

TEST(IndexFile, RoundTripKeepsEveryFieldAndEveryByteOfTheTexts) {
  test::TempDir dir;
  Library library;
  library.folder = "/sfx/Vol.2";
  library.scanned = 1700000000;
  library.savedPalette = true;
  library.paletteInterpret = 3;
  library.previousNames = {"Old One", "Old Two"};
  library.records = {fullRecord()};
  LibraryRecord plain;
  plain.path = "/sfx/plain.wav";
  plain.name = "plain";
  library.records.push_back(plain);

  std::string path = dir.file("Vol.vnlib");
  ASSERT_TRUE(WriteLibraryFile(library, path));
  std::string text = test::readAll(path);
  EXPECT_EQ(text.rfind("# Varnel SFX Library v10\n# folder: /sfx/Vol.2\n# files: 2\n# scanned: 1700000000\n"
                       "# savedPalette: 1\n# paletteInterpret: 3\n# previousName: Old One\n"
                       "# previousName: Old Two\n",
                       0),
            0u);
  EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));

  // One physical line per record, 39 columns, numbers as a text stream writes them.
  std::string firstLine = text.substr(text.find("/sfx/tab"));
  firstLine = firstLine.substr(0, firstLine.find('\n'));
  std::vector<std::string> cols = splitTabs(firstLine);
  ASSERT_EQ(cols.size(), 39u);
  EXPECT_EQ(cols[0], "/sfx/tab\\there\\\\back\\\\tslash\\nline\\rcr/caf\xc3\xa9\xff\\\\");
  EXPECT_EQ(cols[6], "1");
  EXPECT_EQ(cols[8], "1e-05");
  EXPECT_EQ(cols[11], "0.333333");
  EXPECT_EQ(cols[18], "-100");
  EXPECT_EQ(cols[30], "00ab00cd00ef0012");
  EXPECT_EQ(cols[31], "18446744073709551615");
  EXPECT_EQ(cols[32], "-1234567890123");
  EXPECT_EQ(cols[38], "metal & wood\\r\\n");

  Library back;
  ASSERT_TRUE(ReadLibraryFile(path, back));
  EXPECT_EQ(back.name, "Vol");
  EXPECT_EQ(back.folder, library.folder);
  EXPECT_EQ(back.scanned, library.scanned);
  EXPECT_TRUE(back.savedPalette);
  EXPECT_EQ(back.paletteInterpret, 3);
  EXPECT_FALSE(back.mmDisableGrouping);
  EXPECT_EQ(back.previousNames, library.previousNames);
  EXPECT_EQ(back.schemaVersion, 10);
  ASSERT_EQ(back.records.size(), 2u);
  const LibraryRecord& first = back.records[0];
  EXPECT_EQ(first.path, library.records[0].path);
  EXPECT_EQ(first.name, library.records[0].name);
  EXPECT_EQ(first.description, library.records[0].description);
  EXPECT_EQ(first.keywords, library.records[0].keywords);
  EXPECT_EQ(first.fileSize, library.records[0].fileSize);
  EXPECT_EQ(first.bandShare, library.records[0].bandShare);
  EXPECT_FLOAT_EQ(first.inharmonicity, 0.02f);
  EXPECT_EQ(first.midiNote, 69);
  // Every other field is proven by writing what was read: the same bytes again.
  // (The group id is recomputed on reading, so the record keeps it out of this.)
  back.records[0].groupId = library.records[0].groupId;
  ASSERT_TRUE(WriteLibraryFile(back, dir.file("Again.vnlib")));
  EXPECT_EQ(test::readAll(dir.file("Again.vnlib")), text);
  // Reading registers the record's identity.
  EXPECT_EQ(CurrentPathForFileId("0123456789abcdef"), library.records[0].path);
}

TEST(IndexFile, OlderSchemaVersionsReadTheirOwnColumns) {
  test::TempDir dir;
  // No version line: version 3, the whole rest of the line is the description.
  Library v3 = readText(dir, "# folder: /a\n" + measuredColumns("/a/x.wav", "x") + "\tdesc\\tone\tsecond part\n");
  ASSERT_EQ(v3.records.size(), 1u);
  EXPECT_EQ(v3.schemaVersion, 3);
  EXPECT_EQ(v3.records[0].description, "desc\tone\tsecond part");
  EXPECT_TRUE(v3.records[0].fileId.empty());
  EXPECT_EQ(v3.records[0].channels, 2);
  EXPECT_EQ(v3.records[0].bitDepth, 24);
  EXPECT_FLOAT_EQ(v3.records[0].bandShare[0], 7.0f);
  EXPECT_FLOAT_EQ(v3.records[0].attackTime, 29.0f);
  EXPECT_EQ(v3.records[0].midiNote, 23);

  // Version 8: identity, time, group, layout and override; no inharmonicity or keywords.
  Library v8 = readText(dir, "# Varnel SFX Library v8\n" + measuredColumns("/a/y.wav", "y") +
                                 "\taaaaaaaaaaaaaaa8\t00000000000000ff\t4096\t1700000000\t77\t3\t1\tthe description\n");
  ASSERT_EQ(v8.records.size(), 1u);
  const LibraryRecord& r8 = v8.records[0];
  EXPECT_EQ(r8.fileId, "aaaaaaaaaaaaaaa8");
  EXPECT_EQ(r8.contentHash, 255u);
  EXPECT_EQ(r8.fileSize, 4096u);
  EXPECT_EQ(r8.modifiedTime, 1700000000);
  EXPECT_EQ(r8.groupId, 0u);  // not a multi-mono name: grouping resets it on load
  EXPECT_EQ(r8.layout, 3);
  EXPECT_EQ(r8.layoutOverride, 1);
  EXPECT_FLOAT_EQ(r8.inharmonicity, 0.0f);
  EXPECT_EQ(r8.description, "the description");
  EXPECT_TRUE(r8.keywords.empty());

  // Version 9: keywords but no inharmonicity column.
  Library v9 = readText(dir, "# Varnel SFX Library v9\n" + measuredColumns("/a/z.wav", "z") +
                                 "\taaaaaaaaaaaaaaa9\t1\t2\t3\t4\t5\t0\tdesc\tkey words\tand more\n");
  ASSERT_EQ(v9.records.size(), 1u);
  EXPECT_FLOAT_EQ(v9.records[0].inharmonicity, 0.0f);
  EXPECT_EQ(v9.records[0].description, "desc");
  EXPECT_EQ(v9.records[0].keywords, "key words\tand more");
  EXPECT_EQ(v9.records[0].layout, 5);

  // Version 4 stops after the size: modified time and layout keep their defaults.
  Library v4 = readText(dir, "# Varnel SFX Library v4\n" + measuredColumns("/a/w.wav", "w") +
                                 "\taaaaaaaaaaaaaaa4\t10\t20\t30\t40\n");
  ASSERT_EQ(v4.records.size(), 1u);
  EXPECT_EQ(v4.records[0].fileSize, 20u);
  EXPECT_EQ(v4.records[0].modifiedTime, 0);
  EXPECT_EQ(v4.records[0].layout, -1);
  EXPECT_EQ(v4.records[0].description, "30\t40");
}

TEST(IndexFile, HostileLinesKeepTheirColumnsAndNeverCrash) {
  test::TempDir dir;
  std::string v10 = "# Varnel SFX Library v10 (hand edited)\n# folder: /f\n# savedPalette: 0\n# mmDisableGrouping: no\n"
                    "# scanned:  1700000000\n# paletteInterpret: 99999999999999999999\n";
  std::string longText(1 << 20, 'k');
  std::string text = v10;
  // channels out of range, non-numbers in the strict integer columns, a number too
  // large for its type: every field stays where it belongs.
  std::string cols = measuredColumns("/f/a.wav", "a");
  cols.replace(cols.find("\t2\t24"), 5, "\t100\t24");
  text += cols + "\tid\tzz\t-5\tnot-a-time\t99999999999999999999999\tx\t7.5\tnan\tdesc a\tkw a\n";
  text += "/f/short.wav\tshort\n";                                   // truncated after two columns
  text += "\tnameless\t1\t2\n";                                       // empty path: dropped
  text += measuredColumns("/f/long.wav", "long") + "\t\t\t\t\t\t\t\t\t" + longText + "\t" + longText + "\n";
  text += measuredColumns("/f/crlf.wav", "crlf") + "\t\t\t\t\t\t\t\t\td\tk\r\n";
  Library library = readText(dir, text);

  EXPECT_EQ(library.schemaVersion, 10);
  EXPECT_EQ(library.scanned, 1700000000);
  EXPECT_EQ(library.paletteInterpret, 0);  // out of range
  EXPECT_TRUE(library.savedPalette);       // whatever value follows
  EXPECT_TRUE(library.mmDisableGrouping);  // likewise
  ASSERT_EQ(library.records.size(), 4u);
  const LibraryRecord& a = library.records[0];
  EXPECT_EQ(a.channels, 64);
  EXPECT_EQ(a.fileId, "id");
  EXPECT_EQ(a.contentHash, 0u);
  EXPECT_EQ(a.fileSize, 0u);
  EXPECT_EQ(a.modifiedTime, 0);
  EXPECT_EQ(a.groupId, 0u);
  EXPECT_EQ(a.layout, -1);
  EXPECT_EQ(a.layoutOverride, 0);
  EXPECT_FLOAT_EQ(a.inharmonicity, 0.0f);
  EXPECT_EQ(a.description, "desc a");
  EXPECT_EQ(a.keywords, "kw a");
  EXPECT_EQ(library.records[1].path, "/f/short.wav");
  EXPECT_FLOAT_EQ(library.records[1].duration, 0.0f);
  EXPECT_EQ(library.records[1].midiNote, 0);
  EXPECT_EQ(library.records[2].description.size(), longText.size());
  EXPECT_EQ(library.records[2].keywords.size(), longText.size());
  EXPECT_EQ(library.records[3].keywords, "k");

  // Random bytes, including zeros and stray escapes, read without failing.
  std::mt19937 gen(7);
  for (int round = 0; round < 50; ++round) {
    std::string garbage = round % 2 ? v10 : std::string();
    size_t size = gen() % 4000;
    for (size_t i = 0; i < size; ++i) garbage += static_cast<char>(gen() % 7 == 0 ? '\t' : gen() & 0xff);
    Library any = readText(dir, garbage);
    for (const LibraryRecord& r : any.records) {
      EXPECT_FALSE(r.path.empty());
      EXPECT_GE(r.channels, 0);
      EXPECT_LE(r.channels, 64);
    }
  }
}

TEST(IndexFile, OpenFailuresAndEmptyFilesAndFailedWrites) {
  test::TempDir dir;
  Library none;
  EXPECT_FALSE(ReadLibraryFile(dir.file("absent.vnlib"), none));
  EXPECT_FALSE(ReadLibraryFile(dir.path(), none));
  bool ok = true;
  readText(dir, "# Varnel SFX Library v10\n# folder: \n", &ok);
  EXPECT_FALSE(ok);  // neither records nor a folder
  readText(dir, "# folder: /only/a/folder\n", &ok);
  EXPECT_TRUE(ok);

  // A write that cannot replace its target leaves it as it was and no temporary file.
  std::string target = dir.file("Blocked.vnlib");
  std::filesystem::create_directories(target + "/inside");
  Library library;
  library.folder = "/x";
  EXPECT_FALSE(WriteLibraryFile(library, target));
  EXPECT_TRUE(std::filesystem::is_directory(target + "/inside"));
  EXPECT_FALSE(std::filesystem::exists(target + ".tmp"));
}

TEST(IndexFile, MultiMonoGroupsAreRebuiltOnLoadUnlessDisabled) {
  test::TempDir dir;
  auto line = [](const std::string& name) {
    std::string cols = measuredColumns("/mm/" + name + ".wav", name);
    cols.replace(cols.find("\t2\t24"), 5, "\t1\t24");
    return cols + "\t\t\t\t\t12345\t\t\t\t\t\n";
  };
  std::string records = line("Door_L") + line("Door_R");
  Library grouped = readText(dir, "# Varnel SFX Library v10\n" + records);
  ASSERT_EQ(grouped.records.size(), 2u);
  EXPECT_NE(grouped.records[0].groupId, 0u);
  EXPECT_NE(grouped.records[0].groupId, 12345u);
  EXPECT_EQ(grouped.records[0].groupId, grouped.records[1].groupId);
  EXPECT_EQ(grouped.records[0].groupChannel, 0);
  EXPECT_EQ(grouped.records[1].groupChannel, 1);

  Library plain = readText(dir, "# Varnel SFX Library v10\n# mmDisableGrouping: 1\n" + records);
  ASSERT_EQ(plain.records.size(), 2u);
  EXPECT_EQ(plain.records[0].groupId, 0u);
  EXPECT_EQ(plain.records[1].groupChannel, -1);
}

TEST(TextColumn, EscapesExactlyFourBytesAndKeepsOtherBackslashes) {
  EXPECT_EQ(EscapeTextColumn("a\\b\tc\nd\re"), "a\\\\b\\tc\\nd\\re");
  EXPECT_EQ(UnescapeTextColumn("a\\\\b\\tc\\nd\\re"), "a\\b\tc\nd\re");
  EXPECT_EQ(UnescapeTextColumn("x\\q\\"), "x\\q\\");
  EXPECT_EQ(UnescapeTextColumn("\\\\t"), "\\t");
}

}  // namespace
}  // namespace vn
