#pragma once
// The text of a project document and its reading back into a Session.
#include <set>
#include <string>

#include "core/json_value.h"
#include "core/session.h"
#include "core/source_paths.h"

namespace vn {

constexpr int kProjectFormatVersion = 9;
constexpr int kProjectMinReaderVersion = 1;
constexpr const char* kProjectFormatName = "Varnel";

struct ProjectWriteInput {
  // The video path is written relative to it when inside; empty: in full (a
  // backup, read from another folder than the project's).
  std::string projectFolder;
  const CollectMap* collect = nullptr;
  std::set<std::string> usedFileIds;  // library files the sources use
};

std::string projectDocumentText(const Session& session, const ProjectWriteInput& input);

// Reads every Session member of a parsed document whose "format" was checked.
// Relative paths are resolved against projectFolder; formatVersion applies the
// rules of older documents. projectSampleRate keeps the Session's rate when the
// document holds a rate the program does not run at.
void readProjectDocument(const JsonValue& root, Session& session, const std::string& projectFolder,
                         int formatVersion);

}  // namespace vn
