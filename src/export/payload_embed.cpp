#include "export/payload_embed.h"

#include "export/base64.h"
#include "export/ixml_document.h"
#include "export/payload_codec.h"
#include "platform/log.h"

namespace vn {

std::string recipeBlock(const std::vector<Event>& events) {
  if (events.empty()) return {};
  const std::string b64 = base64Encode(recipeJson(events));
  if (b64.size() > kPayloadBudget) {
    logLine("[Recipe] blob too large to embed (%zu b64 bytes, %d events) - skipping\n", b64.size(),
            static_cast<int>(events.size()));
    return {};
  }
  std::string block(kRecipeOpen);
  block += b64;
  block += kRecipeClose;
  return block;
}

std::string manifestBlock(const ManifestInput& input) {
  const int blocks = input.blocks ? static_cast<int>(input.blocks->size()) : 0;
  if (blocks == 0) return {};
  const std::string json = manifestJson(input);
  const EncodedPayload encoded = encodePayload(json);
  if (encoded.base64.size() > kPayloadBudget) {
    logLine("[Manifest] too large to embed (%zu b64 bytes from %zu JSON, enc=%s, %d blocks) - skipping; the recipe "
            "still travels\n",
            encoded.base64.size(), json.size(), encoded.codec.c_str(), blocks);
    return {};
  }
  logLine("[Manifest] %d block(s), %zu JSON -> %zu b64 (enc=%s)\n", blocks, json.size(), encoded.base64.size(),
          encoded.codec.c_str());
  std::string block(kManifestOpen);
  block += " enc=\"" + encoded.codec + "\">";
  block += encoded.base64;
  block += kManifestClose;
  return block;
}

std::string insertPayloadBlock(std::string host, std::string_view block) {
  if (block.empty()) return host;
  if (host.empty()) host = minimalIxmlDocument();
  const size_t end = host.rfind(kBwfxmlEnd);
  if (end == std::string::npos) return host;
  std::string line = "  ";
  line += block;
  line += '\n';
  host.insert(end, line);
  return host;
}

std::string embedRecipe(std::string host, const std::vector<Event>& events) {
  return insertPayloadBlock(std::move(host), recipeBlock(events));
}

std::string embedManifest(std::string host, const ManifestInput& input) {
  return embedManifestBlock(std::move(host), manifestBlock(input));
}

std::string embedManifestBlock(std::string host, std::string_view block) {
  if (block.empty()) return host;
  if (host.empty()) host = minimalIxmlDocument();
  if (host.find(kBwfxmlEnd) == std::string::npos) return host;
  if (host.size() + block.size() + 4 <= kIxmlBudget) return insertPayloadBlock(std::move(host), block);

  std::string reduced = host;
  const size_t open = reduced.find(kRecipeOpen);
  const size_t close = open == std::string::npos ? open : reduced.find(kRecipeClose, open);
  if (close != std::string::npos) reduced.erase(open, close + kRecipeClose.size() - open);
  if (reduced.size() + block.size() + 4 > kIxmlBudget) {
    logLine("[Manifest] will not fit the iXML budget even alone (%zu b64) - skipping; %zu-byte host kept intact\n",
            block.size(), host.size());
    return host;
  }
  logLine("[Manifest] dropping the recipe to fit the manifest (%zu + %zu > %zu) - the manifest carries the same "
          "events\n",
          host.size(), block.size(), kIxmlBudget);
  return insertPayloadBlock(std::move(reduced), block);
}

}  // namespace vn
