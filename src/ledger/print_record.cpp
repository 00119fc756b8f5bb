#include "ledger/print_record.h"

#include <set>
#include <utility>

#include "core/event_io.h"
#include "core/json_writer.h"
#include "core/layer_io.h"
#include "core/track_layout_io.h"
#include "library/file_identity.h"
#include "library/libraries.h"
#include "ledger/prints_folder.h"
#include "platform/paths.h"

namespace vn {
namespace {

bool isAlloyLayer(const Layer& l) { return l.procMode == 3; }

// The path below the first Library root that holds it; empty when none does.
std::string pathInLibrary(const std::string& path) {
  LibraryList& list = AppLibraries();
  std::lock_guard lock(list.mutex);
  for (const Library& lib : list.libraries) {
    std::string root = lib.folder;
    while (root.size() > 1 && root.back() == '/') root.pop_back();
    if (root.empty() || path.size() <= root.size() + 1) continue;
    if (path.compare(0, root.size(), root) == 0 && path[root.size()] == '/') return path.substr(root.size() + 1);
  }
  return {};
}

void writeFileRefs(JsonWriter& w, const std::vector<PrintSource>& sources) {
  w.key("fileRefs");
  w.beginArray();
  std::set<std::string> written;
  for (const PrintSource& s : sources) {
    if (!written.insert(s.fileId).second) continue;
    w.beginObject();
    w.keyString("id", s.fileId);
    if (s.hash != 0) w.keyString("hash", hashText(s.hash));
    w.keyString("size", std::to_string(s.size));
    w.keyString("path", s.path);
    w.endObject();
  }
  w.endArray();
}

void writeResults(JsonWriter& w, const char* key, const std::vector<Layer>& results) {
  const StoredLayerIds ids = storedLayerIds(results);
  w.key(key);
  w.beginArray();
  for (const Layer& l : results) writeLayer(w, l, nullptr, &ids);
  w.endArray();
}

// The session's state that a recovery needs besides events and results.
void writeSessionState(JsonWriter& w, const Session& s) {
  w.key("session");
  w.beginObject();
  w.keyFloat("fps", s.settings.fps);
  w.keyInt("projectSampleRate", s.settings.projectSampleRate);
  w.keyFloat("startTC", s.settings.startTC);
  w.keyFloat("totalDuration", s.settings.totalDuration);
  w.key("trackLayout");
  writeTrackLayout(w, s.trackLayout);
  w.endObject();
}

}  // namespace

std::vector<PrintSource> gatherPrintSources(const std::vector<Event>& events, const std::vector<Layer>& results) {
  std::vector<PrintSource> sources;
  std::set<std::pair<std::string, std::string>> seen;
  auto add = [&](const std::string& fileId, const std::string& path, const char* role) {
    if (fileId.empty() || !seen.insert({fileId, role}).second) return;
    PrintSource s{fileId, role, 0, 0, {}, path};
    if (std::optional<FileIdentity> known = LookupFileIdentity(fileId)) {
      s.hash = known->contentHash;
      s.size = known->fileSize;
      if (!known->currentPath.empty()) s.path = known->currentPath;
    }
    s.libraryRelativePath = pathInLibrary(s.path);
    sources.push_back(std::move(s));
  };
  for (const Layer& l : results) {
    add(l.fileId, l.filepath, "primary");
    if (!isAlloyLayer(l)) continue;
    add(l.alloyMid.fileId, l.alloyMid.filepath, "alloyMid");
    add(l.alloyHigh.fileId, l.alloyHigh.filepath, "alloyHigh");
    add(l.alloyEnv.fileId, l.alloyEnv.filepath, "alloyEnv");
  }
  for (const Event& e : events) {
    add(e.pinnedFileId, e.pinnedFile, "pin");
    for (size_t i = 0; i < e.pinnedFileIds.size(); ++i)
      add(e.pinnedFileIds[i], i < e.pinnedFiles.size() ? e.pinnedFiles[i] : std::string(), "pin");
  }
  return sources;
}

std::string printRecordText(const PrintRecordInput& in) {
  static const std::vector<Event> kNoEvents;
  static const std::vector<Layer> kNoResults;
  const PrintIdentity& id = *in.identity;
  const PrintOutput& out = *in.output;
  const Session* session = out.session;
  const std::vector<Event>& events =
      in.extras && in.extras->events ? *in.extras->events : session ? session->events : kNoEvents;
  const std::vector<Layer>& results =
      in.extras && in.extras->results ? *in.extras->results : session ? session->results : kNoResults;

  JsonWriter w;
  w.beginObject();
  w.keyInt("vn_print_version", 1);
  w.keyInt("minReaderVersion", 1);
  w.keyString("printId", id.printId);
  w.keyString("printToken", id.printToken);
  w.keyString("printRef", id.printRef);
  w.keyString("parentPrintId", out.parentPrintId);
  w.keyString("createdUTC", in.createdUTC);
  w.keyString("app", "Varnel");
  w.keyString("appVersion", programVersion());
  w.keyString("platform", "linux");
  w.keyString("operator", in.operatorName);
  w.keyString("machine", in.machine);
  w.keyString("operation", out.operation);
  w.keyString("outputPath", out.outputPath);
  w.keyString("outputName", out.outputName);
  w.keyInt("sampleRate", out.sampleRate);
  w.keyInt("bitDepth", out.bitDepth);
  w.keyInt("channels", out.channels);
  w.keyString("channelLayout", out.channelLayout);
  w.keyFloat("startTC", out.startTC);
  w.keyFloat("fps", out.fps);
  w.keyFloat("durationSec", out.durationSec);
  w.keyString("frames", std::to_string(out.frames));
  w.keyString("outputSize", std::to_string(in.hashes.outputHash != 0 ? in.hashes.outputSize : 0));
  if (in.hashes.outputHash != 0) w.keyString("outputHash", hashText(in.hashes.outputHash));
  w.key("project");
  w.beginObject();
  w.keyString("name", out.projectName);
  w.keyString("uuid", out.projectUuid);
  w.keyString("path", out.projectPath);
  w.keyString("savedBy", programVersion());
  w.endObject();
  w.keyString("videoPath", out.videoPath);
  w.keyFloat("videoStartTime", out.videoStartTime);
  w.key("audioFingerprint");
  w.beginObject();
  w.keyString("pcmHash", in.hashes.pcmHash != 0 ? hashText(in.hashes.pcmHash) : std::string());
  w.endObject();
  if (session) writeSessionState(w, *session);
  w.key("events");
  w.beginArray();
  for (const Event& e : events) writeEvent(w, e);
  w.endArray();
  writeResults(w, "results", results);
  writeFileRefs(w, gatherPrintSources(events, results));
  if (in.extras && !in.extras->deliveredClips.empty()) {
    w.key("deliveredClips");
    w.beginArray();
    for (const DeliveredClip& clip : in.extras->deliveredClips) {
      w.beginObject();
      w.keyString("key", clip.key);
      writeResults(w, "results", clip.results);
      w.endObject();
    }
    w.endArray();
  }
  w.endObject();
  std::string text = w.take();
  text += '\n';
  return text;
}

}  // namespace vn
