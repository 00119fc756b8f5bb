#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "core/json_parse.h"
#include "export/base64.h"
#include "export/ixml_document.h"
#include "export/payload_embed.h"
#include "export_fixtures.h"
#include "platform/paths.h"
#include "support/log_capture.h"

namespace vn {
namespace {

using test::LogCapture;

std::vector<std::string> keysOf(const JsonValue& object) {
  std::vector<std::string> keys;
  for (const JsonMember& m : object.members()) keys.emplace_back(m.key.text());
  return keys;
}

TEST(PayloadJson, RecipeAndManifestKeysInOrder) {
  const std::vector<Event> events = test::sampleEvents(2);
  const JsonValue recipe = parseJsonText(recipeJson(events));
  EXPECT_EQ(keysOf(recipe), (std::vector<std::string>{"vn_recipe_version", "app", "app_version", "events"}));
  EXPECT_EQ(member(recipe, "vn_recipe_version").number(), 1);
  EXPECT_EQ(member(recipe, "app").text(), "Varnel");
  EXPECT_EQ(member(recipe, "app_version").text(), programVersion());
  EXPECT_EQ(member(recipe, "events").size(), 2u);
  EXPECT_NE(recipeJson(events).find("\n  \"events\": [\n    {\n"), std::string::npos);  // two spaces per level

  std::vector<Layer> layers = test::sampleLayers(4);
  layers[3].procMode = 3;
  layers[3].alloyMid = {"/sfx/mid.wav", "00000000000000b1", 0, 1};
  layers[3].alloyHigh = {"/sfx/door_0.wav", layers[0].fileId, 0, 1};  // already referenced
  layers[1].fileId.clear();  // a file outside the Libraries
  ManifestInput input;
  input.blocks = &layers;
  input.events = &events;
  input.t0 = std::nan("");
  input.printId = "0123456789abcdef0123456789abcdef";
  input.lookup = [](const std::string& id) -> std::optional<FileRef> {
    if (id != "00000000000000a0") return std::nullopt;
    return FileRef{id, 0xfedcba9876543210ull, 123456, "/library/door_0.wav"};
  };
  const std::string json = manifestJson(input);
  const JsonValue manifest = parseJsonText(json);
  EXPECT_EQ(keysOf(manifest), (std::vector<std::string>{"vn_manifest_version", "app", "app_version", "printId", "t0",
                                                         "events", "results", "fileRefs"}));
  EXPECT_NE(json.find("\"t0\": 0,"), std::string::npos);
  EXPECT_EQ(member(manifest, "results").size(), 4u);
  EXPECT_EQ(member(element(member(manifest, "results"), 0), "name").text(), "layer 0");
  const JsonValue& refs = member(manifest, "fileRefs");
  ASSERT_EQ(refs.size(), 3u);  // a0 and a2 of the layers, b1 of the alloy; a1 has no id
  EXPECT_EQ(keysOf(element(refs, 0)), (std::vector<std::string>{"id", "path", "size", "hash"}));
  EXPECT_EQ(member(element(refs, 0), "id").text(), "00000000000000a0");
  EXPECT_EQ(member(element(refs, 0), "path").text(), "/library/door_0.wav");
  EXPECT_EQ(member(element(refs, 0), "size").text(), "123456");
  EXPECT_EQ(member(element(refs, 0), "hash").text(), "fedcba9876543210");
  EXPECT_EQ(member(element(refs, 1), "id").text(), "00000000000000a2");
  EXPECT_EQ(member(element(refs, 1), "path").text(), "/sfx/door_2.wav");
  EXPECT_EQ(member(element(refs, 1), "hash").text(), "0000000000000000");
  EXPECT_EQ(member(element(refs, 2), "id").text(), "00000000000000b1");

  input.printId.clear();
  EXPECT_TRUE(member(parseJsonText(manifestJson(input)), "printId").isNull());
}

TEST(PayloadEmbed, BlocksGoOnTheirOwnLineBeforeTheEnd) {
  const std::vector<Event> events = test::sampleEvents(3);
  const std::string host = exportIxmlDocument("Mix");
  const std::string withRecipe = embedRecipe(host, events);
  const std::string recipe = recipeBlock(events);
  ASSERT_FALSE(recipe.empty());
  EXPECT_EQ(recipe, "<VARNEL_RECIPE>" + base64Encode(recipeJson(events)) + "</VARNEL_RECIPE>");
  EXPECT_EQ(withRecipe, host.substr(0, host.size() - 10) + "  " + recipe + "\n</BWFXML>\n");

  std::vector<Layer> layers = test::sampleLayers(2);
  ManifestInput input;
  input.blocks = &layers;
  input.events = &events;
  LogCapture log;
  const std::string both = embedManifest(withRecipe, input);
  ASSERT_EQ(log.out.size(), 1u);
  EXPECT_EQ(log.out[0].rfind("[Manifest] 2 block(s), ", 0), 0u) << log.out[0];
  EXPECT_NE(log.out[0].find(" b64 (enc=deflate)\n"), std::string::npos);
  const size_t manifestAt = both.find("\n  <VARNEL_MANIFEST enc=\"deflate\">");
  ASSERT_NE(manifestAt, std::string::npos);
  EXPECT_LT(both.find("<VARNEL_RECIPE>"), manifestAt);
  const std::string ending = "</VARNEL_MANIFEST>\n</BWFXML>\n";
  EXPECT_EQ(both.substr(both.size() - ending.size()), ending);

  // An empty host becomes the minimal document; a host that is not one stays as it is.
  EXPECT_EQ(embedRecipe("", events), minimalIxmlDocument().substr(0, minimalIxmlDocument().size() - 10) + "  " +
                                         recipe + "\n</BWFXML>\n");
  EXPECT_EQ(embedRecipe("<other/>", events), "<other/>");
  EXPECT_EQ(embedManifest("<other/>", input), "<other/>");
  // No events, no recipe; no layers, no manifest (the recipe still travels).
  EXPECT_EQ(embedRecipe(host, {}), host);
  std::vector<Layer> none;
  input.blocks = &none;
  EXPECT_EQ(embedManifest(withRecipe, input), withRecipe);
}

TEST(PayloadEmbed, RecipeBudget) {
  // One event whose keywords are grown until the Base64 lands exactly on the budget.
  std::vector<Event> events = test::sampleEvents(1);
  events[0].keywords.clear();
  const size_t base = recipeJson(events).size();
  events[0].keywords.assign(675000 - base, 'k');  // 675 000 JSON bytes: 900 000 Base64 bytes
  ASSERT_EQ(base64Encode(recipeJson(events)).size(), 900000u);
  LogCapture log;
  EXPECT_FALSE(recipeBlock(events).empty());
  events[0].keywords += 'k';
  ASSERT_EQ(base64Encode(recipeJson(events)).size(), 900004u);
  EXPECT_TRUE(recipeBlock(events).empty());
  EXPECT_EQ(embedRecipe(minimalIxmlDocument(), events), minimalIxmlDocument());
  ASSERT_EQ(log.out.size(), 2u);
  EXPECT_EQ(log.out[0], "[Recipe] blob too large to embed (900004 b64 bytes, 1 events) - skipping\n");
}

std::string syntheticManifest(size_t size) {
  const std::string open = "<VARNEL_MANIFEST enc=\"raw\">", close = "</VARNEL_MANIFEST>";
  return open + std::string(size - open.size() - close.size(), 'A') + close;
}

// An export document padded to size bytes, holding a recipe of recipeBytes when asked.
std::string hostOfSize(size_t size, size_t recipeBytes = 0) {
  std::string host = exportIxmlDocument("Mix");
  if (recipeBytes > 0) host = insertPayloadBlock(host, "<VARNEL_RECIPE>" + std::string(recipeBytes, 'R') + "</VARNEL_RECIPE>");
  host.insert(host.find("  <USER>"), std::string(size - host.size(), ' '));
  return host;
}

TEST(PayloadEmbed, ManifestWithinTheWholeIxmlBudget) {
  LogCapture log;
  // Both fit: the recipe stays.
  const std::string small = hostOfSize(10000, 1000);
  const std::string fits = embedManifestBlock(small, syntheticManifest(900000));
  EXPECT_NE(fits.find("<VARNEL_RECIPE>"), std::string::npos);
  EXPECT_NE(fits.find("<VARNEL_MANIFEST"), std::string::npos);
  EXPECT_TRUE(log.out.empty());

  // 100 000 + 880 000 do not: the recipe goes and the manifest comes in.
  const std::string host = hostOfSize(100000, 60000);
  const std::string dropped = embedManifestBlock(host, syntheticManifest(880000));
  EXPECT_EQ(dropped.find("<VARNEL_RECIPE>"), std::string::npos);
  EXPECT_NE(dropped.find("  " + syntheticManifest(880000) + "\n</BWFXML>\n"), std::string::npos);
  ASSERT_EQ(log.out.size(), 1u);
  EXPECT_EQ(log.out[0],
            "[Manifest] dropping the recipe to fit the manifest (100000 + 880000 > 950000) - the manifest carries the "
            "same events\n");

  // 10 000 + 949 000 do not fit even without a recipe: the host comes back as it was.
  const std::string bare = hostOfSize(10000);
  EXPECT_EQ(embedManifestBlock(bare, syntheticManifest(949000)), bare);
  ASSERT_EQ(log.out.size(), 2u);
  EXPECT_EQ(log.out[1],
            "[Manifest] will not fit the iXML budget even alone (949000 b64) - skipping; 10000-byte host kept intact\n");
}

TEST(PayloadEmbed, ManifestOverItsOwnBudgetIsSkippedAndTheRecipeTravels) {
  // Names of random letters barely compress.
  std::mt19937 random(7);
  std::vector<Layer> layers = test::sampleLayers(3000);
  for (Layer& l : layers) {
    l.name.clear();
    for (int i = 0; i < 400; ++i) l.name += static_cast<char>('a' + random() % 26);
  }
  const std::vector<Event> events = test::sampleEvents(2);
  ManifestInput input;
  input.blocks = &layers;
  input.events = &events;
  const std::string host = embedRecipe(exportIxmlDocument("Mix"), events);
  LogCapture log;
  EXPECT_EQ(embedManifest(host, input), host);
  ASSERT_EQ(log.out.size(), 1u);
  EXPECT_EQ(log.out[0].rfind("[Manifest] too large to embed (", 0), 0u);
  EXPECT_NE(log.out[0].find(" JSON, enc=deflate, 3000 blocks) - skipping; the recipe still travels\n"),
            std::string::npos);
}

}  // namespace
}  // namespace vn
