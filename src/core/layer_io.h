#pragma once
// One Layer as a JSON object.
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/json_value.h"
#include "core/json_writer.h"
#include "core/session.h"
#include "core/source_paths.h"

namespace vn {

// Layer ids live only in memory. A document's layers take the ids 1, 2, 3... in
// document order when read, so a foldTarget is written as the id its target will
// have then: live id -> stored id.
using StoredLayerIds = std::unordered_map<uint32_t, int>;
StoredLayerIds storedLayerIds(const std::vector<Layer>& layers);
void assignLoadedLayerIds(std::vector<Layer>& layers);

// Source paths go through collect when one is given; foldTarget through storedIds
// (a target that is not in it is written as none).
void writeLayer(JsonWriter& writer, const Layer& layer, const CollectMap* collect = nullptr,
                const StoredLayerIds* storedIds = nullptr);

// Fills layer from a parsed object with the defaults and ranges of its fields.
// Relative source paths are resolved against projectFolder when one is given.
// The layer's id is left as it was: ids are given by the build, not stored.
void readLayer(const JsonValue& object, Layer& layer, const std::string& projectFolder = {});

}  // namespace vn
