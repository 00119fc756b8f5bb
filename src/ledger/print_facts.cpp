#include "ledger/print_facts.h"

#include <map>
#include <set>

#include "core/file_refs_io.h"
#include "core/json_fields.h"
#include "core/layer_io.h"
#include "ledger/recover_print.h"
#include "platform/text.h"

namespace vn {

std::optional<PrintFacts> ReadPrintFacts(const PrintIndexEntry& entry) {
  const JsonValue record = readPrintRecord(entry);
  if (!record.isObject()) return std::nullopt;
  PrintFacts facts;
  facts.entry = entry;
  facts.operatorName = readString(record, "operator");
  facts.machine = readString(record, "machine");
  facts.appVersion = readString(record, "appVersion");
  facts.eventCount = static_cast<int>(member(record, "events").size());

  std::map<std::string, LocatedFileRef> located;  // by fileId
  for (const FileRef& ref : readFileRefs(member(record, "fileRefs"), {})) located.emplace(ref.id, locateFileRef(ref));
  std::set<std::string> missing;
  auto locate = [&](const std::string& fileId, const std::string& path) {
    auto it = fileId.empty() ? located.end() : located.find(fileId);
    LocatedFileRef where = it != located.end() ? it->second : locateFileRef(FileRef{fileId, 0, 0, path});
    if (!where.found) missing.insert(fileId.empty() ? path : fileId);
    return where;
  };
  for (const JsonValue& item : member(record, "results").items()) {
    Layer l;
    readLayer(item, l);
    PrintLayerFacts& layer = facts.layers.emplace_back();
    layer.name = l.name;
    layer.startTime = l.startTime;
    layer.duration = l.duration;
    layer.sources.emplace_back("primary", locate(l.fileId, l.filepath));
    if (l.procMode != 3) continue;
    const std::pair<const char*, const AlloySource*> alloy[] = {
        {"alloyMid", &l.alloyMid}, {"alloyHigh", &l.alloyHigh}, {"alloyEnv", &l.alloyEnv}};
    for (const auto& [role, source] : alloy)
      if (!source->fileId.empty() || !source->filepath.empty())
        layer.sources.emplace_back(role, locate(source->fileId, source->filepath));
  }
  facts.missingSources = static_cast<int>(missing.size());
  return facts;
}

std::vector<std::string> printFactsLines(const PrintFacts& f) {
  const PrintIndexEntry& e = f.entry;
  std::vector<std::string> lines;
  lines.push_back(format("Print %s  %s", e.printToken.c_str(), e.printId.c_str()));
  std::string who = f.operatorName.empty() ? std::string("unknown operator") : f.operatorName;
  if (!f.machine.empty()) who += " on " + f.machine;
  lines.push_back(format("  made       %s by %s", e.createdUTC.c_str(), who.c_str()));
  lines.push_back(format("  operation  %s", e.operation.c_str()));
  lines.push_back(format("  file       %s", e.outputPath.empty() ? e.outputName.c_str() : e.outputPath.c_str()));
  lines.push_back(format("  format     %d Hz, %d channel%s%s%s, %.3f s", e.sampleRate, e.channels, plural(e.channels),
                         e.channelLayout.empty() ? "" : " ", e.channelLayout.c_str(), e.durationSec));
  lines.push_back(format("  project    %s", e.projectName.empty() ? "(unnamed)" : e.projectName.c_str()));
  if (!e.parentPrintId.empty()) lines.push_back(format("  remade of  %s", e.parentPrintId.c_str()));
  lines.push_back(format("  events     %d", f.eventCount));
  lines.push_back(format("  layers     %d, %d source file%s missing on this machine", static_cast<int>(f.layers.size()),
                         f.missingSources, plural(f.missingSources)));
  for (const PrintLayerFacts& layer : f.layers) {
    lines.push_back(format("    %s  at %.3f s for %.3f s", layer.name.empty() ? "(unnamed layer)" : layer.name.c_str(),
                           layer.startTime, layer.duration));
    for (const auto& [role, source] : layer.sources) {
      if (source.found)
        lines.push_back(format("      %-9s found    %s%s", role.c_str(), source.foundPath.c_str(),
                               source.foundBy == "path" ? "" : format(" (by %s)", source.foundBy.c_str()).c_str()));
      else
        lines.push_back(format("      %-9s missing  %s", role.c_str(), source.ref.path.c_str()));
    }
  }
  return lines;
}

std::string printListLine(const PrintIndexEntry& e) {
  return format("%s  %s  %-16s %s  [%s]", e.createdUTC.c_str(), e.printToken.c_str(), e.operation.c_str(),
                e.outputName.c_str(), e.projectName.c_str());
}

}  // namespace vn
