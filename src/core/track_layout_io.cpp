#include "core/track_layout_io.h"

#include <algorithm>
#include <string>

#include "core/json_fields.h"
#include "core/text_field.h"
#include "core/track_layout.h"

namespace vn {
namespace {

constexpr int kMaxSlotCount = 32;

std::string busKey(int position) { return "group" + std::to_string(position); }

// A slot on one line: {"n": 2, "fmt": 1, "label": "Doors"}
std::string slotText(const BusSlot& slot) {
  std::string text = "{\"n\": " + std::to_string(slot.count) + ", \"fmt\": " + std::to_string(slot.fmt);
  if (!slot.label.empty()) {
    text += ", \"label\": ";
    appendJsonString(text, slot.label);
  }
  return text + "}";
}

void writeBus(JsonWriter& w, const Bus& bus) {
  w.beginObject();
  w.keyString("name", bus.name);
  w.keyInt("busId", bus.busId);
  w.keyInt("colorIdx", bus.colorIdx);
  w.keyFloat("targetLUFS", bus.targetLUFS);
  writeBusSlots(w, bus);
  if (!bus.deliveryGroup.empty()) w.keyString("deliveryGroup", bus.deliveryGroup);
  w.endObject();
}

void addSlot(Bus& bus, int count, int fmt, std::string label) {
  count = std::clamp(count, 0, kMaxSlotCount);
  if (count == 0 || bus.slots.size() >= static_cast<size_t>(kMaxBusSlots)) return;
  bus.slots.push_back({count, fmt, std::move(label)});
}

void readSlots(const JsonValue& o, Bus& bus, bool templateMode, int formatVersion) {
  if (member(o, "slots").isArray() && formatVersion < 9) return;  // older slots do not carry over
  readBusSlots(o, bus, templateMode);
}

Bus readBus(const JsonValue& o, const Bus& fallback, bool templateMode, int formatVersion) {
  Bus bus;
  bus.name = o.isObject() && member(o, "name").isString() ? readText(o, "name", cap::kBusName) : fallback.name;
  bus.targetLUFS = readFloat(o, "targetLUFS", -24.0f, -60.0f, -6.0f);
  bus.busId = readInt(o, "busId", fallback.busId);
  bus.colorIdx = readInt(o, "colorIdx", fallback.colorIdx);
  readSlots(o, bus, templateMode, formatVersion);
  bus.deliveryGroup = readText(o, "deliveryGroup", cap::kBusName);
  return bus;
}

}  // namespace

void writeBusSlots(JsonWriter& w, const Bus& bus) {
  w.key("slots");
  w.beginArray();
  for (const BusSlot& slot : bus.slots) w.raw(slotText(slot));
  w.endArray();
}

void readBusSlots(const JsonValue& o, Bus& bus, bool legacyCounts) {
  const JsonValue& slots = member(o, "slots");
  if (slots.isArray()) {
    for (const JsonValue& s : slots.items())
      addSlot(bus, readInt(s, "n", 0), readInt(s, "fmt", 1, 0, 3), readText(s, "label", cap::kSlotLabel));
    return;
  }
  if (!legacyCounts) return;
  const char* counts[] = {"monoTracks", "stereoTracks", "tracks51", "tracks71"};
  for (int fmt = 0; fmt < 4; ++fmt) addSlot(bus, readInt(o, counts[fmt], 0), fmt, {});
}

void writeTrackLayout(JsonWriter& w, const TrackLayout& layout) {
  const int count = std::clamp(layout.busCount, 1, kMaxBusses);
  w.beginObject();
  w.keyInt("busCount", count);
  w.keyInt("nextBusId", layout.nextBusId);
  w.key("busOrder");
  w.beginArray(JsonArrayStyle::Inline);
  for (int i = 0; i < count; ++i) w.intValue(layout.busOrder[static_cast<size_t>(i)]);
  w.endArray();
  w.key("shapeHome");
  w.beginArray(JsonArrayStyle::Inline);
  for (int home : layout.shapeHome) w.intValue(home);
  w.endArray();
  for (int i = 0; i < count; ++i) {
    w.key(busKey(i));
    writeBus(w, layout.busses[static_cast<size_t>(i)]);
  }
  w.endObject();
}

void readTrackLayout(const JsonValue& o, TrackLayout& layout, int formatVersion) {
  layout = TrackLayout{};
  layout.busCount = readInt(o, "busCount", 3, 1, kMaxBusses);
  layout.templateMode = readBool(o, "templateMode", false);
  std::span<const JsonValue> order = member(o, "busOrder").items();
  if (order.size() >= static_cast<size_t>(layout.busCount)) {
    for (size_t i = 0; i < order.size() && i < static_cast<size_t>(kMaxBusses); ++i)
      layout.busOrder[i] = std::clamp(truncateToInt(order[i].number()), 0, kMaxBusses - 1);
  }
  const std::array<Bus, kMaxBusses> defaults = defaultBusses();
  for (int i = 0; i < layout.busCount; ++i) {
    const size_t at = static_cast<size_t>(i);
    layout.busses[at] = readBus(member(o, busKey(i)), defaults[at], layout.templateMode, formatVersion);
  }
  layout.nextBusId = std::max(readInt(o, "nextBusId", 0), nextFreeBusId(layout));

  std::span<const JsonValue> homes = member(o, "shapeHome").items();
  if (formatVersion >= 6 && homes.size() >= static_cast<size_t>(kShapeCount)) {
    for (size_t i = 0; i < static_cast<size_t>(kShapeCount); ++i) layout.shapeHome[i] = truncateToInt(homes[i].number());
    return;
  }
  layout.shapeHome = kDefaultShapeHome;
  for (int& home : layout.shapeHome)
    if (busPositionOfId(layout, home) < 0) home = layout.busses[0].busId;
}

}  // namespace vn
