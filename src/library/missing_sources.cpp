#include "library/missing_sources.h"

#include <set>

#include "library/libraries.h"
#include "library/relink.h"
#include "platform/log.h"
#include "platform/paths.h"

namespace vn {
namespace {

std::set<int> eventsUsing(const Session& session, const std::string& fileId) {
  std::set<int> events;
  for (const Layer& layer : session.results) {
    if (layer.fileId == fileId || layer.alloyMid.fileId == fileId || layer.alloyHigh.fileId == fileId ||
        layer.alloyEnv.fileId == fileId)
      events.insert(layer.eventIdx);
  }
  for (size_t i = 0; i < session.events.size(); ++i) {
    const Event& event = session.events[i];
    bool pins = event.pinnedFileId == fileId;
    for (const std::string& pinned : event.pinnedFileIds) pins = pins || pinned == fileId;
    if (pins) events.insert(static_cast<int>(i));
  }
  return events;
}

int palettesHolding(const std::vector<Library>& libraries, const std::string& fileId) {
  int count = 0;
  for (const Library& library : libraries) {
    if (!library.savedPalette) continue;
    for (const LibraryRecord& record : library.records) {
      if (record.fileId == fileId) {
        ++count;
        break;
      }
    }
  }
  return count;
}

// Replaces path by the registry's current path for fileId; true when it changed.
bool refreshPath(std::string& path, const std::string& fileId) {
  if (fileId.empty()) return false;
  std::string current = CurrentPathForFileId(fileId);
  if (current.empty() || current == path) return false;
  path = current;
  return true;
}

}  // namespace

std::vector<MissingSourceRow> ListMissingSources(const Session& session) {
  std::vector<MissingSourceRow> rows;
  for (FileIdentity& source : MissingSources()) rows.push_back({std::move(source), 0, 0});
  LibraryList& list = AppLibraries();
  std::lock_guard lock(list.mutex);
  for (MissingSourceRow& row : rows) {
    row.events = static_cast<int>(eventsUsing(session, row.source.fileId).size());
    row.palettes = palettesHolding(list.libraries, row.source.fileId);
  }
  return rows;
}

std::string MissingSourceUsage(const MissingSourceRow& row) {
  const char* eventPlural = plural(row.events);
  if (row.palettes == 0) return format("used by %d event%s", row.events, eventPlural);
  return format("used by %d event%s, %d palette%s", row.events, eventPlural, row.palettes,
                plural(row.palettes));
}

int ApplyCurrentSourcePaths(Session& session) {
  int changed = 0;
  session.missingFiles.clear();
  for (Layer& layer : session.results) {
    changed += refreshPath(layer.filepath, layer.fileId);
    for (AlloySource* alloy : {&layer.alloyMid, &layer.alloyHigh, &layer.alloyEnv})
      changed += refreshPath(alloy->filepath, alloy->fileId);
    if (!layer.filepath.empty() && !fileExists(layer.filepath)) session.missingFiles.push_back(layer.filepath);
  }
  for (Event& event : session.events) {
    changed += refreshPath(event.pinnedFile, event.pinnedFileId);
    for (size_t i = 0; i < event.pinnedFiles.size() && i < event.pinnedFileIds.size(); ++i)
      changed += refreshPath(event.pinnedFiles[i], event.pinnedFileIds[i]);
  }
  return changed;
}

}  // namespace vn
