#include "export/export_ixml.h"

#include <algorithm>

#include "export/ixml_document.h"
#include "export/payload_embed.h"

namespace vn {

std::string recipeIxml(const std::string& description, const std::vector<Event>& events) {
  return embedRecipe(exportIxmlDocument(description), events);
}

std::string withManifest(std::string host, const std::vector<Layer>& layers, const std::vector<Event>& events,
                         double t0, const std::string& printId) {
  ManifestInput manifest;
  manifest.blocks = &layers;
  manifest.events = &events;
  manifest.t0 = t0;
  manifest.printId = printId;
  return embedManifest(std::move(host), manifest);
}

std::vector<int> eventPositionsOf(const std::vector<Layer>& layers) {
  std::vector<int> events;
  for (const Layer& l : layers)
    if (l.eventIdx >= 0) events.push_back(l.eventIdx);
  std::sort(events.begin(), events.end());
  events.erase(std::unique(events.begin(), events.end()), events.end());
  return events;
}

ClipEvents clipEvents(const std::vector<Layer>& layers, const std::vector<Event>& sessionEvents) {
  ClipEvents own;
  own.layers = layers;
  const std::vector<int> positions = eventPositionsOf(layers);
  for (int p : positions)
    if (p < static_cast<int>(sessionEvents.size())) own.events.push_back(sessionEvents[static_cast<size_t>(p)]);
  for (Layer& l : own.layers) {
    const auto at = std::lower_bound(positions.begin(), positions.end(), l.eventIdx);
    const bool known = at != positions.end() && *at == l.eventIdx && l.eventIdx < static_cast<int>(sessionEvents.size());
    l.eventIdx = known ? static_cast<int>(at - positions.begin()) : -1;
  }
  return own;
}

std::string withClipManifest(std::string host, const std::vector<Layer>& layers,
                             const std::vector<Event>& sessionEvents, double t0, const std::string& printId) {
  const ClipEvents own = clipEvents(layers, sessionEvents);
  return withManifest(std::move(host), own.layers, own.events, t0, printId);
}

std::vector<Layer> soundingLayers(const Session& session) {
  std::vector<Layer> layers;
  for (const Layer& l : session.results)
    if (!l.muted) layers.push_back(l);
  return layers;
}

}  // namespace vn
