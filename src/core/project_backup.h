#pragma once
// Beside a project P: the crash lock P + ".lock", present while the project is
// open and has been saved or backed up, and the rotating automatic backups
// Backups/<name>.backup1.vnproj (the newest) .. backupN.vnproj.
#include <string>

namespace vn {

std::string crashLockPath(const std::string& projectPath);
// Writes "pid=<process id>\n"; false when it cannot be written.
bool writeCrashLock(const std::string& projectPath);
void removeCrashLock(const std::string& projectPath);

std::string backupSlotPath(const std::string& projectPath, int slot);
// Makes room for a new slot 1: slot maxBackups is deleted and every other slot
// moves up by one (missing slots are skipped).
void rotateBackups(const std::string& projectPath, int maxBackups);

}  // namespace vn
