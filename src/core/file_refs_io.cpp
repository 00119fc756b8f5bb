#include "core/file_refs_io.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "core/file_lookup.h"
#include "core/json_fields.h"

namespace vn {
namespace {

std::optional<FileRef> findRef(const std::string& id, const std::vector<FileRef>& documentRefs) {
  if (std::optional<FileRef> known = lookupFileRef(id)) return known;
  for (const FileRef& ref : documentRefs)
    if (ref.id == id) return ref;
  return std::nullopt;
}

uint64_t parseUnsigned(std::string_view text, int base) {
  std::string terminated(text);
  return std::strtoull(terminated.c_str(), nullptr, base);
}

}  // namespace

void writeFileRefs(JsonWriter& w, std::string_view key, const std::set<std::string>& usedIds,
                   const CollectMap* collect, const std::vector<FileRef>& documentRefs) {
  std::vector<FileRef> refs;
  for (const std::string& id : usedIds)
    if (std::optional<FileRef> ref = findRef(id, documentRefs)) refs.push_back(std::move(*ref));
  if (refs.empty()) return;
  w.key(key);
  w.beginArray();
  for (const FileRef& ref : refs) {
    char hash[24];
    std::snprintf(hash, sizeof hash, "%016" PRIx64, ref.hash);
    w.beginObject();
    w.keyString("id", ref.id);
    w.keyString("hash", hash);
    w.keyString("size", std::to_string(ref.size));
    w.keyString("path", documentPath(ref.path, collect));
    w.endObject();
  }
  w.endArray();
}

std::vector<FileRef> readFileRefs(const JsonValue& list, const std::string& projectFolder) {
  std::vector<FileRef> refs;
  for (const JsonValue& item : list.items()) {
    FileRef ref;
    ref.id = readString(item, "id");
    if (ref.id.empty()) continue;
    ref.hash = parseUnsigned(member(item, "hash").text(), 16);
    ref.size = parseUnsigned(member(item, "size").text(), 10);
    ref.path = resolveSourcePath(readString(item, "path"), projectFolder);
    refs.push_back(std::move(ref));
  }
  return refs;
}

}  // namespace vn
