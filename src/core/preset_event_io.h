#pragma once
// The event keys of recipe and chain documents. They differ from a project's event
// in their defaults (a recipe with no shape is a Bloom, with no syncOffset is synced
// at half its duration) and in carrying each pinned file's content hash and size, so
// that a pinned sound is found by its id on a machine where its path differs.
#include "core/json_value.h"
#include "core/json_writer.h"
#include "core/session.h"

namespace vn {

enum class PresetEventKeys {
  Recipe,  // the design of one event
  Chain,   // the same plus gain, hero and alloy
};

// Writes the keys into the object being written (no braces).
void writePresetEventKeys(JsonWriter& writer, const Event& event, PresetEventKeys keys);

// Fills event from an object; the pinned files' references are handed to the
// Library, and a pinned path that no longer exists takes the one the Library knows
// for its id. event.time is left at 0.
void readPresetEventKeys(const JsonValue& object, Event& event);

}  // namespace vn
