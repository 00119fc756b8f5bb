// Saved recipes reach the marker import: a marker named after a recipe gets it,
// keeping its time and adding its own words to the recipe's.
#include <gtest/gtest.h>

#include <sstream>

#include "core/recipe_apply.h"
#include "core/recipe_io.h"
#include "picture/session_text.h"
#include "picture/trace_session.h"

namespace vn {
namespace {

TEST(RecipeImport, MarkersNamedAfterASavedRecipeGetIt) {
  Recipe impacts;
  impacts.name = "impacts";
  impacts.event.shape = ShapeType::Contour;
  impacts.event.keywords = "hit debris";
  impacts.event.spread = 0.9f;
  std::string error;
  ASSERT_TRUE(saveRecipe(impacts, error)) << error;

  std::istringstream in(
      "M A R K E R S  L I S T I N G\n"
      "#   \tLOCATION     \tTIME REFERENCE    \tUNITS    \tNAME\n"
      "1   \t00:00:04:00  \t                  \tSamples  \tImpacts: high bloom metal\n"
      "2   \t00:00:08:00  \t                  \tSamples  \tOther: door\n");
  std::vector<ImportedMarker> markers;
  ParseSessionMarkers(in, 25.0f, markers, nullptr, savedRecipeNames());
  ASSERT_EQ(markers.size(), 2u);
  EXPECT_EQ(markers[0].recipeName, "impacts");
  EXPECT_EQ(markers[0].shape, 1);
  EXPECT_FLOAT_EQ(markers[0].band, 0.7f);
  EXPECT_EQ(markers[0].keywords, "metal");
  EXPECT_TRUE(markers[1].recipeName.empty());

  Session session;
  ASSERT_EQ(ImportMarkerEvents(markers, session, applySavedRecipe), 2);
  const Event& e = session.events[0];
  EXPECT_FLOAT_EQ(e.time, 4.0f);
  EXPECT_EQ(e.presetName, "impacts");
  EXPECT_EQ(e.shape, ShapeType::Contour);
  EXPECT_FLOAT_EQ(e.spread, 0.9f);
  EXPECT_EQ(e.keywords, "hit debris metal");
  EXPECT_TRUE(session.events[1].presetName.empty());
  EXPECT_EQ(session.events[1].keywords, "door");
}

}  // namespace
}  // namespace vn
