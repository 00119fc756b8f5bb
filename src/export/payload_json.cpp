#include "export/payload_json.h"

#include <cinttypes>
#include <cstdio>
#include <unordered_set>

#include "core/event_io.h"
#include "core/file_lookup.h"
#include "core/json_writer.h"
#include "core/layer_io.h"
#include "platform/paths.h"

namespace vn {
namespace {

void writeHeader(JsonWriter& w, const char* versionKey) {
  w.keyInt(versionKey, 1);
  w.keyString("app", "Varnel");
  w.keyString("app_version", programVersion());
}

void writeEvents(JsonWriter& w, const std::vector<Event>& events) {
  w.key("events");
  w.beginArray();
  for (const Event& e : events) writeEvent(w, e);
  w.endArray();
}

void writeFileRef(JsonWriter& w, const FileRef& ref) {
  char hash[24];
  std::snprintf(hash, sizeof hash, "%016" PRIx64, ref.hash);
  w.beginObject();
  w.keyString("id", ref.id);
  w.keyString("path", ref.path);
  w.keyString("size", std::to_string(ref.size));
  w.keyString("hash", hash);
  w.endObject();
}

}  // namespace

std::string recipeJson(const std::vector<Event>& events) {
  JsonWriter w;
  w.beginObject();
  writeHeader(w, "vn_recipe_version");
  writeEvents(w, events);
  w.endObject();
  return w.take();
}

std::vector<FileRef> manifestFileRefs(const std::vector<Layer>& blocks, const FileRefLookup& lookup) {
  std::vector<FileRef> refs;
  std::unordered_set<std::string> seen;
  auto add = [&](const std::string& id, const std::string& path) {
    if (id.empty() || !seen.insert(id).second) return;
    std::optional<FileRef> known = lookup ? lookup(id) : lookupFileRef(id);
    if (known) {
      known->id = id;
      if (known->path.empty()) known->path = path;
      refs.push_back(std::move(*known));
    } else {
      refs.push_back(FileRef{id, 0, 0, path});
    }
  };
  for (const Layer& l : blocks) {
    add(l.fileId, l.filepath);
    for (const AlloySource* s : {&l.alloyMid, &l.alloyHigh, &l.alloyEnv}) add(s->fileId, s->filepath);
  }
  return refs;
}

std::string manifestJson(const ManifestInput& input) {
  static const std::vector<Layer> kNoBlocks;
  static const std::vector<Event> kNoEvents;
  const std::vector<Layer>& blocks = input.blocks ? *input.blocks : kNoBlocks;
  JsonWriter w;
  w.beginObject();
  writeHeader(w, "vn_manifest_version");
  if (!input.printId.empty()) w.keyString("printId", input.printId);
  w.keyFloat("t0", input.t0);
  writeEvents(w, input.events ? *input.events : kNoEvents);
  const StoredLayerIds ids = storedLayerIds(blocks);
  w.key("results");
  w.beginArray();
  for (const Layer& l : blocks) writeLayer(w, l, nullptr, &ids);
  w.endArray();
  w.key("fileRefs");
  w.beginArray();
  for (const FileRef& ref : manifestFileRefs(blocks, input.lookup)) writeFileRef(w, ref);
  w.endArray();
  w.endObject();
  return w.take();
}

}  // namespace vn
