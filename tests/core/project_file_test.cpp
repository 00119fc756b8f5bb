#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "core/file_lookup.h"
#include "core/json_parse.h"
#include "core/project_file.h"
#include "platform/log.h"
#include "sample_session.h"
#include "support/temp_dir.h"

namespace vn {
namespace {

namespace fs = std::filesystem;

// Captures diagnostic lines for the life of the object.
class LogCapture {
 public:
  LogCapture() {
    previous_ = setLogSink([this](LogStream, const std::string& line) { lines_ += line; });
  }
  ~LogCapture() { setLogSink(previous_); }
  const std::string& text() const { return lines_; }

 private:
  LogSink previous_;
  std::string lines_;
};

Session loaded(const std::string& path, ProjectLoadInfo* info = nullptr) {
  Session s;
  std::string error;
  EXPECT_TRUE(loadProject(path, s, error, info)) << error;
  return s;
}

TEST(ProjectFile, EveryFieldSurvivesSaveLoadSave) {
  test::TempDir dir;
  LogCapture log;
  const std::string first = dir.file("first.vnproj");
  const std::string second = dir.file("second.vnproj");
  Session original = test::everySessionFieldSet("/nowhere");
  ASSERT_TRUE(saveProject(first, original));
  Session back = loaded(first);
  ASSERT_TRUE(saveProject(second, back));
  EXPECT_EQ(test::readAll(first), test::readAll(second));
  EXPECT_FALSE(fs::exists(first + ".tmp"));

  // Spot checks that the values themselves came back, not only the text.
  EXPECT_EQ(back.settings.projectSampleRate, 96000);
  EXPECT_EQ(back.events.size(), 3u);
  EXPECT_EQ(back.events[1].shape, ShapeType::Bed);
  EXPECT_EQ(back.results.size(), 4u);
  EXPECT_EQ(back.results[3].foldTarget, static_cast<int>(back.results[0].id));
  EXPECT_EQ(back.results[3].alloyEnv.fileId, "00000000000000cc");
  EXPECT_EQ(back.trackLayout.busses[3].busId, 7);
  EXPECT_EQ(back.trackLayout.busses[1].slots.size(), 2u);
  EXPECT_EQ(back.trackLayout.busses[1].slots[0].label, "Hits");
  EXPECT_EQ(back.trackLayout.shapeHome[6], 7);
  EXPECT_EQ(back.trackLayout.busOrder[0], 3);
  EXPECT_EQ(back.fileRefs.size(), 1u);
  EXPECT_EQ(back.fileRefs[0].hash, 0xfeedfacecafebeefULL);
  EXPECT_EQ(back.fileRefs[0].size, 123456789012ULL);
  EXPECT_EQ(back.bannedFileIds, original.bannedFileIds);
  EXPECT_EQ(back.linkedGroups, original.linkedGroups);
  EXPECT_EQ(back.scenes[1].name, "Street");
  EXPECT_EQ(back.userShapes.size(), 2u);
  EXPECT_EQ(back.userShapes[0].weight, flatCurve(0.25f));
  EXPECT_EQ(back.traceSummary.frames.size(), 3u);
  EXPECT_FLOAT_EQ(back.traceSummary.frames[2][10], 0.32f);
  EXPECT_FALSE(back.traceSummary.events[0].accepted);
  EXPECT_EQ(back.groupGain[3], 1.25f);
  EXPECT_EQ(back.projectDescription, original.projectDescription);
  EXPECT_FALSE(back.exportSettings.exportAAFSourceChannels);
  EXPECT_EQ(back.reverb.groupSends[2], 0.5f);
  // Every layer source is missing on this machine.
  EXPECT_EQ(back.missingFiles.size(), 4u);
  EXPECT_NE(log.text().find("[Project] Saved " + first + " - 0 audio files collected\n"), std::string::npos);
}

TEST(ProjectFile, DocumentLayoutHasItsFixedHeadAndOrder) {
  test::TempDir dir;
  LogCapture log;
  Session s = test::everySessionFieldSet("/nowhere");
  ASSERT_TRUE(saveProject(dir.file("p.vnproj"), s));
  std::string text = test::readAll(dir.file("p.vnproj"));
  EXPECT_EQ(text.rfind("{\n  \"format\": \"Varnel\",\n  \"version\": 9,\n  \"minReaderVersion\": 1,\n  \"savedBy\": \"", 0), 0u);
  EXPECT_EQ(text.substr(text.size() - 2), "\n}");
  std::vector<std::string> order = {"\"videoPath\"", "\"groupGain0\"", "\"groupGain3\"", "\"projectDescription\"",
                                    "\"alloyFilterBands\"", "\"libraryPaths\"", "\"trackLayout\"", "\"bannedFiles\"",
                                    "\"bannedFileIds\"", "\"fileRefs\"", "\"linkedGroups\"", "\"userShapes\"",
                                    "\"events\"", "\"results\"", "\"exportWithHandles\"", "\"exportAAFSourceChannels\"",
                                    "\"workAreaIn\"", "\"scenes\"", "\"reverb\"", "\"optical\""};
  size_t at = 0;
  for (const std::string& key : order) {
    size_t found = text.find(key, at);
    ASSERT_NE(found, std::string::npos) << key << " missing or out of order";
    at = found;
  }
  EXPECT_EQ(text.find("\"groupGain4\""), std::string::npos);
  EXPECT_NE(text.find("\"busOrder\": [3, 0, 2, 1]"), std::string::npos);
  EXPECT_NE(text.find("{\"n\": 2, \"fmt\": 1, \"label\": \"Hits\"}"), std::string::npos);
  EXPECT_NE(text.find("\"hash\": \"feedfacecafebeef\""), std::string::npos);
  EXPECT_NE(text.find("\"size\": \"123456789012\""), std::string::npos);
  EXPECT_NE(text.find("\"frameStride\": 11"), std::string::npos);

  // Optional members are left out of an empty session; the optical block needs frames.
  Session empty;
  ASSERT_TRUE(saveProject(dir.file("e.vnproj"), empty));
  std::string plain = test::readAll(dir.file("e.vnproj"));
  for (const char* absent : {"projectDescription", "bannedFileIds", "fileRefs", "linkedGroups", "optical"})
    EXPECT_EQ(plain.find(absent), std::string::npos) << absent;
  EXPECT_NE(plain.find("\"groupGain2\""), std::string::npos);
}

TEST(ProjectFile, VersionRulesOfOlderAndNewerDocuments) {
  test::TempDir dir;
  auto load = [&](const std::string& text, ProjectLoadInfo* info = nullptr, int currentRate = 44100) {
    test::writeAll(dir.file("v.vnproj"), text);
    Session s;
    s.settings.projectSampleRate = currentRate;
    std::string error;
    EXPECT_TRUE(loadProject(dir.file("v.vnproj"), s, error, info)) << error;
    return s;
  };
  // No version: the old shape numbering.
  Session v1 = load(R"({"format": "Varnel", "events": [{"shape": 2}]})");
  EXPECT_EQ(v1.events[0].shape, ShapeType::Bloom);
  EXPECT_TRUE(v1.events[0].alloy);
  EXPECT_EQ(load(R"({"format": "Varnel", "version": 2, "events": [{"shape": 2}]})").events[0].shape,
            ShapeType::Contour);

  ProjectLoadInfo info;
  load(R"({"format": "Varnel", "version": 12, "minReaderVersion": 10, "savedBy": "2031.1.0"})", &info);
  EXPECT_EQ(info.newerVersionWarning, "Newer version project (saved by v2031.1.0) - some data may be lost if you save");
  load(R"({"format": "Varnel", "version": 12, "minReaderVersion": 10})", &info);
  EXPECT_EQ(info.newerVersionWarning, "Newer version project - some data may be lost if you save");
  load(R"({"format": "Varnel", "version": 9, "minReaderVersion": 9})", &info);
  EXPECT_EQ(info.newerVersionWarning, "");

  EXPECT_EQ(load(R"({"format": "Varnel", "projectSampleRate": 22050})").settings.projectSampleRate, 44100);
  EXPECT_EQ(load(R"({"format": "Varnel", "projectSampleRate": 88200})").settings.projectSampleRate, 88200);
  EXPECT_EQ(load(R"({"format": "Varnel"})").settings.projectSampleRate, 48000);

  const std::string layout = R"("trackLayout": {"busCount": 2, "templateMode": true, "nextBusId": 1,
      "shapeHome": [0, 0, 0, 0, 0, 0, 0],
      "group0": {"busId": 5, "slots": [{"n": 2, "fmt": 1}, {"n": 0, "fmt": 0}, {"n": 40, "fmt": 9}]},
      "group1": {"busId": 6, "monoTracks": 1, "stereoTracks": 0, "tracks71": 2}})";
  Session v9 = load(R"({"format": "Varnel", "version": 9, )" + layout + "}");
  const TrackLayout& t9 = v9.trackLayout;
  ASSERT_EQ(t9.busses[0].slots.size(), 2u);  // the empty slot is dropped
  EXPECT_EQ(t9.busses[0].slots[1].count, 32);
  EXPECT_EQ(t9.busses[0].slots[1].fmt, 3);
  ASSERT_EQ(t9.busses[1].slots.size(), 2u);  // from the template counts
  EXPECT_EQ(t9.busses[1].slots[0].fmt, 0);
  EXPECT_EQ(t9.busses[1].slots[1].fmt, 3);
  EXPECT_EQ(t9.busses[1].slots[1].count, 2);
  EXPECT_EQ(t9.nextBusId, 7);
  EXPECT_EQ(t9.shapeHome[0], 0);

  // Version 5: slots are lost and the shape homes fall back to the first bus where
  // the default names no bus.
  Session v5 = load(R"({"format": "Varnel", "version": 5, )" + layout + "}");
  EXPECT_TRUE(v5.trackLayout.busses[0].slots.empty());
  EXPECT_EQ(v5.trackLayout.busses[1].slots.size(), 2u);
  for (int home : v5.trackLayout.shapeHome) EXPECT_EQ(home, 5);
  Session defaults = load(R"({"format": "Varnel", "version": 5, "trackLayout": {"busCount": 2}})");
  EXPECT_EQ(defaults.trackLayout.shapeHome, (std::array<int, kShapeCount>{1, 0, 0, 0, 1, 1, 0}));
  EXPECT_EQ(defaults.trackLayout.busses[0].name, "Backgrounds");

  // Documents before version 7 drop the stored loudness gains.
  EXPECT_EQ(load(R"({"format": "Varnel", "version": 6, "results": [{"normGain": 0.5}]})").results[0].normGain, 1.0f);
  EXPECT_EQ(load(R"({"format": "Varnel", "version": 7, "results": [{"normGain": 0.5}]})").results[0].normGain, 0.5f);

  Session optical = load(R"({"format": "Varnel", "optical": {"frameStride": 8, "numFrames": 9, "spatialEnhanced": true,
      "opticalDetail": 3, "frames": [1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23]}})");
  ASSERT_EQ(optical.traceSummary.frames.size(), 2u);
  EXPECT_EQ(optical.traceSummary.frames[1][0], 12.0f);
  EXPECT_EQ(optical.traceSummary.numFrames, 2);
  EXPECT_EQ(optical.traceSummary.spatialDiffuse, 1.0f);
  EXPECT_EQ(optical.traceSummary.opticalDetail, 1.0f);
}

TEST(ProjectFile, UnreadableDocumentsLeaveTheSessionAlone) {
  test::TempDir dir;
  Session s = test::everySessionFieldSet("/nowhere");
  const size_t events = s.events.size();
  auto failure = [&](const std::string& path) {
    std::string error;
    EXPECT_FALSE(loadProject(path, s, error));
    EXPECT_EQ(s.events.size(), events);
    return error;
  };
  EXPECT_EQ(failure(dir.file("none.vnproj")), "Could not open file: " + dir.file("none.vnproj"));
  EXPECT_EQ(failure(dir.path()), "Could not open file: " + dir.path());
  test::writeAll(dir.file("empty.vnproj"), "");
  EXPECT_EQ(failure(dir.file("empty.vnproj")), "Empty file");
  test::writeAll(dir.file("array.vnproj"), "[1, 2]");
  EXPECT_EQ(failure(dir.file("array.vnproj")), "Invalid JSON");
  test::writeAll(dir.file("other.vnproj"), R"({"format": "Varnell"})");
  EXPECT_EQ(failure(dir.file("other.vnproj")), "Not a Varnel project file");
  test::writeAll(dir.file("binary.vnproj"), std::string("\x89PNG\r\n\x1a\n\0\0", 10));
  EXPECT_EQ(failure(dir.file("binary.vnproj")), "Invalid JSON");
}

TEST(ProjectFile, FailedSavesKeepThePreviousFileByteForByte) {
  test::TempDir dir;
  LogCapture log;
  const std::string path = dir.file("keep.vnproj");
  Session small;
  ASSERT_TRUE(saveProject(path, small));
  const std::string before = test::readAll(path);
  Session big = test::everySessionFieldSet("/nowhere");

  // A full device: the file-size limit makes the write fail part way.
  struct rlimit old {};
  ::getrlimit(RLIMIT_FSIZE, &old);
  auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit tight = old;
  tight.rlim_cur = 4096;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tight), 0);
  const bool savedWhileFull = saveProject(path, big);
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, previousHandler);
  EXPECT_FALSE(savedWhileFull);
  EXPECT_EQ(test::readAll(path), before);
  EXPECT_FALSE(fs::exists(path + ".tmp"));
  EXPECT_NE(log.text().find("[Project] Could not write"), std::string::npos);

  // A target that is a folder: the rename fails.
  fs::create_directories(dir.file("folder.vnproj/inside"));
  EXPECT_FALSE(saveProject(dir.file("folder.vnproj"), big));
  EXPECT_NE(log.text().find("[Project] Rename failed: "), std::string::npos);
  EXPECT_FALSE(fs::exists(dir.file("folder.vnproj.tmp")));
  EXPECT_TRUE(fs::is_directory(dir.file("folder.vnproj/inside")));

  // A folder that does not exist.
  EXPECT_FALSE(saveProject(dir.file("missing/p.vnproj"), big));

  // A read-only folder (root writes regardless, so only checked for other users).
  if (::geteuid() != 0) {
    fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
    const bool savedReadOnly = saveProject(path, big);
    fs::permissions(dir.path(), fs::perms::owner_all);
    EXPECT_FALSE(savedReadOnly);
    EXPECT_EQ(test::readAll(path), before);
  }
}

TEST(ProjectFile, CollectsSoundsBesideTheProject) {
  test::TempDir dir;
  LogCapture log;
  fs::create_directories(dir.file("a"));
  fs::create_directories(dir.file("b"));
  fs::create_directories(dir.file("project"));
  test::writeAll(dir.file("a/boom.wav"), "first boom");
  test::writeAll(dir.file("b/boom.wav"), "second boom");
  test::writeAll(dir.file("a/pin.wav"), "pinned");
  Session s;
  for (const char* source : {"a/boom.wav", "b/boom.wav", "a/boom.wav", "gone/boom.wav"}) {
    Layer l;
    l.filepath = dir.file(source);
    l.fileId = std::string(source) == "b/boom.wav" ? "00000000000000b0" : "";
    s.results.push_back(l);
  }
  Event e;
  e.pinnedFiles = {dir.file("a/pin.wav")};
  s.events.push_back(e);
  const std::string path = dir.file("project/take.vnproj");
  ASSERT_TRUE(saveProject(path, s));
  EXPECT_EQ(test::readAll(dir.file("project/Audio/boom.wav")), "first boom");
  EXPECT_EQ(test::readAll(dir.file("project/Audio/boom_2.wav")), "second boom");
  EXPECT_EQ(test::readAll(dir.file("project/Audio/pin.wav")), "pinned");
  EXPECT_NE(log.text().find(" - 3 audio files collected\n"), std::string::npos);
  std::string text = test::readAll(path);
  EXPECT_NE(text.find("\"filepath\": \"Audio/boom_2.wav\""), std::string::npos);
  EXPECT_NE(text.find("\"filepath\": \"" + dir.file("gone/boom.wav") + "\""), std::string::npos);
  // The layer's library id is referenced, but no Library knows it: nothing to write.
  EXPECT_EQ(text.find("\"fileRefs\""), std::string::npos);

  // Reopened, the layers point into the Audio folder; saving again adds no new names.
  Session back = loaded(path);
  EXPECT_EQ(back.results[1].filepath, dir.file("project/Audio/boom_2.wav"));
  EXPECT_EQ(back.missingFiles, (std::vector<std::string>{dir.file("gone/boom.wav")}));
  ASSERT_TRUE(saveProject(path, back));
  EXPECT_FALSE(fs::exists(dir.file("project/Audio/boom_3.wav")));
  EXPECT_EQ(test::readAll(path), text);

  // A copy that fails is logged, and the source keeps its own path.
  const std::string blocked = dir.file("blocked/take.vnproj");
  fs::create_directories(dir.file("blocked"));
  test::writeAll(dir.file("blocked/Audio"), "a file where the folder should be");
  ASSERT_TRUE(saveProject(blocked, s));
  EXPECT_NE(log.text().find("[Project] Failed to collect " + dir.file("a/boom.wav") + ": "), std::string::npos);
  EXPECT_NE(test::readAll(blocked).find("\"filepath\": \"" + dir.file("a/boom.wav") + "\""), std::string::npos);
}

TEST(ProjectFile, LibraryLookupResolvesMovedFilesAndReceivesReferences) {
  test::TempDir dir;
  LogCapture log;
  test::writeAll(dir.file("moved.wav"), "x");
  std::vector<FileRef> registered;
  FileLookup lookup;
  lookup.registerFileRef = [&](const FileRef& ref) { registered.push_back(ref); };
  lookup.pathForId = [&](const std::string& id) { return id == "00000000000000aa" ? dir.file("moved.wav") : ""; };
  lookup.fileRefForId = [&](const std::string& id) -> std::optional<FileRef> {
    if (id != "00000000000000aa") return std::nullopt;
    return FileRef{id, 0x1234, 99, dir.file("moved.wav")};
  };
  lookup.idForPath = [](const std::string& path) { return path == "/banned.wav" ? "00000000000000ee" : ""; };
  installFileLookup(lookup);
  test::writeAll(dir.file("p.vnproj"), R"({"format": "Varnel", "version": 9,
      "fileRefs": [{"id": "00000000000000aa", "hash": "00000000deadbeef", "size": "42", "path": "old/place.wav"},
                   {"hash": "1"}],
      "bannedFiles": ["/banned.wav", "/other.wav"],
      "results": [{"filepath": "/old/place.wav", "fileId": "00000000000000aa"}]})");
  Session s = loaded(dir.file("p.vnproj"));
  ASSERT_EQ(registered.size(), 1u);
  EXPECT_EQ(registered[0].hash, 0xdeadbeefULL);
  EXPECT_EQ(registered[0].size, 42u);
  EXPECT_EQ(s.results[0].filepath, dir.file("moved.wav"));
  EXPECT_TRUE(s.missingFiles.empty());
  EXPECT_EQ(s.bannedFileIds, (std::vector<std::string>{"00000000000000ee", ""}));
  ASSERT_TRUE(saveProject(dir.file("q.vnproj"), s));
  installFileLookup({});
  std::string text = test::readAll(dir.file("q.vnproj"));
  EXPECT_NE(text.find("\"hash\": \"0000000000001234\""), std::string::npos);
  EXPECT_NE(text.find("\"path\": \"Audio/moved.wav\""), std::string::npos);
}

}  // namespace
}  // namespace vn
