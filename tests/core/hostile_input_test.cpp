// Damaged and hostile documents go through the readers thousands of times; the
// sanitizer build turns any out-of-bounds access or undefined arithmetic into a
// failure. Whatever a reader makes of the damage must write back as a document
// that reads and writes again to the same text.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "core/json_fields.h"
#include "core/json_parse.h"
#include "core/preferences.h"
#include "core/project_document.h"
#include "core/project_file.h"
#include "document_mutator.h"
#include "platform/log.h"
#include "sample_session.h"
#include "support/temp_dir.h"

namespace vn {
namespace {

// The full sample with every 256-point curve cut to three points (the readers
// stretch short curves), so that thousands of rounds stay quick while every
// kind of member is still there to be damaged.
std::string seedDocument() {
  Session s = test::everySessionFieldSet("/nowhere");
  s.events.resize(2);
  s.events[1].bounceSource.clear();
  s.results.resize(2);
  s.results[1].procMode = 3;
  std::string text = projectDocumentText(s, {});
  for (size_t open = text.find('['); open != std::string::npos; open = text.find('[', open + 1)) {
    size_t close = text.find_first_of("]\n", open);
    if (close != std::string::npos && text[close] == ']' && close - open > 200)
      text.replace(open, close - open + 1, "[0.25,0.5,1]");
  }
  return text;
}

std::string readAndWrite(const std::string& text) {
  JsonValue root = parseJsonText(text);
  Session s;
  readProjectDocument(root, s, "/nowhere", readInt(root, "version", 1));
  return projectDocumentText(s, {});
}

TEST(HostileInput, DamagedProjectsNeverBreakTheReader) {
  LogSink previous = setLogSink([](LogStream, const std::string&) {});
  const std::string seed = seedDocument();
  ASSERT_LT(seed.size(), 12000u);
  test::Mutator mutator(20261205);
  int objects = 0;
  for (int i = 0; i < 1000; ++i) {
    const std::string damaged = mutator.mutate(seed);
    JsonValue root = parseJsonText(damaged);
    if (!root.isObject()) continue;
    ++objects;
    Session s;
    readProjectDocument(root, s, "/nowhere", readInt(root, "version", 1));
    if (i % 8 != 0) continue;
    // Every eighth round also writes what was read (writing full curves is the
    // slow part): it must be a document, and it must settle after one more
    // round, since bytes that are not UTF-8 are written escaped and read back as
    // characters.
    const std::string rewritten = projectDocumentText(s, {});
    ASSERT_EQ(rewritten.rfind("{\n  \"format\": \"Varnel\",", 0), 0u);
    const std::string settled = readAndWrite(rewritten);
    if (settled == rewritten) continue;
    const std::string again = readAndWrite(settled);
    ASSERT_TRUE(again == settled) << "iteration " << i << ", first difference at byte "
                                  << std::mismatch(again.begin(), again.end(), settled.begin(), settled.end()).first -
                                         again.begin();
  }
  setLogSink(previous);
  // Most damage leaves a readable object behind; the readers must have seen plenty.
  EXPECT_GT(objects, 500);
}

TEST(HostileInput, DamagedFilesLoadOrFailWithAReason) {
  LogSink previous = setLogSink([](LogStream, const std::string&) {});
  test::TempDir dir;
  const std::string seed = seedDocument();
  test::Mutator mutator(7);
  const std::string path = dir.file("damaged.vnproj");
  for (int i = 0; i < 30; ++i) {
    test::writeAll(path, mutator.mutate(seed));
    Session s;
    std::string error;
    if (!loadProject(path, s, error)) {
      EXPECT_FALSE(error.empty());
      continue;
    }
    ASSERT_TRUE(saveProject(dir.file("resaved.vnproj"), s));
  }
  setLogSink(previous);
}

TEST(HostileInput, DamagedPreferencesNeverBreakTheReader) {
  Preferences full;
  full.recentProjects = {"/a/b.vnproj", "/c/d.vnproj"};
  full.libraryRoots = {{"/sfx", true, 2}};
  full.channelMaps = {{"card", {1, 2, 3}}};
  full.trainedModel.valid = true;
  full.updateAvailableVersion = "2027.1";
  full.updateAvailableNotes = {"note"};
  const std::string seed = preferencesText(full);
  test::Mutator mutator(99);
  LogSink previous = setLogSink([](LogStream, const std::string&) {});
  for (int i = 0; i < 1000; ++i) {
    Preferences p;
    applyPreferencesText(mutator.mutate(seed), p);
    ASSERT_GE(p.maxBackups, 1);
    ASSERT_LE(p.maxBackups, 50);
    ASSERT_GE(p.autoSaveInterval, 30.0f);
    ASSERT_LE(p.recentProjects.size(), static_cast<size_t>(kMaxRecentProjects));
    if (i % 8 != 0) continue;
    // What was read writes back to a text that settles after one more round (the
    // repairs after reading may fill in a value once, and a value the writer
    // cannot write is dropped once).
    Preferences second;
    applyPreferencesText(preferencesText(p), second);
    const std::string settled = preferencesText(second);
    Preferences third;
    applyPreferencesText(settled, third);
    ASSERT_TRUE(preferencesText(third) == settled) << "iteration " << i;
  }
  setLogSink(previous);
}

}  // namespace
}  // namespace vn
