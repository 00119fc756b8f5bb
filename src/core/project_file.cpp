#include "core/project_file.h"

#include <algorithm>

#include "core/collect_audio.h"
#include "core/json_fields.h"
#include "core/json_parse.h"
#include "core/project_document.h"
#include "core/read_file.h"
#include "platform/atomic_write.h"
#include "platform/log.h"
#include "platform/paths.h"

namespace vn {
namespace {

bool writeDocument(const std::string& path, const std::string& text) {
  WriteResult written = writeFileAtomic(path, text);
  if (written.ok) return true;
  if (written.renameFailed)
    logLine("[Project] Rename failed: %s\n", written.error.c_str());
  else
    logLine("[Project] Could not write %s: %s\n", path.c_str(), written.error.c_str());
  return false;
}

int countCollected(const CollectMap& collect) {
  return static_cast<int>(std::count_if(collect.begin(), collect.end(), [](const auto& entry) {
    return entry.second.compare(0, 6, "Audio/") == 0;
  }));
}

std::string newerVersionWarning(const std::string& savedBy) {
  std::string text = "Newer version project";
  if (!savedBy.empty()) text += " (saved by v" + savedBy + ")";
  return text + " - some data may be lost if you save";
}

}  // namespace

bool saveProject(const std::string& path, const Session& session) {
  const std::string absolute = absolutePath(path);
  const std::string folder = parentFolder(absolute);
  CollectedAudio audio = collectAudio(session, folder);
  ProjectWriteInput input{folder, &audio.collect, std::move(audio.usedFileIds)};
  if (!writeDocument(absolute, projectDocumentText(session, input))) return false;
  logLine("[Project] Saved %s - %d audio files collected\n", path.c_str(), countCollected(audio.collect));
  return true;
}

bool saveProjectBackup(const std::string& slotPath, const std::string& projectPath, const Session& session) {
  const std::string folder = parentFolder(absolutePath(projectPath));
  CollectedAudio audio = collectAudio(session, folder);
  // The backup lies in another folder, so it names the video and the collected
  // copies in full.
  for (auto& entry : audio.collect) entry.second = pathJoin(folder, entry.second);
  ProjectWriteInput input{{}, &audio.collect, std::move(audio.usedFileIds)};
  return writeDocument(slotPath, projectDocumentText(session, input));
}

bool loadProject(const std::string& path, Session& session, std::string& error, ProjectLoadInfo* info) {
  std::string text;
  std::string reason;
  if (!readWholeFile(path, text, reason)) {
    error = "Could not open file: " + path;
    return false;
  }
  if (text.empty()) {
    error = "Empty file";
    return false;
  }
  JsonValue root = parseJsonText(text);
  if (!root.isObject()) {
    error = "Invalid JSON";
    return false;
  }
  if (member(root, "format").text() != kProjectFormatName) {
    error = "Not a Varnel project file";
    return false;
  }
  ProjectLoadInfo header;
  header.version = readInt(root, "version", 1);
  header.minReaderVersion = readInt(root, "minReaderVersion", 1);
  header.savedBy = readString(root, "savedBy");
  if (header.minReaderVersion > kProjectFormatVersion) header.newerVersionWarning = newerVersionWarning(header.savedBy);
  readProjectDocument(root, session, parentFolder(absolutePath(path)), header.version);
  if (info) *info = std::move(header);
  return true;
}

}  // namespace vn
