#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>

#include "core/json_parse.h"
#include "export/bwf_writer.h"
#include "export/delivered_file_inspect.h"
#include "export/delivered_file_report.h"
#include "export/ixml_document.h"
#include "export/payload_embed.h"
#include "export_fixtures.h"
#include "library/file_identity.h"
#include "library/libraries.h"
#include "support/log_capture.h"
#include "support/temp_dir.h"

namespace vn {
namespace {

using test::TempDir;

bool hasLine(const std::vector<std::string>& lines, const std::string& text) {
  return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(text) != std::string::npos; });
}

TEST(InspectDeliveredWav, EverythingOurFileCarries) {
  TempDir dir;
  // Four sources: one where the manifest says, one moved (the registry knows where),
  // one only a Library record of the same content knows, one gone.
  test::writeAll(dir.file("here.wav"), "here");
  test::writeAll(dir.file("moved-to.wav"), "moved");
  test::writeAll(dir.file("library-copy.wav"), "copy");
  RegisterFileId("1111111111111111", dir.file("moved-to.wav"), 0x51, 5);
  Library library;
  library.name = "Inspect test";
  LibraryRecord record;
  record.path = dir.file("library-copy.wav");
  record.fileId = "2222222222222222";
  record.contentHash = 0xc0ffee;
  record.fileSize = 4;
  library.records.push_back(record);
  AddLibrary(library);

  std::vector<Layer> layers = test::sampleLayers(4);
  const FileRef refs[4] = {{"0000000000000aa0", 1, 4, dir.file("here.wav")},
                           {"1111111111111111", 0x51, 5, dir.file("moved-from.wav")},
                           {"3333333333333333", 0xc0ffee, 4, dir.file("elsewhere.wav")},
                           {"4444444444444444", 0x99, 9, dir.file("gone.wav")}};
  for (int i = 0; i < 4; ++i) layers[i].fileId = refs[i].id;
  const std::vector<Event> events = test::sampleEvents(2);
  ManifestInput input;
  input.blocks = &layers;
  input.events = &events;
  input.lookup = [&](const std::string& id) -> std::optional<FileRef> {
    for (const FileRef& r : refs)
      if (r.id == id) return r;
    return std::nullopt;
  };
  const uint8_t bytes[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  BwfProvenance provenance{printIdentityOfBytes(bytes), "export"};
  input.printId = provenance.print.printId;
  IxmlUserFields user;
  user.description = "Door & frame";
  user.catId = "DOORWood";
  const std::string ixml = embedManifest(embedRecipe(fullIxmlDocument(user), events), input);
  const std::vector<std::vector<float>> six(6, std::vector<float>(48000, 0.1f));
  BwfWriteOptions options;
  options.provenance = &provenance;
  const std::string path = dir.file("mix 5.1.wav");
  ASSERT_TRUE(WriteBWFMulti(path, six, kMask51, 48000, 10.5, "Door mix", false, true, ixml, options));

  std::string error;
  const auto report = InspectDeliveredWav(path, InspectOptions{25.0}, error);
  ASSERT_TRUE(report) << error;
  EXPECT_TRUE(report->extensible);
  EXPECT_NE(report->container.find("WAVEX"), std::string::npos) << report->container;
  EXPECT_NE(report->encoding.find("24 bit"), std::string::npos) << report->encoding;
  EXPECT_EQ(report->channels, 6);
  EXPECT_EQ(report->channelMask, std::optional<uint32_t>(0x3F));
  EXPECT_EQ(report->layout, "5.1");
  EXPECT_EQ(report->channelNames, "L R C LFE Ls Rs");
  EXPECT_EQ(report->frames, 48000);
  EXPECT_DOUBLE_EQ(report->seconds, 1.0);
  ASSERT_TRUE(report->bext);
  EXPECT_EQ(report->bext->description, "Door mix");
  EXPECT_EQ(report->bext->timeReference, 504000u);
  EXPECT_EQ(report->timeReferenceTimecode, "00:00:10:13");  // 262.5 frames, rounded
  EXPECT_EQ(report->bext->version, 1);
  EXPECT_EQ(report->printRef, provenance.print.printRef);
  EXPECT_EQ(report->printToken, provenance.print.printToken);
  ASSERT_GE(report->userFields.size(), 4u);
  EXPECT_EQ(report->userFields[0], (std::pair<std::string, std::string>{"Description", "Door & frame"}));
  EXPECT_EQ(report->userFields.back(), (std::pair<std::string, std::string>{"Designer", "Varnel"}));
  EXPECT_EQ(report->payloads.recipeEvents.size(), 2u);
  ASSERT_TRUE(report->payloads.manifest);
  ASSERT_EQ(report->fileRefs.size(), 4u);
  EXPECT_TRUE(report->fileRefs[0].found);
  EXPECT_EQ(report->fileRefs[0].foundBy, "path");
  EXPECT_TRUE(report->fileRefs[1].found);
  EXPECT_EQ(report->fileRefs[1].foundBy, "library id");
  EXPECT_EQ(report->fileRefs[1].foundPath, dir.file("moved-to.wav"));
  EXPECT_TRUE(report->fileRefs[2].found);
  EXPECT_EQ(report->fileRefs[2].foundBy, "content");
  EXPECT_EQ(report->fileRefs[2].foundPath, dir.file("library-copy.wav"));
  EXPECT_FALSE(report->fileRefs[3].found);

  const auto lines = deliveredFileLines(*report);
  EXPECT_TRUE(hasLine(lines, "Channels: 6, 5.1 (L R C LFE Ls Rs), mask 0x3F"));
  EXPECT_TRUE(hasLine(lines, "504000 samples = 10.500 s = 00:00:10:13 at 25 fps"));
  EXPECT_TRUE(hasLine(lines, "  Description: Door & frame"));
  EXPECT_TRUE(hasLine(lines, "Print: " + provenance.print.printToken + "  " + provenance.print.printRef));
  EXPECT_TRUE(hasLine(lines, "Recipe: 2 events"));
  EXPECT_TRUE(hasLine(lines, "  00:00:01:13  Spot     door slam & latch 0"));
  EXPECT_TRUE(hasLine(lines, "Layers (4):"));
  EXPECT_TRUE(hasLine(lines, "missing  4444444444444444  " + dir.file("gone.wav")));
  EXPECT_TRUE(hasLine(lines, "-> " + dir.file("moved-to.wav") + " (by library id)"));
  EXPECT_FALSE(hasLine(lines, kNoPayloadsNote));

  const JsonValue json = parseJsonText(deliveredFileJson(*report));
  ASSERT_TRUE(json.isObject());
  EXPECT_EQ(member(json, "channelMask").number(), 63);
  EXPECT_EQ(member(member(json, "bext"), "timeReference").text(), "504000");
  EXPECT_EQ(member(member(member(json, "ixml"), "user"), "CatID").text(), "DOORWood");
  EXPECT_EQ(member(json, "printToken").text(), provenance.print.printToken);
  EXPECT_EQ(member(json, "recipe").size(), 2u);
  const JsonValue& files = member(member(json, "manifest"), "fileRefs");
  ASSERT_EQ(files.size(), 4u);
  EXPECT_TRUE(member(element(files, 2), "found").boolean());
  EXPECT_FALSE(member(element(files, 3), "found").boolean());
  EXPECT_TRUE(member(json, "note").isNull());
}

TEST(InspectDeliveredWav, AnotherProgramsFileAndFilesThatAreNotWav) {
  TempDir dir;
  SF_INFO info{};
  info.samplerate = 44100;
  info.channels = 2;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE* file = sf_open(dir.file("other.wav").c_str(), SFM_WRITE, &info);
  ASSERT_NE(file, nullptr);
  const std::vector<short> silence(2000, 0);
  sf_writef_short(file, silence.data(), 1000);
  sf_close(file);

  std::string error;
  const auto report = InspectDeliveredWav(dir.file("other.wav"), {}, error);
  ASSERT_TRUE(report) << error;
  EXPECT_FALSE(report->bext);
  EXPECT_EQ(report->layout, "Stereo");
  EXPECT_FALSE(report->hasPayloads());
  const auto lines = deliveredFileLines(*report);
  EXPECT_EQ(lines.back(), kNoPayloadsNote);
  EXPECT_TRUE(hasLine(lines, "bext: none"));
  EXPECT_TRUE(hasLine(lines, "iXML: none"));
  EXPECT_EQ(member(parseJsonText(deliveredFileJson(*report)), "note").text(), kNoPayloadsNote);

  test::writeAll(dir.file("notes.txt"), "not audio at all");
  EXPECT_FALSE(InspectDeliveredWav(dir.file("notes.txt"), {}, error));
  EXPECT_EQ(error, dir.file("notes.txt") + " is not a WAV file.");
  test::writeAll(dir.file("broken.wav"), std::string("RIFF\x10\0\0\0WAVEfmt ", 16));
  EXPECT_FALSE(InspectDeliveredWav(dir.file("broken.wav"), {}, error));
  EXPECT_EQ(error.rfind(dir.file("broken.wav") + " cannot be read as a WAV file: ", 0), 0u) << error;
  EXPECT_EQ(std::count(error.begin(), error.end(), '\n'), 0);
}

TEST(InspectDeliveredWav, AnIxmlOverTheReadCapIsReportedUnread) {
  TempDir dir;
  std::string ixml = exportIxmlDocument("big");
  ixml.insert(ixml.find("</BWFXML>"), std::string(1048577 - ixml.size(), ' '));
  const std::vector<float> x(100, 0.0f);
  ASSERT_TRUE(WriteBWFClipMono(dir.file("big.wav"), x.data(), 100, 48000, 0.0, nullptr, ixml));
  test::LogCapture log;
  std::string error;
  const auto report = InspectDeliveredWav(dir.file("big.wav"), {}, error);
  ASSERT_TRUE(report) << error;
  EXPECT_TRUE(report->ixmlRefused);
  EXPECT_EQ(report->ixmlBytes, 1048577u);
  EXPECT_TRUE(report->userFields.empty());
  EXPECT_TRUE(hasLine(deliveredFileLines(*report), "iXML: 1048577 bytes, over the 1 MiB read cap - not read"));
  EXPECT_EQ(log.countStarting("[iXML] chunk is 1048577 bytes, over the 1048576-byte read cap"), 1);
}

// Without a mask, only a file of ours says which layout its channels are.
TEST(DescribeChannelLayout, PlainFilesOfOursAndOfOthers) {
  EXPECT_EQ(describeChannelLayout(12, std::nullopt, true).first, "7.1.4");
  EXPECT_EQ(describeChannelLayout(12, std::nullopt, false).first, "12 channels, no channel mask");
  EXPECT_EQ(describeChannelLayout(4, std::nullopt, true).second, "W Y Z X (ACN / SN3D)");
  EXPECT_EQ(describeChannelLayout(4, std::nullopt, false).second, "");
  EXPECT_EQ(describeChannelLayout(3, 0x7u, false).first, "3 channels, mask 0x7");
}

}  // namespace
}  // namespace vn
