// Readers of delivered files against thousands of damaged inputs, seeded so that a
// failure can be replayed: mutated iXML texts through Find payloads, mutated and
// truncated WAV files (lying chunk sizes included) through Find payloads and the
// inspector. Run under the sanitizers, a crash, an overflow or an allocation the
// size of a lie fails the test.
#include <gtest/gtest.h>

#include <random>

#include "export/base64.h"
#include "export/bwf_writer.h"
#include "export/delivered_file_inspect.h"
#include "export/delivered_file_report.h"
#include "export/ixml_document.h"
#include "export/payload_embed.h"
#include "export/payload_find.h"
#include "export/wav_chunks.h"
#include "export_fixtures.h"
#include "support/log_capture.h"
#include "support/temp_dir.h"

namespace vn {
namespace {

using test::LogCapture;
using test::TempDir;

struct Sample {
  std::vector<Event> events = test::sampleEvents(4);
  std::vector<Layer> layers = test::sampleLayers(6);
  std::string ixml;
  Sample() {
    ManifestInput input;
    input.blocks = &layers;
    input.events = &events;
    input.printId = "00112233445566778899aabbccddeeff";
    ixml = embedManifest(embedRecipe(exportIxmlDocument("Hostile"), events), input);
  }
};

std::string mutated(std::string text, std::mt19937& random) {
  const int edits = 1 + static_cast<int>(random() % 6);
  const std::string alphabet = "<>/=\"& \n\r\tA+9%{}[]:,\\\x80\xff";
  for (int i = 0; i < edits && !text.empty(); ++i) {
    const size_t at = random() % text.size();
    switch (random() % 7) {
      case 0: text[at] = static_cast<char>(random()); break;
      case 1: text[at] = alphabet[random() % alphabet.size()]; break;
      case 2: text.erase(at, random() % 64); break;
      case 3: text.insert(at, text.substr(random() % text.size(), random() % 200)); break;
      case 4: text.resize(at); break;
      case 5: text.insert(at, std::string(1 + random() % 4, '\n')); break;
      default: text.insert(at, "<VARNEL_MANIFEST enc=\"deflate\">"); break;
    }
  }
  return text;
}

TEST(HostileInput, MutatedIxmlTexts) {
  const Sample sample;
  const FilePayloads whole = findPayloadsInIxml(sample.ixml);
  ASSERT_TRUE(whole.manifest && whole.hasRecipe);
  LogCapture log;
  std::mt19937 random(20261);
  int manifests = 0, recipes = 0;
  for (int i = 0; i < 4000; ++i) {
    const std::string text = mutated(sample.ixml, random);
    const FilePayloads found = findPayloadsInIxml(text);
    manifests += found.manifest.has_value();
    recipes += found.hasRecipe;
    if (found.manifest) {
      EXPECT_LE(found.manifest->results.size(), text.size());
    }
    EXPECT_LE(ixmlUserFields(text).size(), 256u);
  }
  // Both outcomes happened: the mutations reached the decoders and their failures.
  EXPECT_GT(manifests, 100);
  EXPECT_LT(manifests, 4000);
  EXPECT_GT(recipes, 100);
  EXPECT_LT(recipes, 4000);
}

TEST(HostileInput, GarbageBase64AndADeflateBomb) {
  LogCapture log;
  std::mt19937 random(5);
  for (int i = 0; i < 500; ++i) {
    std::string garbage(random() % 3000, '\0');
    for (char& c : garbage) c = static_cast<char>(random());
    const std::string ixml = "<BWFXML><VARNEL_RECIPE>" + garbage + "</VARNEL_RECIPE><VARNEL_MANIFEST enc=\"deflate\">" +
                             garbage + "</VARNEL_MANIFEST></BWFXML>";
    const FilePayloads found = findPayloadsInIxml(ixml);
    EXPECT_FALSE(found.manifest);
    EXPECT_FALSE(found.hasRecipe);
  }
  // Valid Base64 of random bytes: decodes, then fails to inflate or to parse.
  for (int i = 0; i < 500; ++i) {
    std::string bytes(random() % 2000, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    const std::string b64 = base64Encode(bytes);
    EXPECT_FALSE(findPayloadsInIxml("<VARNEL_MANIFEST enc=\"deflate\">" + b64 + "</VARNEL_MANIFEST>").manifest);
    // The JSON reader keeps what it can of a damaged document, so only bytes that
    // open an object can give a (mostly empty) manifest.
    const size_t first = bytes.find_first_not_of(" \t\r\n");
    const bool opensObject = first != std::string::npos && bytes[first] == '{';
    if (!opensObject) {
      EXPECT_FALSE(findPayloadsInIxml("<VARNEL_MANIFEST enc=\"raw\">" + b64 + "</VARNEL_MANIFEST>").manifest);
    }
  }
  // A quarter of a megabyte that would inflate to 256 MiB, cut into lines.
  const std::string bomb = test::deflateBomb(256);
  std::string lines;
  for (size_t at = 0; at < bomb.size(); at += 64) lines += bomb.substr(at, 64) + "\n";
  EXPECT_FALSE(findPayloadsInIxml("<VARNEL_MANIFEST enc=\"deflate\">" + lines + "</VARNEL_MANIFEST>").manifest);
  EXPECT_EQ(log.out.back(), "[Manifest] inflate failed - payload unreadable\n");
}

// A WAV of ours to damage: payloads in an iXML under the chunk-interface limit.
std::string sampleWav(const TempDir& dir, const Sample& sample) {
  const std::vector<std::vector<float>> six(6, std::vector<float>(500, 0.25f));
  const std::string path = dir.file("sample.wav");
  EXPECT_TRUE(WriteBWFMulti(path, six, kMask51, 48000, 1.0, nullptr, false, true, sample.ixml));
  return test::readAll(path);
}

void putLe32At(std::string& bytes, size_t offset, uint32_t value) {
  if (offset + 4 > bytes.size()) return;
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<char>(value >> (8 * i));
}

std::string damagedWav(const std::string& wav, const std::vector<test::ParsedChunk>& chunks, std::mt19937& random) {
  std::string bytes = wav;
  const int edits = 1 + static_cast<int>(random() % 4);
  for (int i = 0; i < edits; ++i) {
    const test::ParsedChunk& c = chunks[random() % chunks.size()];
    switch (random() % 6) {
      case 0: {  // a chunk size that lies
        static const uint32_t lies[] = {0, 1, 7, 0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu, 0x100001, 1u << 20};
        putLe32At(bytes, c.offset + 4, random() % 2 ? lies[random() % 8] : static_cast<uint32_t>(random()));
        break;
      }
      case 1: bytes.resize(random() % bytes.size()); break;  // truncated anywhere
      case 2: putLe32At(bytes, 4, static_cast<uint32_t>(random())); break;  // the RIFF size
      case 3:  // bytes of a header or a body changed
        for (int n = 0; n < 8 && !bytes.empty(); ++n) bytes[(c.offset + random() % 64) % bytes.size()] = static_cast<char>(random());
        break;
      case 4:  // another chunk's id turned into iXML
        if (c.offset + 4 <= bytes.size()) bytes.replace(c.offset, 4, "iXML");
        break;
      default:  // anywhere at all
        for (int n = 0; n < 16 && !bytes.empty(); ++n) bytes[random() % bytes.size()] = static_cast<char>(random());
    }
  }
  return bytes;
}

TEST(HostileInput, DamagedWavFiles) {
  TempDir dir;
  const Sample sample;
  const std::string wav = sampleWav(dir, sample);
  const auto chunks = test::parseChunks(wav);
  ASSERT_GE(chunks.size(), 4u);
  LogCapture log;
  std::mt19937 random(4242);
  const std::string path = dir.file("damaged.wav");
  int reports = 0;
  for (int i = 0; i < 1500; ++i) {
    test::writeAll(path, damagedWav(wav, chunks, random));
    FindPayloads(path);
    std::string error;
    if (const auto report = InspectDeliveredWav(path, {}, error)) {
      ++reports;
      EXPECT_GT(report->channels, 0);
      EXPECT_FALSE(deliveredFileLines(*report).empty());
      EXPECT_FALSE(deliveredFileJson(*report).empty());
    } else {
      EXPECT_FALSE(error.empty());
      EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    }
    const auto list = readWavChunks(path);
    if (list) {
      EXPECT_LE(list->chunks.size(), kMaxWavChunks);
    }
  }
  EXPECT_GT(reports, 50);
  EXPECT_LT(reports, 1500);
}

TEST(HostileInput, AnIxmlChunkDeclaringTwoGigabytes) {
  TempDir dir;
  const Sample sample;
  const std::vector<float> x(480, 0.25f);
  ASSERT_TRUE(WriteBWFStereo(dir.file("two-gig.wav"), x.data(), x.data(), 480, 48000, 0.0, nullptr, {}));
  // After the audio, a chunk that says 2 GiB and holds the real payloads.
  std::string wav = test::readAll(dir.file("two-gig.wav"));
  wav += "iXML";
  wav += std::string("\0\0\0\x80", 4);
  wav += sample.ixml;
  test::writeAll(dir.file("two-gig.wav"), wav);
  LogCapture log;
  const auto found = FindPayloads(dir.file("two-gig.wav"));
  ASSERT_TRUE(found);
  EXPECT_FALSE(found->manifest || found->hasRecipe);
  EXPECT_EQ(log.countStarting("[iXML] chunk is 2147483648 bytes, over the 1048576-byte read cap"), 1);
  std::string error;
  const auto report = InspectDeliveredWav(dir.file("two-gig.wav"), {}, error);
  ASSERT_TRUE(report) << error;
  EXPECT_FALSE(report->hasPayloads());
  EXPECT_TRUE(report->ixmlRefused);
  EXPECT_EQ(report->ixmlBytes, 2147483648u);
}

}  // namespace
}  // namespace vn
