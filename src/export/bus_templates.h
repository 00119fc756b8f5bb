#pragma once
// Bus layouts kept as reusable templates in "vn_bus_templates.json" in the
// application data folder: the busses with their names, loudness targets,
// colours and declared delivery tracks, their display order and the shape
// homes. One of them may be the default applied to new sessions. The older
// delivery templates file is migrated into it once.
#include <array>
#include <string>
#include <vector>

#include "core/session.h"

namespace vn {

constexpr const char* kBusTemplatesFile = "vn_bus_templates.json";
constexpr const char* kDeliveryTemplatesFile = "vn_delivery_templates.json";

struct BusTemplate {
  std::string name;
  int busCount = 0;
  std::vector<int> busOrder;
  std::array<int, kShapeCount> shapeHome = kDefaultShapeHome;
  std::vector<Bus> buses;  // name, targetLUFS, colorIdx and slots of each
};

struct BusTemplateStore {
  std::string defaultLayout;
  std::vector<BusTemplate> templates;
};

// Reads the store of folder (empty when there is none), migrating the older
// delivery templates first when their file is there.
BusTemplateStore readBusTemplates(const std::string& folder);
// Parses a store's text; hostile or foreign text gives what could be read.
BusTemplateStore parseBusTemplates(const std::string& text);
std::string busTemplatesText(const BusTemplateStore& store);
// Atomic; a failure is logged and returns false.
bool writeBusTemplates(const std::string& folder, const BusTemplateStore& store);

// Moves the delivery templates of folder into its bus layouts; templates that
// need more than the maximum of busses stay in the old file. Returns how many moved.
int migrateDeliveryTemplates(const std::string& folder, BusTemplateStore& store);

const BusTemplate* findBusTemplate(const BusTemplateStore& store, const std::string& name);
// Adds the template, replacing one of the same name.
void putBusTemplate(BusTemplateStore& store, BusTemplate entry);

BusTemplate busTemplateFromLayout(const std::string& name, const TrackLayout& layout);
// The layout the template describes: its busses in their order, bus ids by position.
TrackLayout layoutFromBusTemplate(const BusTemplate& entry);

// Refusal of a track list that needs more busses than the mixer has.
std::string trackListRefusal(int bussesNeeded);

}  // namespace vn
