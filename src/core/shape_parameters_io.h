#pragma once
// The shape parameters that an Event and a UserShape both carry, written and read
// alike in both records.
#include "core/json_fields.h"
#include "core/json_writer.h"

namespace vn {

template <class Shaped>
void writeShapeParameters(JsonWriter& w, const Shaped& s) {
  w.keyFloat("spread", s.spread);
  w.keyFloat("weightCenter", s.weightCenter);
  w.keyFloat("intensityScale", s.intensityScale);
  w.keyFloat("weightOffset", s.weightOffset);
  w.keyFloat("syncOffset", s.syncOffset);
}

// Missing members keep the values the record already holds (its defaults).
template <class Shaped>
void readShapeParameters(const JsonValue& o, Shaped& s) {
  s.spread = readFloat(o, "spread", s.spread);
  s.weightCenter = readFloat(o, "weightCenter", s.weightCenter);
  s.intensityScale = readFloat(o, "intensityScale", s.intensityScale);
  s.weightOffset = readFloat(o, "weightOffset", s.weightOffset);
  s.syncOffset = readFloat(o, "syncOffset", s.syncOffset);
}

}  // namespace vn
