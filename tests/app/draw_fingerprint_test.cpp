#include <gtest/gtest.h>
#include <imgui_internal.h>

#include "app/draw_fingerprint.h"
#include "app/engines.h"
#include "app/project_actions.h"
#include "headless_interface.h"
#include "tools/demo_session.h"

namespace vn {
namespace {

// The kept raster is only worth having if an idle interface really draws the same frame
// again and again, and only correct if every visible change alters the fingerprint.
struct FingerprintFixture : ::testing::Test {
  test::HeadlessInterface ui;
  std::unique_ptr<AppState> holder = std::make_unique<AppState>();
  AppState& app = *holder;

  void SetUp() override {
    attachProjectContext(app);
    app.session = tools::MakeDemoSession();
    selectOnly(app.selection, 1);
    ui.mouseTo(-100, -100);
    // Past the fresh status text's fade and the first layout frames.
    for (double until = app.now + kStatusFreshSeconds + 1.0; app.now < until;) ui.frame(app);
  }
  uint64_t next(uint64_t epoch = 0) {
    ui.frame(app);
    const std::optional<uint64_t> f = drawDataFingerprint(*ImGui::GetDrawData(), epoch);
    EXPECT_TRUE(f.has_value());
    return f.value_or(0);
  }
};

TEST_F(FingerprintFixture, AnIdleInterfaceRepeatsItsFrameAndEveryChangeShows) {
  const uint64_t idle = next();
  EXPECT_EQ(next(), idle);
  EXPECT_EQ(next(), idle);

  EXPECT_NE(next(1), idle) << "a texture changed in place";

  movePlayhead(app, 7.25);
  const uint64_t moved = next();
  EXPECT_NE(moved, idle);
  EXPECT_EQ(next(), moved);

  selectOnly(app.selection, 2);
  const uint64_t selected = next();
  EXPECT_NE(selected, moved);

  ui.mouseTo(20, 10);  // over the File menu, which lights up
  ui.frame(app);
  const uint64_t hovered = next();
  EXPECT_NE(hovered, selected);

  ImGui::GetIO().DisplaySize = ImVec2(1400, 900);
  EXPECT_NE(next(), hovered);
}

TEST(DrawFingerprint, TellsOneChangedVertexOrClipAndGivesUpOnCallbacks) {
  test::HeadlessInterface ui;
  ImDrawListSharedData shared;
  shared.Font = ImGui::GetIO().Fonts->Fonts[0];
  ImDrawList list(&shared);
  list._ResetForNewFrame();
  list.PushClipRect(ImVec2(0, 0), ImVec2(200, 100));
  list.AddRectFilled(ImVec2(10, 10), ImVec2(50, 40), IM_COL32(200, 40, 40, 255));
  list.AddLine(ImVec2(0, 90), ImVec2(190, 90), IM_COL32_WHITE, 2.0f);
  ImDrawList* lists[] = {&list};
  ImDrawData data;
  data.Valid = true;
  data.CmdLists = lists;
  data.CmdListsCount = 1;
  data.DisplaySize = ImVec2(200, 100);
  data.FramebufferScale = ImVec2(1, 1);

  const uint64_t first = drawDataFingerprint(data, 0).value();
  EXPECT_EQ(drawDataFingerprint(data, 0).value(), first);

  list.VtxBuffer[list.VtxBuffer.Size - 1].col ^= 1;  // the last byte of the buffer
  const uint64_t recoloured = drawDataFingerprint(data, 0).value();
  EXPECT_NE(recoloured, first);
  list.VtxBuffer[list.VtxBuffer.Size - 1].col ^= 1;
  EXPECT_EQ(drawDataFingerprint(data, 0).value(), first);

  list.CmdBuffer[0].ClipRect.z -= 1;
  EXPECT_NE(drawDataFingerprint(data, 0).value(), first);
  list.CmdBuffer[0].ClipRect.z += 1;

  data.FramebufferScale = ImVec2(2, 2);
  EXPECT_NE(drawDataFingerprint(data, 0).value(), first);
  data.FramebufferScale = ImVec2(1, 1);

  list.AddCallback([](const ImDrawList*, const ImDrawCmd*) {}, nullptr);
  EXPECT_FALSE(drawDataFingerprint(data, 0).has_value());
}

}  // namespace
}  // namespace vn
