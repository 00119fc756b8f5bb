#pragma once
// The window's side of the delivery: the preview of the fit (kept until the
// layout generation or the bus table changes), and the bus layout templates.
#include <cstdint>
#include <string>

#include "export/bus_templates.h"
#include "export/delivery_fit.h"

namespace vn {

struct AppState;

struct DeliveryPreview {
  DeliveryResult result;
  uint64_t generation = ~uint64_t{0};  // layout generation the result was made at
  uint64_t fingerprint = 0;           // of the bus table and the layers it was made from
  bool valid = false;
  BusTemplateStore templates;
  bool templatesLoaded = false;
  std::string templateName;  // the Project panel's name field for a new template
};

// Fits the session again when its layout generation, bus table or layers changed
// since the last preview (not while a job holds the Session); returns the preview.
const DeliveryResult& refreshDeliveryPreview(AppState& app);

// The bus layout templates of the application data folder, read once.
BusTemplateStore& busTemplates(AppState& app);
void saveBusLayout(AppState& app, const std::string& name);
void applyBusLayout(AppState& app, const std::string& name);
void setDefaultBusLayout(AppState& app, const std::string& name);
// A new session starts with the default template's busses, when one is chosen.
// True when one was applied.
bool applyDefaultBusLayout(AppState& app);

}  // namespace vn
