#include "core/collect_audio.h"

#include <filesystem>
#include <map>
#include <vector>

#include "core/read_file.h"
#include "platform/atomic_write.h"
#include "platform/log.h"
#include "platform/paths.h"

namespace vn {
namespace {

struct Source {
  std::string path;
  std::string fileId;
};

constexpr int kAlloyProcMode = 3;

std::vector<Source> gatherSources(const Session& session) {
  std::vector<Source> sources;
  auto add = [&](const std::string& path, const std::string& id) {
    if (!path.empty()) sources.push_back({path, id});
  };
  for (const Layer& l : session.results) {
    add(l.filepath, l.fileId);
    if (l.procMode == kAlloyProcMode)
      for (const AlloySource* s : {&l.alloyMid, &l.alloyHigh, &l.alloyEnv}) add(s->filepath, s->fileId);
  }
  for (const Event& e : session.events) {
    if (e.hasPinned) add(e.pinnedFile, e.pinnedFileId);
    for (size_t i = 0; i < e.pinnedFiles.size(); ++i)
      add(e.pinnedFiles[i], i < e.pinnedFileIds.size() ? e.pinnedFileIds[i] : std::string());
  }
  return sources;
}

std::string copyFile(const std::string& from, const std::string& to) {
  std::string bytes;
  std::string error;
  if (!readWholeFile(from, bytes, error)) return error;
  WriteResult written = writeFileAtomic(to, bytes);
  return written.ok ? std::string() : written.error;
}

// The name a file of this name takes in the Audio folder when it is already taken.
std::string freeName(const std::string& name, const std::map<std::string, std::string>& taken) {
  const std::string stem = stemOf(name);
  const std::string extension = extensionOf(name);
  for (int n = 2;; ++n) {
    std::string candidate = stem + "_" + std::to_string(n) + extension;
    if (!taken.count(candidate)) return candidate;
  }
}

}  // namespace

CollectedAudio collectAudio(const Session& session, const std::string& projectFolder) {
  CollectedAudio result;
  const std::vector<Source> sources = gatherSources(session);
  for (const Source& s : sources)
    if (!s.fileId.empty()) result.usedFileIds.insert(s.fileId);

  const std::string audioFolder = absolutePath(pathJoin(projectFolder, "Audio"));
  std::error_code ec;
  std::filesystem::create_directory(audioFolder, ec);

  std::map<std::string, std::string> takenBy;   // name in Audio -> absolute source
  std::map<std::string, std::string> nameOf;    // absolute source -> name in Audio
  // Sounds already collected keep their names, so a newcomer never overwrites one.
  for (const Source& s : sources) {
    const std::string absolute = absolutePath(s.path);
    if (parentFolder(absolute) != audioFolder) continue;
    const std::string name = fileNameOf(absolute);
    takenBy.emplace(name, absolute);
    nameOf.emplace(absolute, name);
    result.collect[s.path] = "Audio/" + name;
  }
  for (const Source& s : sources) {
    if (result.collect.count(s.path) || !fileExists(s.path)) continue;
    const std::string absolute = absolutePath(s.path);
    auto known = nameOf.find(absolute);
    if (known != nameOf.end()) {
      result.collect[s.path] = "Audio/" + known->second;
      continue;
    }
    std::string name = fileNameOf(absolute);
    if (takenBy.count(name)) name = freeName(name, takenBy);
    std::string error = copyFile(s.path, pathJoin(audioFolder, name));
    if (!error.empty()) {
      logLine("[Project] Failed to collect %s: %s\n", s.path.c_str(), error.c_str());
      continue;
    }
    takenBy.emplace(name, absolute);
    nameOf.emplace(absolute, name);
    result.collect[s.path] = "Audio/" + name;
  }
  return result;
}

}  // namespace vn
