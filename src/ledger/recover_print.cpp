#include "ledger/recover_print.h"

#include "core/event_io.h"
#include "core/file_refs_io.h"
#include "core/json_fields.h"
#include "core/json_parse.h"
#include "core/layer_io.h"
#include "core/project_document.h"
#include "core/read_file.h"
#include "core/track_layout_io.h"
#include "ledger/prints_folder.h"
#include "library/file_identity.h"
#include "platform/log.h"
#include "platform/paths.h"

namespace vn {
namespace {

// The current path of a library file when the registry knows where it is now.
void followFileId(const std::string& fileId, std::string& path) {
  if (fileId.empty()) return;
  std::string current = CurrentPathForFileId(fileId);
  if (!current.empty()) path = std::move(current);
}

std::vector<Layer> readResults(const JsonValue& list) {
  std::vector<Layer> results;
  for (const JsonValue& item : list.items()) {
    Layer& l = results.emplace_back();
    readLayer(item, l);
    followFileId(l.fileId, l.filepath);
    for (AlloySource* s : {&l.alloyMid, &l.alloyHigh, &l.alloyEnv}) followFileId(s->fileId, s->filepath);
  }
  assignLoadedLayerIds(results);
  return results;
}

}  // namespace

JsonValue readPrintRecord(const PrintIndexEntry& entry) {
  const std::string folder = PrintsFolder();
  // The record path comes from a table anyone could edit: it must stay in the ledger.
  if (folder.empty() || entry.recordPath.empty() || entry.recordPath[0] == '/' ||
      entry.recordPath.find("..") != std::string::npos)
    return {};
  std::string text, error;
  if (!readWholeFile(pathJoin(folder, entry.recordPath), text, error)) return {};
  JsonValue record = parseJsonText(text);
  return record.isObject() ? record : JsonValue();
}

std::optional<RecoveredPrint> RecoverPrint(const PrintIndexEntry& entry) {
  const JsonValue record = readPrintRecord(entry);
  if (!record.isObject()) {
    logLine("[Ledger] index row found but its record is unreadable (%s)\n",
            pathJoin(PrintsFolder(), entry.recordPath).c_str());
    return std::nullopt;
  }
  for (const FileRef& ref : readFileRefs(member(record, "fileRefs"), {}))
    RegisterFileId(ref.id, ref.path, ref.hash, ref.size);

  RecoveredPrint out;
  out.printId = entry.printId;
  for (const JsonValue& item : member(record, "events").items()) {
    Event& e = out.events.emplace_back();
    readEvent(item, e, false, 0);
    followFileId(e.pinnedFileId, e.pinnedFile);
    for (size_t i = 0; i < e.pinnedFileIds.size() && i < e.pinnedFiles.size(); ++i)
      followFileId(e.pinnedFileIds[i], e.pinnedFiles[i]);
  }
  out.results = readResults(member(record, "results"));
  const JsonValue& layout = member(member(record, "session"), "trackLayout");
  if (layout.isObject()) {
    // A group without its own loudness target gets the default one.
    readTrackLayout(layout, out.trackLayout.emplace(), kProjectFormatVersion);
  }
  for (const JsonValue& clip : member(record, "deliveredClips").items())
    out.deliveredClips.push_back({readString(clip, "key"), readResults(member(clip, "results"))});
  logLine("[Ledger] recovered %s from the ledger - %d block(s), %d event(s)\n", entry.printId.c_str(),
          static_cast<int>(out.results.size()), static_cast<int>(out.events.size()));
  return out;
}

std::optional<RestoreCounts> RestorePrintInto(Session& session, const PrintIndexEntry& entry) {
  std::optional<RecoveredPrint> recovered = RecoverPrint(entry);
  if (!recovered) return std::nullopt;
  return addRestoredEvents(session, std::move(recovered->events), std::move(recovered->results));
}

}  // namespace vn
