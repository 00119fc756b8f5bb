#include <gtest/gtest.h>

#include "export/base64.h"
#include "export/bwf_writer.h"
#include "export/delivered_file_print.h"
#include "export/ixml_document.h"
#include "export/payload_embed.h"
#include "export/payload_find.h"
#include "export_fixtures.h"
#include "platform/paths.h"
#include "support/log_capture.h"
#include "support/temp_dir.h"

namespace vn {
namespace {

using test::LogCapture;
using test::TempDir;

// Base64 broken into lines the way mail and some editors wrap it.
std::string wrapped(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); i += 76) out += text.substr(i, 76) + "\r\n\t ";
  return out;
}

TEST(FindPayloads, WhatWasEmbeddedComesBackFromTheFile) {
  TempDir dir;
  const std::vector<Event> events = test::sampleEvents(3);
  std::vector<Layer> layers = test::sampleLayers(3);
  layers[1].foldTarget = static_cast<int>(layers[0].id);
  const uint8_t bytes[16] = {9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 1, 2, 3, 4, 5, 6};
  const PrintIdentity print = printIdentityOfBytes(bytes);
  ManifestInput input;
  input.blocks = &layers;
  input.events = &events;
  input.t0 = 3.25;
  input.printId = print.printId;
  input.lookup = [](const std::string& id) -> std::optional<FileRef> {
    return FileRef{id, 0xabcdef0123456789ull, 4242, "/library/" + id + ".wav"};
  };
  const std::string ixml = embedManifest(embedRecipe(exportIxmlDocument("Mix"), events), input);
  const std::vector<float> x(480, 0.1f);
  const std::string path = dir.file("mix.wav");
  ASSERT_TRUE(WriteBWFStereo(path, x.data(), x.data(), 480, 48000, 0.0, nullptr, ixml));

  const auto found = FindPayloads(path);
  ASSERT_TRUE(found);
  ASSERT_TRUE(found->hasRecipe);
  ASSERT_EQ(found->recipeEvents.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_FLOAT_EQ(found->recipeEvents[i].time, events[i].time);
    EXPECT_EQ(found->recipeEvents[i].keywords, events[i].keywords);
    EXPECT_EQ(found->recipeEvents[i].shape, events[i].shape);
  }
  ASSERT_TRUE(found->manifest);
  const ManifestRecord& m = *found->manifest;
  EXPECT_EQ(m.version, 1);
  EXPECT_EQ(m.appVersion, programVersion());
  EXPECT_EQ(m.printId, print.printId);
  EXPECT_DOUBLE_EQ(m.t0, 3.25);
  EXPECT_EQ(m.events.size(), 3u);
  ASSERT_EQ(m.results.size(), 3u);
  EXPECT_EQ(m.results[2].name, "layer 2");
  EXPECT_EQ(m.results[2].fileId, layers[2].fileId);
  EXPECT_FLOAT_EQ(m.results[2].sourceOffset, 0.5f);
  EXPECT_EQ(m.results[1].foldTarget, 1);  // the stored id of its target, the first layer
  ASSERT_EQ(m.fileRefs.size(), 3u);
  EXPECT_EQ(m.fileRefs[0].id, layers[0].fileId);
  EXPECT_EQ(m.fileRefs[0].path, "/library/" + layers[0].fileId + ".wav");
  EXPECT_EQ(m.fileRefs[0].size, 4242u);
  EXPECT_EQ(m.fileRefs[0].hash, 0xabcdef0123456789ull);

  EXPECT_EQ(PrintTokenOfFile(path), print.printToken);
  // A file without payloads, and a file that is not a sound file.
  ASSERT_TRUE(WriteBWFStereo(dir.file("plain.wav"), x.data(), x.data(), 480, 48000, 0.0, nullptr, {}));
  const auto plain = FindPayloads(dir.file("plain.wav"));
  ASSERT_TRUE(plain);
  EXPECT_FALSE(plain->hasRecipe || plain->manifest);
  EXPECT_EQ(PrintTokenOfFile(dir.file("plain.wav")), "");
  // Without a manifest, the token the Broadcast-WAV block carries answers.
  BwfWriteOptions withPrint;
  const BwfProvenance provenance{NewPrintIdentity(), "stem"};
  withPrint.provenance = &provenance;
  ASSERT_TRUE(WriteBWFStereo(dir.file("bext only.wav"), x.data(), x.data(), 480, 48000, 0.0, nullptr, {}, withPrint));
  EXPECT_EQ(PrintTokenOfFile(dir.file("bext only.wav")), provenance.print.printToken);
  test::writeAll(dir.file("text.wav"), "just words");
  EXPECT_FALSE(FindPayloads(dir.file("text.wav")));
}

TEST(FindPayloads, RawManifestAndBase64BrokenAcrossLines) {
  const std::vector<Event> events = test::sampleEvents(2);
  std::vector<Layer> layers = test::sampleLayers(2);
  ManifestInput input;
  input.blocks = &layers;
  input.events = &events;
  input.t0 = 12.5;
  const std::string raw = "<VARNEL_MANIFEST enc=\"raw\">" + wrapped(base64Encode(manifestJson(input))) +
                          "</VARNEL_MANIFEST>";
  const std::string recipe = "<VARNEL_RECIPE>\n" + wrapped(base64Encode(recipeJson(events))) + "</VARNEL_RECIPE>";
  const std::string ixml = insertPayloadBlock(insertPayloadBlock(minimalIxmlDocument(), recipe), raw);
  const FilePayloads found = findPayloadsInIxml(ixml);
  ASSERT_TRUE(found.manifest);
  EXPECT_DOUBLE_EQ(found.manifest->t0, 12.5);
  EXPECT_EQ(found.manifest->results.size(), 2u);
  EXPECT_TRUE(found.manifest->printId.empty());
  ASSERT_TRUE(found.hasRecipe);
  EXPECT_EQ(found.recipeEvents.size(), 2u);

  // The deflated form wrapped the same way.
  const std::string block = manifestBlock(input);
  const size_t body = block.find('>') + 1, end = block.find("</VARNEL");
  const std::string rewrapped = block.substr(0, body) + wrapped(block.substr(body, end - body)) + block.substr(end);
  EXPECT_TRUE(findPayloadsInIxml(insertPayloadBlock(minimalIxmlDocument(), rewrapped)).manifest);
}

TEST(FindPayloads, PayloadsThatAreNotObjectsOrNotReadableAreAbsent) {
  LogCapture log;
  auto manifestOf = [](const std::string& json, const char* codec = "raw") {
    return findPayloadsInIxml("<BWFXML>  <VARNEL_MANIFEST enc=\"" + std::string(codec) + "\">" + base64Encode(json) +
                              "</VARNEL_MANIFEST>\n</BWFXML>");
  };
  EXPECT_FALSE(manifestOf("[1, 2, 3]").manifest);
  EXPECT_FALSE(manifestOf("\"text\"").manifest);
  EXPECT_FALSE(manifestOf("{\"t0\": 1}", "zstd").manifest);
  EXPECT_EQ(log.out.back(), "[Manifest] unknown payload codec \"zstd\" - cannot read\n");
  // Keys missing or of the wrong type read as their defaults.
  const auto sparse = manifestOf("{\"vn_manifest_version\": \"1\", \"t0\": \"x\", \"results\": 5}").manifest;
  ASSERT_TRUE(sparse);
  EXPECT_EQ(sparse->version, 0);
  EXPECT_EQ(sparse->t0, 0.0);
  EXPECT_TRUE(sparse->results.empty());

  EXPECT_FALSE(findPayloadsInIxml("<VARNEL_RECIPE>" + base64Encode("[1]") + "</VARNEL_RECIPE>").hasRecipe);
  EXPECT_FALSE(findPayloadsInIxml("<VARNEL_RECIPE>@@@@</VARNEL_RECIPE>").hasRecipe);
  EXPECT_FALSE(findPayloadsInIxml("<VARNEL_RECIPE>e30=").hasRecipe);  // never closed
  EXPECT_TRUE(findPayloadsInIxml("<VARNEL_RECIPE>e30=</VARNEL_RECIPE>").hasRecipe);  // "{}": no events
}

}  // namespace
}  // namespace vn
