// The transport bar: play and stop (the space bar too), and the loop over the
// work area. It also keeps the playback engine in step with what the Session
// and the preferences say, and passes the output's messages to the status line.
#include <imgui.h>

#include <string>

#include "app/app_state.h"
#include "app/audio_panels.h"
#include "app/icons.h"
#include "audio/playback_engine.h"

namespace vn {
namespace {

constexpr const char* kPlayGlyph = "\xef\x81\x8b";  // U+F04B play
constexpr const char* kStopGlyph = "\xef\x81\x8d";  // U+F04D stop
constexpr const char* kLoopGlyph = "\xef\x81\xb9";  // U+F079 retweet

bool spacePressed() {
  const ImGuiIO& io = ImGui::GetIO();
  if (io.WantTextInput || io.KeyCtrl || io.KeyAlt || io.KeySuper) return false;
  return ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_Space), false);
}

// Each new message of the output reaches the status line once.
void relayAudioStatus(AppState& app) {
  static std::string told;
  if (app.audio.statusText == told) return;
  told = app.audio.statusText;
  if (!told.empty()) setStatus(app, told);
}

bool workAreaSet(const Session& s) { return s.workAreaIn >= 0.0f && s.workAreaOut > s.workAreaIn; }

void togglePlay(AppState& app, PlaybackEngine& engine) {
  if (IsPlaying(engine)) {
    StopPlayback(engine);
    return;
  }
  // Playing starts where the playhead shows, not where the last buffer ended.
  SeekPlayback(engine, app.playhead);
  StartPlayback(engine);
}

void toggleButton(const std::string& label, bool on, bool* clicked) {
  if (on) ImGui::PushStyleColor(ImGuiCol_Button, ImGui::GetStyleColorVec4(ImGuiCol_ButtonActive));
  *clicked = ImGui::Button(label.c_str());
  if (on) ImGui::PopStyleColor();
}

}  // namespace

void drawTransportBar(AppState& app) {
  relayAudioStatus(app);
  PlaybackEngine* engine = app.playback.get();
  const bool playing = engine && IsPlaying(*engine);
  ImGui::BeginDisabled(!engine);
  const std::string play = iconsAvailable() ? std::string(playing ? kStopGlyph : kPlayGlyph) + "##play"
                                            : std::string(playing ? "Stop##play" : "Play##play");
  bool clicked = false;
  toggleButton(play, playing, &clicked);
  ImGui::EndDisabled();
  if (ImGui::IsItemHovered(ImGuiHoveredFlags_AllowWhenDisabled))
    ImGui::SetTooltip(engine ? (playing ? "Stop (Space)" : "Play from the playhead (Space)") : "Playback is not available");
  if (!engine) return;
  if (clicked || spacePressed()) togglePlay(app, *engine);

  const Session& s = app.session;
  ImGui::SameLine();
  ImGui::BeginDisabled(!workAreaSet(s));
  const bool looping = engine->transport.looping.load() && workAreaSet(s);
  toggleButton(withIcon(kLoopGlyph, "Loop"), looping, &clicked);
  ImGui::EndDisabled();
  if (ImGui::IsItemHovered(ImGuiHoveredFlags_AllowWhenDisabled))
    ImGui::SetTooltip(workAreaSet(s) ? "Loop over the work area" : "Set a work area to loop over it");
  SetPlaybackLoop(*engine, clicked ? !engine->transport.looping.load() : engine->transport.looping.load(),
                  s.workAreaIn, s.workAreaOut);

  engine->videoOffset = s.videoStartTime;
  engine->monitorGain = app.prefs.monitorGain;
  if (!app.audio.running) {
    ImGui::SameLine();
    ImGui::TextDisabled("(no audio output)");
    if (ImGui::IsItemHovered())
      ImGui::SetTooltip("%s", app.audio.statusText.empty() ? "The playhead runs on its own clock" : app.audio.statusText.c_str());
  }
}

}  // namespace vn
