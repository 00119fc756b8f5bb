#pragma once
// The fileRefs list of a project: one reference (library id, content hash, size,
// path) per library file that the layers use, so a moved file can be found again.
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/json_value.h"
#include "core/json_writer.h"
#include "core/session.h"
#include "core/source_paths.h"

namespace vn {

// Writes key and the references of usedIds. Each comes from the installed file
// lookup, else from documentRefs (the references read with the document); an id
// known to neither is left out, and nothing at all is written when none is known.
void writeFileRefs(JsonWriter& writer, std::string_view key, const std::set<std::string>& usedIds,
                   const CollectMap* collect, const std::vector<FileRef>& documentRefs);

// The references of a parsed list; relative paths are resolved against projectFolder.
std::vector<FileRef> readFileRefs(const JsonValue& list, const std::string& projectFolder);

}  // namespace vn
