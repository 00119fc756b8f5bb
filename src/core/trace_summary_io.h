#pragma once
// The picture analysis stored with a project: its "optical" object.
#include "core/json_value.h"
#include "core/json_writer.h"
#include "core/trace_summary.h"

namespace vn {

void writeTraceSummary(JsonWriter& writer, const TraceSummary& summary);
void readTraceSummary(const JsonValue& object, TraceSummary& summary);

}  // namespace vn
