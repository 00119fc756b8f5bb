#pragma once
// One Event as a JSON object. The same rules serve projects, recipes, chains and
// the events kept inside a bounced clip.
#include <string>

#include "core/json_value.h"
#include "core/json_writer.h"
#include "core/session.h"
#include "core/source_paths.h"

namespace vn {

// Source paths go through collect when one is given.
void writeEvent(JsonWriter& writer, const Event& event, const CollectMap* collect = nullptr);

// Fills event from a parsed object; every missing or mistyped key reads as its
// default and numbers are clamped to their ranges. legacyShapes is true for
// documents older than format version 2; userShapeCount is the number of
// UserShapes already read. Relative pinned paths are resolved against
// projectFolder when one is given.
void readEvent(const JsonValue& object, Event& event, bool legacyShapes, int userShapeCount,
               const std::string& projectFolder = {});

// The Clip fields, written only for Clip events; the reader accepts their former
// "place…" names.
void writeClipFields(JsonWriter& writer, const Event& event);
void readClipFields(const JsonValue& object, Event& event);
// fmtOverride, or the legacy "stereo" flag when it is absent; -1..1.
int8_t readFormatOverride(const JsonValue& object);

}  // namespace vn
