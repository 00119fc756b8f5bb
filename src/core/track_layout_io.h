#pragma once
// The bus table of a project: its "trackLayout" object.
#include "core/json_value.h"
#include "core/json_writer.h"
#include "core/session.h"

namespace vn {

// A bus's "slots" member, as projects and bus templates hold it.
void writeBusSlots(JsonWriter& writer, const Bus& bus);
// Slots from "slots", else (with legacyCounts) from the older per-format track
// counts; counts are clamped to 0..32, empty slots dropped, at most 8 kept.
void readBusSlots(const JsonValue& busObject, Bus& bus, bool legacyCounts);
void writeTrackLayout(JsonWriter& writer, const TrackLayout& layout);
// formatVersion decides what older documents can hold: shape homes from version
// 6 on, bus slots from version 9 on.
void readTrackLayout(const JsonValue& object, TrackLayout& layout, int formatVersion);

}  // namespace vn
