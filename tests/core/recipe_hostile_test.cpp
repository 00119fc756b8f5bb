// Damaged recipe and chain documents go through the readers thousands of times
// (the sanitizer build turns any bad access into a failure); whatever is read
// must write back as a document that reads to the same text again.
#include <gtest/gtest.h>

#include "core/json_parse.h"
#include "core/recipe_io.h"
#include "document_mutator.h"
#include "platform/log.h"
#include "support/temp_dir.h"

namespace vn {
namespace {

Event seedEvent(ShapeType shape) {
  Event e;
  e.shape = shape;
  e.keywords = "glass \"shatter\" \\ crash";
  e.libFilter = "Glass";
  e.hasPinned = true;
  e.pinnedFiles = {"/sfx/a.wav", "/sfx/b.wav"};
  e.pinnedFileIds = {"ia", "ib"};
  e.bedLayerLoop = {true, false};
  e.bedLayerWeight = {0.5f, 2.0f};
  e.pinnedFile = "/sfx/clip.wav";
  e.clipFadeIn = 0.1f;
  e.pitchVariation = 0.5f;
  e.clipPitchRate = 0.5f;
  e.clipReverse = true;
  return e;
}

// Curves cut to three points keep the rounds quick; the reader stretches them.
std::string shortenCurves(std::string text) {
  for (size_t open = text.find('['); open != std::string::npos; open = text.find('[', open + 1)) {
    size_t close = text.find_first_of("]\n", open);
    if (close != std::string::npos && text[close] == ']' && close - open > 200)
      text.replace(open, close - open + 1, "[0.25,0.5,1]");
  }
  return text;
}

std::string recipeRound(const std::string& text) {
  Recipe r;
  readRecipeDocument(parseJsonText(text), "x", r);
  return recipeDocumentText(r);
}

std::string chainRound(const std::string& text) {
  Chain c;
  readChainDocument(parseJsonText(text), "x", c);
  return chainDocumentText(c);
}

template <class Round>
int damageRounds(const std::string& seed, uint32_t rngSeed, Round round) {
  test::Mutator mutator(rngSeed);
  int objects = 0;
  for (int i = 0; i < 1000; ++i) {
    const std::string damaged = mutator.mutate(seed);
    if (!parseJsonText(damaged).isObject()) continue;
    ++objects;
    const std::string written = round(damaged);
    if (i % 8 != 0) continue;
    // Text that was not UTF-8 is written escaped once, so it settles after one more round.
    const std::string settled = round(written);
    EXPECT_EQ(round(settled), settled) << "round " << i;
  }
  return objects;
}

TEST(HostileInput, DamagedRecipesAndChainsNeverBreakTheReaders) {
  LogSink previous = setLogSink([](LogStream, const std::string&) {});
  Recipe recipe;
  recipe.name = "seed";
  recipe.event = seedEvent(ShapeType::Clip);
  const std::string recipeSeed = shortenCurves(recipeDocumentText(recipe));
  std::vector<Event> events = {seedEvent(ShapeType::Bed), seedEvent(ShapeType::Clip), seedEvent(ShapeType::Bloom)};
  events[1].time = 3.0f;
  const std::string chainSeed = shortenCurves(chainDocumentText(chainFromEvents("seed", events)));
  ASSERT_LT(recipeSeed.size(), 3000u);
  EXPECT_GT(damageRounds(recipeSeed, 17, recipeRound), 500);
  EXPECT_GT(damageRounds(chainSeed, 1717, chainRound), 500);

  // Through the files as well: a load either fails or gives a recipe that saves.
  test::TempDir dir;
  test::Mutator mutator(4);
  for (int i = 0; i < 50; ++i) {
    test::writeAll(dir.file("d.vnrecipe"), mutator.mutate(recipeSeed));
    test::writeAll(dir.file("d.vnchain"), mutator.mutate(chainSeed));
    Recipe r;
    Chain c;
    std::string error;
    if (loadRecipe(dir.file("d.vnrecipe"), r)) {
      EXPECT_TRUE(saveRecipe(r, dir.file("out"), error) || r.name.empty()) << error;
    }
    if (loadChain(dir.file("d.vnchain"), c)) {
      for (const ChainEvent& ce : c.events) EXPECT_GE(ce.relTime, 0.0f);
    }
  }
  setLogSink(previous);
}

}  // namespace
}  // namespace vn
