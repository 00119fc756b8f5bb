#include "export/bus_templates.h"

#include <algorithm>
#include <cstdio>

#include "core/json_fields.h"
#include "core/json_parse.h"
#include "core/json_writer.h"
#include "core/read_file.h"
#include "core/text_field.h"
#include "core/track_layout_io.h"
#include "platform/atomic_write.h"
#include "platform/log.h"
#include "platform/paths.h"

namespace vn {

namespace {

constexpr int kStoreVersion = 1;

Bus readTemplateBus(const JsonValue& o, int position) {
  Bus bus;
  bus.name = readText(o, "name", cap::kBusName);
  bus.targetLUFS = readFloat(o, "targetLUFS", -24.0f, -60.0f, -6.0f);
  bus.colorIdx = readInt(o, "colorIdx", position);
  bus.busId = position;
  readBusSlots(o, bus, true);
  return bus;
}

BusTemplate readTemplate(const JsonValue& o) {
  BusTemplate t;
  t.name = readString(o, "name");
  for (const JsonValue& b : member(o, "buses").items()) {
    if (t.buses.size() >= static_cast<size_t>(kMaxBusses)) break;
    t.buses.push_back(readTemplateBus(b, static_cast<int>(t.buses.size())));
  }
  t.busCount = std::clamp(readInt(o, "busCount", static_cast<int>(t.buses.size())), 0, static_cast<int>(t.buses.size()));
  for (const JsonValue& v : member(o, "busOrder").items())
    if (t.busOrder.size() < static_cast<size_t>(t.busCount))
      t.busOrder.push_back(std::clamp(truncateToInt(v.number()), 0, std::max(0, t.busCount - 1)));
  std::span<const JsonValue> homes = member(o, "shapeHome").items();
  if (homes.size() >= static_cast<size_t>(kShapeCount))
    for (size_t i = 0; i < static_cast<size_t>(kShapeCount); ++i) t.shapeHome[i] = truncateToInt(homes[i].number());
  return t;
}

void writeTemplate(JsonWriter& w, const BusTemplate& t) {
  w.beginObject();
  w.keyString("name", t.name);
  w.keyInt("busCount", t.busCount);
  w.key("busOrder");
  w.beginArray(JsonArrayStyle::Inline);
  for (int v : t.busOrder) w.floatValue(v);
  w.endArray();
  w.key("shapeHome");
  w.beginArray(JsonArrayStyle::Inline);
  for (int v : t.shapeHome) w.floatValue(v);
  w.endArray();
  w.key("buses");
  w.beginArray();
  for (const Bus& b : t.buses) {
    w.beginObject();
    w.keyString("name", b.name);
    w.keyFloat("targetLUFS", b.targetLUFS);
    w.keyInt("colorIdx", b.colorIdx);
    writeBusSlots(w, b);
    w.endObject();
  }
  w.endArray();
  w.endObject();
}

std::string fileText(const std::string& path) {
  std::string bytes, error;
  return readWholeFile(path, bytes, error) ? bytes : std::string();
}

}  // namespace

BusTemplateStore parseBusTemplates(const std::string& text) {
  BusTemplateStore store;
  const JsonValue root = parseJsonText(text);
  if (!root.isObject()) return store;
  const int version = readInt(root, "vn_bus_templates_version", kStoreVersion);
  if (version > kStoreVersion)
    logLine("[Layout] bus template store version %d is newer than this program's %d - reading what it can\n", version,
            kStoreVersion);
  store.defaultLayout = readString(root, "defaultLayout");
  for (const JsonValue& t : member(root, "templates").items()) store.templates.push_back(readTemplate(t));
  return store;
}

std::string busTemplatesText(const BusTemplateStore& store) {
  JsonWriter w;
  w.beginObject();
  w.keyInt("vn_bus_templates_version", kStoreVersion);
  w.keyString("defaultLayout", store.defaultLayout);
  w.key("templates");
  w.beginArray();
  for (const BusTemplate& t : store.templates) writeTemplate(w, t);
  w.endArray();
  w.endObject();
  return w.take() + "\n";
}

bool writeBusTemplates(const std::string& folder, const BusTemplateStore& store) {
  const WriteResult r = writeFileAtomic(pathJoin(folder, kBusTemplatesFile), busTemplatesText(store));
  if (!r.ok) logLine("[Layout] bus template store write failed: %s\n", r.error.c_str());
  return r.ok;
}

int migrateDeliveryTemplates(const std::string& folder, BusTemplateStore& store) {
  const std::string oldPath = pathJoin(folder, kDeliveryTemplatesFile);
  if (!fileExists(oldPath)) return 0;
  const JsonValue root = parseJsonText(fileText(oldPath));
  int moved = 0, kept = 0;
  for (const JsonValue& t : member(root, "templates").items()) {
    const std::string name = readString(t, "name");
    std::span<const JsonValue> sections = member(t, "sections").items();
    const int needed = static_cast<int>(sections.size());
    if (needed > kMaxBusses) {
      logLine("[Layout] delivery template \"%s\" needs %d busses (max %d) - NOT migrated. It remains in "
              "vn_delivery_templates.json.\n",
              name.c_str(), needed, kMaxBusses);
      ++kept;
      continue;
    }
    if (findBusTemplate(store, name)) continue;  // migrated before, perhaps edited since
    BusTemplate entry;
    entry.name = name;
    for (const JsonValue& section : sections)
      entry.buses.push_back(readTemplateBus(section, static_cast<int>(entry.buses.size())));
    entry.busCount = needed;
    for (int i = 0; i < needed; ++i) entry.busOrder.push_back(i);
    for (int& home : entry.shapeHome) home = std::clamp(home, 0, std::max(0, needed - 1));
    store.templates.push_back(std::move(entry));
    ++moved;
  }
  if (moved > 0 && !writeBusTemplates(folder, store)) return 0;
  // Once everything is across, the old file is set aside so the migration runs once;
  // a template that could not move keeps it where it is.
  if (kept == 0) std::rename(oldPath.c_str(), (oldPath + ".migrated").c_str());
  if (moved > 0) logLine("[Layout] migrated %d delivery template%s into bus layouts (\u00a74b)\n", moved, plural(moved));
  return moved;
}

BusTemplateStore readBusTemplates(const std::string& folder) {
  BusTemplateStore store = parseBusTemplates(fileText(pathJoin(folder, kBusTemplatesFile)));
  migrateDeliveryTemplates(folder, store);
  return store;
}

const BusTemplate* findBusTemplate(const BusTemplateStore& store, const std::string& name) {
  for (const BusTemplate& t : store.templates)
    if (t.name == name) return &t;
  return nullptr;
}

void putBusTemplate(BusTemplateStore& store, BusTemplate entry) {
  for (BusTemplate& t : store.templates)
    if (t.name == entry.name) {
      t = std::move(entry);
      return;
    }
  store.templates.push_back(std::move(entry));
}

BusTemplate busTemplateFromLayout(const std::string& name, const TrackLayout& layout) {
  BusTemplate t;
  t.name = name;
  t.busCount = std::clamp(layout.busCount, 1, kMaxBusses);
  for (int i = 0; i < t.busCount; ++i) {
    t.busOrder.push_back(std::clamp(layout.busOrder[i], 0, t.busCount - 1));
    t.buses.push_back(layout.busses[i]);
  }
  // Shape homes are kept by position, as the template numbers its busses.
  for (int s = 0; s < kShapeCount; ++s) {
    int position = 0;
    for (int i = 0; i < t.busCount; ++i)
      if (layout.busses[i].busId == layout.shapeHome[s]) position = i;
    t.shapeHome[s] = position;
  }
  return t;
}

TrackLayout layoutFromBusTemplate(const BusTemplate& entry) {
  TrackLayout layout;
  layout.templateMode = true;
  layout.busCount = std::clamp(static_cast<int>(entry.buses.size()), 1, kMaxBusses);
  const std::array<Bus, kMaxBusses> defaults = defaultBusses();
  for (int i = 0; i < kMaxBusses; ++i) {
    layout.busses[i] = i < static_cast<int>(entry.buses.size()) ? entry.buses[i] : defaults[i];
    layout.busses[i].busId = i;
  }
  std::vector<bool> listed(static_cast<size_t>(layout.busCount), false);
  int k = 0;
  for (int position : entry.busOrder)
    if (position >= 0 && position < layout.busCount && !listed[position] && k < layout.busCount) {
      listed[position] = true;
      layout.busOrder[k++] = position;
    }
  for (int position = 0; position < layout.busCount; ++position)
    if (!listed[position]) layout.busOrder[k++] = position;
  for (int s = 0; s < kShapeCount; ++s) layout.shapeHome[s] = std::clamp(entry.shapeHome[s], 0, layout.busCount - 1);
  layout.nextBusId = layout.busCount;
  return layout;
}

std::string trackListRefusal(int bussesNeeded) {
  return format("Track list needs %d busses - the maximum is %d.", bussesNeeded, kMaxBusses);
}

}  // namespace vn
