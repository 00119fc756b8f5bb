#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/project_backup.h"
#include "core/project_commands.h"
#include "core/project_file.h"
#include "platform/log.h"
#include "support/temp_dir.h"

namespace vn {
namespace {

namespace fs = std::filesystem;

// A context over its own Session and preferences that records every status
// shown and writes the preferences nowhere.
struct Fixture {
  Session session;
  Preferences prefs;
  ProjectContext context;
  std::vector<std::string> statuses;
  int preferenceWrites = 0;
  std::string log;
  LogSink previousSink;

  Fixture() {
    context.session = &session;
    context.preferences = &prefs;
    context.showStatus = [this](const std::string& s) { statuses.push_back(s); };
    context.writePreferences = [this] { ++preferenceWrites; };
    previousSink = setLogSink([this](LogStream, const std::string& line) { log += line; });
  }
  ~Fixture() { setLogSink(previousSink); }
};

Event eventWithKeywords(const std::string& keywords) {
  Event e;
  e.keywords = keywords;
  return e;
}

TEST(ProjectCommands, SaveAddsTheExtensionLockAndRecentEntry) {
  test::TempDir dir;
  fs::create_directories(dir.file("x"));
  Fixture f;
  f.session.events.push_back(eventWithKeywords("door"));
  f.session.dirty = true;
  ASSERT_TRUE(saveProjectCommand(f.context, dir.file("x/take")));
  const std::string path = dir.file("x/take.vnproj");
  EXPECT_TRUE(fs::exists(path));
  EXPECT_EQ(test::readAll(path + ".lock"), "pid=" + std::to_string(::getpid()) + "\n");
  EXPECT_EQ(f.context.projectPath, path);
  EXPECT_EQ(f.context.status, "Project saved");
  EXPECT_FALSE(f.session.dirty);
  EXPECT_EQ(f.prefs.recentProjects.front(), path);
  EXPECT_EQ(f.preferenceWrites, 1);

  // A name that already ends in the extension keeps it, in any case.
  ASSERT_TRUE(saveProjectCommand(f.context, dir.file("x/Other.VNPROJ")));
  EXPECT_TRUE(fs::exists(dir.file("x/Other.VNPROJ")));
  EXPECT_EQ(f.prefs.recentProjects.size(), 2u);

  f.session.dirty = true;
  EXPECT_FALSE(saveProjectCommand(f.context, dir.file("no/such/folder/take")));
  EXPECT_EQ(f.context.status, "Save failed");
  EXPECT_EQ(f.context.projectPath, dir.file("x/Other.VNPROJ"));
  EXPECT_TRUE(f.session.dirty);
}

TEST(ProjectCommands, OpenReportsEachOutcome) {
  test::TempDir dir;
  Fixture f;
  EXPECT_FALSE(openProject(f.context, ""));
  EXPECT_TRUE(f.statuses.empty());
  EXPECT_FALSE(openProject(f.context, dir.file("none.vnproj")));
  EXPECT_EQ(f.context.status, "File not found");

  f.session.events.push_back(eventWithKeywords("keep me"));
  test::writeAll(dir.file("bad.vnproj"), "not json at all");
  EXPECT_FALSE(openProject(f.context, dir.file("bad.vnproj")));
  EXPECT_EQ(f.context.status, "Error: Invalid JSON");
  ASSERT_EQ(f.session.events.size(), 1u);
  EXPECT_EQ(f.session.events[0].keywords, "keep me");

  test::writeAll(dir.file("missing.vnproj"),
                 R"({"format": "Varnel", "version": 9, "projectSampleRate": 96000, "minReaderVersion": 11,
                     "results": [{"filepath": "/no/such/sound.wav"}]})");
  f.context.applySampleRate = [](int rate) { return rate != 96000; };
  int audioLoads = 0;
  f.context.startLoadingAudio = [&] { ++audioLoads; };
  f.statuses.clear();
  ASSERT_TRUE(openProject(f.context, dir.file("missing.vnproj")));
  EXPECT_EQ(f.statuses, (std::vector<std::string>{"The audio device refused this sample rate", "Loading audio\u2026",
                                                  "Opened (some files missing)"}));
  EXPECT_EQ(audioLoads, 1);
  EXPECT_EQ(f.context.projectPath, dir.file("missing.vnproj"));
  EXPECT_EQ(f.context.newerVersionWarning, "Newer version project - some data may be lost if you save");
  EXPECT_EQ(f.prefs.recentProjects.front(), dir.file("missing.vnproj"));
  EXPECT_GE(f.preferenceWrites, 1);
}

TEST(ProjectCommands, CrashLockOpensTheNewestBackup) {
  test::TempDir dir;
  Fixture f;
  const std::string path = dir.file("film.vnproj");
  Session saved;
  saved.events.push_back(eventWithKeywords("saved"));
  ASSERT_TRUE(saveProject(path, saved));

  // A lock without a backup: the project itself opens, and the lock goes.
  ASSERT_TRUE(writeCrashLock(path));
  ASSERT_TRUE(openProject(f.context, path));
  EXPECT_EQ(f.context.status, "Project opened");
  EXPECT_EQ(f.session.events[0].keywords, "saved");
  EXPECT_FALSE(fs::exists(crashLockPath(path)));

  Session backedUp;
  backedUp.events.push_back(eventWithKeywords("backup"));
  fs::create_directories(dir.file("Backups"));
  ASSERT_TRUE(saveProjectBackup(backupSlotPath(path, 1), path, backedUp));
  EXPECT_EQ(backupSlotPath(path, 1), dir.file("Backups/film.backup1.vnproj"));

  // With no lock the backup is ignored.
  ASSERT_TRUE(openProject(f.context, path));
  EXPECT_EQ(f.session.events[0].keywords, "saved");

  ASSERT_TRUE(writeCrashLock(path));
  ASSERT_TRUE(openProject(f.context, path));
  EXPECT_EQ(f.context.status, "Recovered from backup");
  EXPECT_EQ(f.session.events[0].keywords, "backup");
  EXPECT_EQ(f.context.projectPath, path);
  EXPECT_FALSE(fs::exists(crashLockPath(path)));
  EXPECT_NE(f.log.find("[Recovery] Crash lock detected - loading backup: " + backupSlotPath(path, 1) + "\n"),
            std::string::npos);

  // New project clears the Session and the lock.
  ASSERT_TRUE(writeCrashLock(path));
  newProject(f.context);
  EXPECT_TRUE(f.session.events.empty());
  EXPECT_TRUE(f.context.projectPath.empty());
  EXPECT_FALSE(fs::exists(crashLockPath(path)));
}

TEST(ProjectCommands, ARecoveredBackupFindsTheVideoAndSoundsOfTheProjectFolderAndIsUnsaved) {
  test::TempDir dir;
  Fixture f;
  const std::string path = dir.file("reel/reel.vnproj");
  fs::create_directories(dir.file("reel"));
  test::writeAll(dir.file("reel/picture.mp4"), "not really a video");
  test::writeAll(dir.file("elsewhere.wav"), "a sound from a library");
  Session s;
  s.videoPath = dir.file("reel/picture.mp4");
  s.events.push_back(eventWithKeywords("door"));
  Layer layer;
  layer.filepath = dir.file("elsewhere.wav");
  layer.eventIdx = 0;
  layer.id = 1;
  s.results.push_back(layer);
  ASSERT_TRUE(saveProject(path, s));  // the sound is collected into reel/Audio
  rotateBackups(path, 3);
  s.events[0].keywords = "door, edited since";
  ASSERT_TRUE(saveProjectBackup(backupSlotPath(path, 1), path, s));
  ASSERT_TRUE(writeCrashLock(path));

  ASSERT_TRUE(openProject(f.context, path));
  EXPECT_EQ(f.context.status, "Recovered from backup");
  EXPECT_EQ(f.session.events[0].keywords, "door, edited since");
  EXPECT_EQ(f.session.videoPath, dir.file("reel/picture.mp4"));
  ASSERT_EQ(f.session.results.size(), 1u);
  EXPECT_EQ(f.session.results[0].filepath, dir.file("reel/Audio/elsewhere.wav"));
  EXPECT_TRUE(f.session.missingFiles.empty());
  EXPECT_TRUE(f.session.dirty);  // the project file still holds the older state

  // Opened normally, the project itself is saved as it stands.
  ASSERT_TRUE(openProject(f.context, path));
  EXPECT_EQ(f.context.status, "Project opened");
  EXPECT_EQ(f.session.videoPath, dir.file("reel/picture.mp4"));
  EXPECT_FALSE(f.session.dirty);
}

TEST(ProjectCommands, AutomaticBackupRotatesSlotsAndNeverTouchesTheProject) {
  test::TempDir dir;
  Fixture f;
  f.prefs.maxBackups = 3;
  f.prefs.autoSaveInterval = 30.0f;
  fs::create_directories(dir.file("sounds"));
  test::writeAll(dir.file("sounds/hit.wav"), "hit");
  Layer layer;
  layer.filepath = dir.file("sounds/hit.wav");
  f.session.results.push_back(layer);
  ASSERT_TRUE(saveProjectCommand(f.context, dir.file("film")));
  const std::string path = f.context.projectPath;
  const std::string project = test::readAll(path);
  fs::remove(crashLockPath(path));
  fs::create_directories(dir.file("Backups"));
  for (int slot = 1; slot <= 3; ++slot) test::writeAll(backupSlotPath(path, slot), "slot " + std::to_string(slot));

  // Nothing happens while the Session is clean or a job holds it.
  autoSaveTick(f.context, 100.0);
  EXPECT_EQ(f.context.autoSaveTimer, 0.0);
  f.session.dirty = true;
  bool jobRunning = true;
  f.context.jobHoldsSession = [&] { return jobRunning; };
  autoSaveTick(f.context, 100.0);
  EXPECT_EQ(f.context.autoSaveTimer, 0.0);
  jobRunning = false;
  autoSaveTick(f.context, 20.0);
  EXPECT_EQ(test::readAll(backupSlotPath(path, 1)), "slot 1");

  f.session.events.push_back(eventWithKeywords("new work"));
  f.session.results[0].filepath = dir.file("sounds/hit.wav");
  autoSaveTick(f.context, 10.0);
  EXPECT_EQ(f.context.autoSaveTimer, 0.0);
  EXPECT_EQ(test::readAll(backupSlotPath(path, 3)), "slot 2");
  EXPECT_EQ(test::readAll(backupSlotPath(path, 2)), "slot 1");
  EXPECT_EQ(f.context.status, "Auto-saved (backup)");
  EXPECT_NE(f.log.find("[AutoSave] Backed up to slot 1 (" + backupSlotPath(path, 1) + ")\n"), std::string::npos);
  EXPECT_TRUE(fs::exists(crashLockPath(path)));
  EXPECT_EQ(test::readAll(path), project);
  EXPECT_TRUE(f.session.dirty);

  // The backup names its collected sounds in full, so it opens from the Backups folder.
  Session backup;
  std::string error;
  ASSERT_TRUE(loadProject(backupSlotPath(path, 1), backup, error)) << error;
  EXPECT_EQ(backup.events[0].keywords, "new work");
  EXPECT_EQ(backup.results[0].filepath, dir.file("Audio/hit.wav"));
  EXPECT_TRUE(backup.missingFiles.empty());

  // Turned off, the timer stands still.
  f.prefs.autoSaveEnabled = false;
  autoSaveTick(f.context, 500.0);
  EXPECT_EQ(f.context.autoSaveTimer, 0.0);
  closeProject(f.context);
  EXPECT_FALSE(fs::exists(crashLockPath(path)));
}

}  // namespace
}  // namespace vn
