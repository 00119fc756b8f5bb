// Our files as other programs read them: mediainfo, ffprobe and sndfile-info (all
// in the project's package list) must find the format, the layout, the bext fields
// and the iXML without complaint.
#include <gtest/gtest.h>

#include "export/bwf_writer.h"
#include "export/ixml_document.h"
#include "export/payload_embed.h"
#include "export_fixtures.h"
#include "platform/paths.h"
#include "support/temp_dir.h"

namespace vn {
namespace {

using test::commandOutput;

class IndependentReaders : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"mediainfo", "ffprobe", "sndfile-info"})
      ASSERT_EQ(commandOutput(std::string("command -v ") + tool).empty(), false)
          << tool << " is missing: install the packages of scripts/varnel";
    const uint8_t bytes[16] = {0xde, 0xad, 0xbe, 0xef, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    provenance.print = printIdentityOfBytes(bytes);
    provenance.kind = "export";
    events = test::sampleEvents(2);
    layers = test::sampleLayers(2);
    ManifestInput input;
    input.blocks = &layers;
    input.events = &events;
    input.printId = provenance.print.printId;
    ixml = embedManifest(embedRecipe(exportIxmlDocument("Door mix & more"), events), input);
  }
  std::string quoted(const std::string& name) const { return "'" + dir.file(name) + "'"; }

  test::TempDir dir;
  BwfProvenance provenance;
  std::vector<Event> events;
  std::vector<Layer> layers;
  std::string ixml;
};

TEST_F(IndependentReaders, SurroundExportReadsAsFiveOne) {
  std::vector<std::vector<float>> six(6, std::vector<float>(48000, 0.0f));
  for (size_t c = 0; c < 6; ++c) six[c][100 + c] = 0.5f;
  BwfWriteOptions options;
  options.provenance = &provenance;
  ASSERT_TRUE(WriteBWFMulti(dir.file("mix.wav"), six, kMask51, 48000, 10.5, "Door mix & more", false, true, ixml,
                            options));
  const std::string history = "A=PCM,F=48000,W=24,M=stereo,T=Varnel " + std::string(programVersion()) + " export " +
                              provenance.print.printToken;

  const std::string probe = commandOutput("ffprobe -v error -show_entries stream=codec_name,channels,channel_layout "
                                          "-show_entries format_tags -of default=nw=1 " + quoted("mix.wav"));
  EXPECT_NE(probe.find("codec_name=pcm_s24le\n"), std::string::npos) << probe;
  EXPECT_NE(probe.find("channels=6\n"), std::string::npos) << probe;
  EXPECT_NE(probe.find("channel_layout=5.1\n"), std::string::npos) << probe;
  EXPECT_NE(probe.find("TAG:time_reference=504000\n"), std::string::npos) << probe;
  EXPECT_NE(probe.find("TAG:comment=Door mix & more\n"), std::string::npos) << probe;
  EXPECT_NE(probe.find("TAG:encoded_by=Varnel\n"), std::string::npos) << probe;
  EXPECT_NE(probe.find("TAG:coding_history=" + history), std::string::npos) << probe;
  EXPECT_EQ(probe.find("rror"), std::string::npos) << probe;

  const std::string info = commandOutput("mediainfo --Full " + quoted("mix.wav"));
  EXPECT_NE(info.find("WaveFormatExtensible"), std::string::npos) << info;
  EXPECT_NE(info.find("Description                              : Door mix & more\n"), std::string::npos) << info;
  EXPECT_NE(info.find("Producer                                 : Varnel\n"), std::string::npos) << info;
  EXPECT_NE(info.find("Delay                                    : 00:00:10.500\n"), std::string::npos) << info;
  EXPECT_NE(info.find("Container (bext)"), std::string::npos) << info;
  EXPECT_NE(info.find("bext_Version                             : 1\n"), std::string::npos) << info;
  EXPECT_NE(info.find("Encoding settings                        : " + history + "\n"), std::string::npos) << info;
  EXPECT_NE(info.find("Channel layout                           : L R C LFE Lb Rb\n"), std::string::npos) << info;
  EXPECT_NE(info.find("Bit depth                                : 24 bits\n"), std::string::npos) << info;
  // The chunk trace shows the iXML with its payloads.
  const std::string trace = commandOutput("mediainfo --Details=1 " + quoted("mix.wav"));
  EXPECT_NE(trace.find("<Description>Door mix &amp; more</Description>"), std::string::npos);
  EXPECT_NE(trace.find("<VARNEL_RECIPE>"), std::string::npos);
  EXPECT_NE(trace.find("<VARNEL_MANIFEST enc=\"deflate\">"), std::string::npos);

  const std::string broadcast = commandOutput("sndfile-info --broadcast " + quoted("mix.wav"));
  EXPECT_NE(broadcast.find("Description              : Door mix & more\n"), std::string::npos) << broadcast;
  EXPECT_NE(broadcast.find("Originator               : Varnel\n"), std::string::npos) << broadcast;
  EXPECT_NE(broadcast.find("Origination ref          : " + provenance.print.printRef + "\n"), std::string::npos)
      << broadcast;
  EXPECT_NE(broadcast.find("(10.500000 seconds)"), std::string::npos) << broadcast;
  EXPECT_NE(broadcast.find("BWF version              : 1\n"), std::string::npos) << broadcast;
  EXPECT_NE(broadcast.find("Coding history           : " + history), std::string::npos) << broadcast;
  const std::string layout = commandOutput("sndfile-info " + quoted("mix.wav"));
  EXPECT_NE(layout.find("Channel Mask  : 0x3F (L, R, C, LFE, Ls, Rs)"), std::string::npos) << layout;
  EXPECT_EQ(layout.find("\nfact :"), std::string::npos) << layout;
  // libsndfile's chunk interface rounds a chunk up to a multiple of four bytes.
  EXPECT_NE(layout.find("\niXML : " + std::to_string((ixml.size() + 3) / 4 * 4) + "\n"), std::string::npos) << layout;
  EXPECT_NE(layout.find("Frames      : 48000\n"), std::string::npos) << layout;
}

TEST_F(IndependentReaders, StereoHeightsAndALongIxml) {
  const std::vector<float> x(4800, 0.25f);
  std::string longIxml = ixml;
  longIxml.insert(longIxml.find("</BWFXML>"), std::string(60001, ' '));  // appended after the audio, odd length
  ASSERT_TRUE(WriteBWFStereo(dir.file("stereo.wav"), x.data(), x.data(), 4800, 48000, 0.0, nullptr, longIxml));
  const std::vector<std::vector<float>> twelve(12, std::vector<float>(4800, 0.1f));
  ASSERT_TRUE(WriteBWFMulti(dir.file("714.wav"), twelve, 0, 48000, 0.0, nullptr, false, true, ixml));

  const std::string stereo = commandOutput("ffprobe -v error -show_entries stream=codec_name,channels "
                                           "-of default=nw=1 " + quoted("stereo.wav"));
  EXPECT_EQ(stereo, "codec_name=pcm_s24le\nchannels=2\n");
  const std::string heights = commandOutput("ffprobe -v error -show_entries stream=codec_name,channels "
                                            "-of default=nw=1 " + quoted("714.wav"));
  EXPECT_EQ(heights, "codec_name=pcm_s24le\nchannels=12\n");

  const std::string info = commandOutput("sndfile-info " + quoted("stereo.wav"));
  EXPECT_NE(info.find("\niXML : " + std::to_string(longIxml.size()) + "\n"), std::string::npos) << info;
  EXPECT_NE(info.find("Frames      : 4800\n"), std::string::npos) << info;
  EXPECT_EQ(info.find("rror"), std::string::npos) << info;
  const std::string media = commandOutput("mediainfo --Full " + quoted("stereo.wav"));
  EXPECT_NE(media.find("Description                              : Varnel export\n"), std::string::npos) << media;
  EXPECT_NE(media.find("Channel(s)                               : 2 channels\n"), std::string::npos) << media;
  const std::string trace = commandOutput("mediainfo --Details=1 " + quoted("stereo.wav"));
  // The chunk after the audio, with its 8-byte header (and the pad byte of an odd length).
  const size_t audio = trace.find("Raw datas"), chunk = trace.find("iXML (");
  EXPECT_LT(audio, chunk);
  const std::string bytes = trace.substr(chunk + 6, trace.find(' ', chunk + 6) - chunk - 6);
  EXPECT_TRUE(bytes == std::to_string(longIxml.size() + 8) || bytes == std::to_string(longIxml.size() + 9)) << bytes;
  EXPECT_NE(trace.find("<VARNEL_MANIFEST enc=\"deflate\">"), std::string::npos);
}

}  // namespace
}  // namespace vn
