// The transport bar in the toolbar strip: back to the start, play and stop, the
// loop over the work area, and where the sound comes from. Its buttons post the
// same commands as the keys (Home, Space), so either way runs one path.
#include <imgui.h>

#include <string>

#include "app/app_state.h"
#include "app/audio_panels.h"
#include "app/commands.h"
#include "app/engines.h"
#include "app/icons.h"
#include "app/transport_actions.h"

namespace vn {
namespace {

constexpr const char* kPlayGlyph = "\xef\x81\x8b";   // U+F04B play
constexpr const char* kStopGlyph = "\xef\x81\x8d";   // U+F04D stop
constexpr const char* kStartGlyph = "\xef\x81\x88";  // U+F048 step-backward
constexpr const char* kLoopGlyph = "\xef\x81\xb9";   // U+F079 retweet

// A button that posts a command, lit while on.
void transportButton(AppState& app, const char* glyph, const char* text, CommandId id, bool on, const char* tip) {
  const std::string label = iconsAvailable() ? std::string(glyph) + "##" + text : std::string(text) + "##" + text;
  ImGui::BeginDisabled(!commandAvailable(app, id));
  if (on) ImGui::PushStyleColor(ImGuiCol_Button, ImGui::GetStyleColorVec4(ImGuiCol_ButtonActive));
  if (ImGui::Button(label.c_str())) app.commands.post(id);
  if (on) ImGui::PopStyleColor();
  ImGui::EndDisabled();
  if (ImGui::IsItemHovered(ImGuiHoveredFlags_AllowWhenDisabled)) ImGui::SetTooltip("%s", tip);
  ImGui::SameLine();
}

}  // namespace

void drawTransportBar(AppState& app) {
  const bool playing = isPlaying(app);
  transportButton(app, kStartGlyph, "Start", CommandId::ReturnToStart, false, "Back to the start (Home)");
  transportButton(app, playing ? kStopGlyph : kPlayGlyph, playing ? "Stop" : "Play", CommandId::PlayStop, playing,
                  !playbackAvailable(app) ? "Playback is not available"
                  : playing               ? "Stop (Space)"
                                          : "Play from the playhead (Space)");
  const bool loopOn = app.transport.loopWorkArea;
  transportButton(app, kLoopGlyph, "Loop", CommandId::LoopToggle, loopOn,
                  workAreaSet(app.session) ? "Loop over the work area" : "Loop over the work area (set one first)");
  if (playbackAvailable(app) && !app.audio.running) {
    ImGui::AlignTextToFramePadding();
    ImGui::TextDisabled("silent clock");
    if (ImGui::IsItemHovered())
      ImGui::SetTooltip("No audio output: the playhead runs on its own clock.\n%s\nSettings > Output to choose one.",
                        app.audio.statusText.c_str());
    ImGui::SameLine();
  }
}

}  // namespace vn
