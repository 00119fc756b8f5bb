#pragma once
// A project on disk: the ".vnproj" document, the "Audio" folder of collected
// sounds beside it, written through a temporary file and a rename.
#include <string>

#include "core/session.h"

namespace vn {

struct ProjectLoadInfo {
  int version = 1;           // format version of the document
  int minReaderVersion = 1;  // oldest version that can read it
  std::string savedBy;       // program version that wrote it
  // "Newer version project (saved by v...) - some data may be lost if you save",
  // empty when the document is not from a newer program.
  std::string newerVersionWarning;
};

// Collects the audio beside path and writes the document. False when it could
// not be written; the file at path is then as it was.
bool saveProject(const std::string& path, const Session& session);
// The automatic backup: the document goes to slotPath, the audio is collected
// beside projectPath and its collected sources are written as absolute paths.
bool saveProjectBackup(const std::string& slotPath, const std::string& projectPath, const Session& session);
// False with the reason in error (and the Session unchanged) when the file cannot
// be read or is not a project.
bool loadProject(const std::string& path, Session& session, std::string& error, ProjectLoadInfo* info = nullptr);

}  // namespace vn
