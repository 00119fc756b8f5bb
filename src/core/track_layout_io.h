#pragma once
// The bus table of a project: its "trackLayout" object.
#include "core/json_value.h"
#include "core/json_writer.h"
#include "core/session.h"

namespace vn {

void writeTrackLayout(JsonWriter& writer, const TrackLayout& layout);
// formatVersion decides what older documents can hold: shape homes from version
// 6 on, bus slots from version 9 on.
void readTrackLayout(const JsonValue& object, TrackLayout& layout, int formatVersion);

}  // namespace vn
