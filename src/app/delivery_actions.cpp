#include "app/delivery_actions.h"

#include <mutex>

#include "app/app_state.h"
#include "app/edit_actions.h"
#include "core/json_writer.h"
#include "core/session_edit.h"
#include "core/track_layout_io.h"
#include "platform/fnv.h"
#include "platform/paths.h"
#include "render/track_routing.h"

namespace vn {
namespace {

uint64_t fingerprintOf(const Session& s, bool keepSource) {
  JsonWriter w;
  writeTrackLayout(w, s.trackLayout);
  uint64_t h = kFnvStart ^ (keepSource ? 1u : 0u);
  for (unsigned char c : w.text()) {
    h ^= c;
    h *= kFnvPrime;
  }
  for (const Layer& l : s.results) {
    h ^= (l.muted ? 2u : 1u) + l.id;
    h *= kFnvPrime;
  }
  return h;
}

// Layers follow the new busses at once, so the timeline and the preview agree.
void rerouteNow(AppState& app) {
  std::lock_guard lock(app.render.layoutMutex);
  rerouteAndRepack(app.session, app.render.layout);
}

}  // namespace

const DeliveryResult& refreshDeliveryPreview(AppState& app) {
  DeliveryPreview& p = app.deliveryPreview;
  if (sessionBusy(app) && p.valid) return p.result;
  FitOptions options;
  options.keepSourceChannels = app.session.exportSettings.exportAAFSourceChannels;
  options.spatialAmount = app.prefs.spatialAmount;
  const uint64_t generation = app.render.layout.generation.load();
  const uint64_t fingerprint = fingerprintOf(app.session, options.keepSourceChannels);
  if (p.valid && p.generation == generation && p.fingerprint == fingerprint) return p.result;
  p.result = planDelivery(app.session, options);
  p.generation = generation;
  p.fingerprint = fingerprint;
  p.valid = true;
  return p.result;
}

BusTemplateStore& busTemplates(AppState& app) {
  DeliveryPreview& p = app.deliveryPreview;
  if (!p.templatesLoaded) {
    const std::string folder = appDataFolder();
    if (!folder.empty()) p.templates = readBusTemplates(folder);
    p.templatesLoaded = true;
  }
  return p.templates;
}

void saveBusLayout(AppState& app, const std::string& name) {
  if (name.empty()) {
    setStatus(app, "Give the layout template a name");
    return;
  }
  BusTemplateStore& store = busTemplates(app);
  putBusTemplate(store, busTemplateFromLayout(name, app.session.trackLayout));
  const std::string folder = ensureAppDataFolder();
  if (folder.empty() || !writeBusTemplates(folder, store)) {
    setStatus(app, "The layout templates could not be written");
    return;
  }
  setStatus(app, "Saved bus layout \"" + name + "\"");
}

void applyBusLayout(AppState& app, const std::string& name) {
  const BusTemplate* entry = findBusTemplate(busTemplates(app), name);
  if (!entry) {
    setStatus(app, "There is no bus layout named \"" + name + "\"");
    return;
  }
  if (!beginEdit(app, "Apply bus layout")) return;
  replaceTrackLayout(app.session, layoutFromBusTemplate(*entry));
  rerouteNow(app);
  setStatus(app, "Applied bus layout \"" + name + "\"");
}

void setDefaultBusLayout(AppState& app, const std::string& name) {
  BusTemplateStore& store = busTemplates(app);
  if (!name.empty() && !findBusTemplate(store, name)) {
    setStatus(app, "There is no bus layout named \"" + name + "\"");
    return;
  }
  store.defaultLayout = name;
  const std::string folder = ensureAppDataFolder();
  if (folder.empty() || !writeBusTemplates(folder, store)) {
    setStatus(app, "The layout templates could not be written");
    return;
  }
  setStatus(app, name.empty() ? "New sessions start with the standard busses"
                              : "New sessions start with bus layout \"" + name + "\"");
}

bool applyDefaultBusLayout(AppState& app) {
  const BusTemplateStore& store = busTemplates(app);
  const BusTemplate* entry = findBusTemplate(store, store.defaultLayout);
  if (!entry) return false;
  replaceTrackLayout(app.session, layoutFromBusTemplate(*entry));
  app.session.dirty = false;  // a new session starts clean, whatever busses it starts with
  return true;
}

}  // namespace vn
