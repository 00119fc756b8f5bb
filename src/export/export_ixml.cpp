#include "export/export_ixml.h"

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

std::vector<Layer> soundingLayers(const Session& session) {
  std::vector<Layer> layers;
  for (const Layer& l : session.results)
    if (!l.muted) layers.push_back(l);
  return layers;
}

}  // namespace vn
