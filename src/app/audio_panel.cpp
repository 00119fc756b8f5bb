// The audio section of the Settings panel: back end, device, buffer size and output channels of the audio
// output, the monitor format and level, the output's last message and the A/V
// readout. A setting that took is kept in the preferences.
#include <imgui.h>

#include <array>
#include <optional>
#include <string>

#include "app/app_state.h"
#include "app/audio_panels.h"
#include "app/picture_state.h"
#include "app/widgets.h"
#include "audio/audio_diagnostics.h"
#include "audio/audio_startup.h"
#include "audio/av_readout.h"
#include "audio/device_control.h"
#include "audio/playback_engine.h"
#include "audio/stream_choice.h"
#include "platform/log.h"
#include "render/spatial_layout.h"

namespace vn {
namespace {

constexpr std::array<int, 7> kBufferSizes{32, 64, 128, 256, 512, 1024, 2048};
constexpr std::array<MonitorFormat, 4> kMonitorFormats{
    MonitorFormat{SpatialLayout::Stereo, false}, MonitorFormat{SpatialLayout::Surround51, false},
    MonitorFormat{SpatialLayout::Surround714, false}, MonitorFormat{SpatialLayout::Surround714, true}};

float column(const AppState& app) { return 120.0f * app.uiScale; }

// What is open now becomes what opens next time.
void keepSettings(AppState& app) {
  const AudioSettings now = CurrentAudioSettings(app.audio);
  if (!now.api.empty()) app.prefs.audioApi = now.api;
  if (!now.device.empty()) app.prefs.audioDevice = now.device;
  app.prefs.audioBufferFrames = now.bufferFrames;
  app.preferencesChanged = true;
}

std::string openDeviceName(const AudioOutput& out) {
  if (out.deviceIndex < 0 || out.deviceIndex >= static_cast<int>(out.devices.size())) return "(none)";
  return out.devices[static_cast<size_t>(out.deviceIndex)].name;
}

void backEndRow(AppState& app) {
  AudioOutput& out = app.audio;
  fieldLabel("Back end", column(app));
  const char* shared = out.api == kApiShared ? out.backendName.c_str() : "System (PulseAudio or ALSA)";
  const char* current = out.api == kApiLowLatency ? "JACK" : out.api == kApiShared ? shared : "(none)";
  if (ImGui::BeginCombo("##audio_api", current)) {
    if (ImGui::Selectable("JACK", out.api == kApiLowLatency) && SwitchAudioApi(out, kApiLowLatency)) keepSettings(app);
    if (ImGui::Selectable(shared, out.api == kApiShared) && SwitchAudioApi(out, kApiShared)) keepSettings(app);
    ImGui::EndCombo();
  }
  if (ImGui::IsItemHovered()) ImGui::SetTooltip("JACK for the lowest latency; the system sound server otherwise");
}

void deviceRow(AppState& app) {
  AudioOutput& out = app.audio;
  fieldLabel("Device", column(app));
  if (ImGui::BeginCombo("##audio_device", openDeviceName(out).c_str())) {
    for (size_t i = 0; i < out.devices.size(); ++i) {
      const AudioDeviceInfo& d = out.devices[i];
      const std::string label = format("%s (%d ch)##dev%zu", d.name.c_str(), d.outputChannels, i);
      if (ImGui::Selectable(label.c_str(), static_cast<int>(i) == out.deviceIndex) &&
          SelectOutputDevice(out, static_cast<int>(i)))
        keepSettings(app);
    }
    ImGui::EndCombo();
  }
}

void bufferRow(AppState& app) {
  AudioOutput& out = app.audio;
  const bool serverSized = out.api == kApiLowLatency;
  fieldLabel("Buffer", column(app));
  ImGui::BeginDisabled(serverSized);
  const std::string current = serverSized ? format("%d frames (server)", out.streamFrames)
                                          : format("%d frames", out.bufferSize);
  if (ImGui::BeginCombo("##audio_buffer", current.c_str())) {
    for (int size : kBufferSizes)
      if (ImGui::Selectable(format("%d frames", size).c_str(), size == out.bufferSize) && SetBufferSize(out, size))
        keepSettings(app);
    ImGui::EndCombo();
  }
  ImGui::EndDisabled();
  if (serverSized && ImGui::IsItemHovered(ImGuiHoveredFlags_AllowWhenDisabled))
    ImGui::SetTooltip("JACK plays at the buffer size its server was started with");
}

void channelsRow(AppState& app) {
  AudioOutput& out = app.audio;
  fieldLabel("Channels", column(app));
  // The choices are the channel formats, in their order.
  const int choice = ChoiceForOutputChannels(out.requestedChannels);
  if (ImGui::BeginCombo("##audio_channels", channelFormatName(choice))) {
    for (int f = 0; f < 4; ++f)
      if (ImGui::Selectable(channelFormatName(f), f == choice) && f != choice) SetOutputChannels(out, f);
    ImGui::EndCombo();
  }
  if (out.streamRate > 0 && out.channels != out.requestedChannels && ImGui::IsItemHovered())
    ImGui::SetTooltip("The device plays %d channels", out.channels);
}

void monitorRows(AppState& app) {
  Preferences& p = app.prefs;
  const MonitorFormat current = monitorFormatFromPrefs(p.monitorLayout, p.monitorBinaural);
  ImGui::SetNextItemWidth(ImGui::GetContentRegionAvail().x - ImGui::CalcTextSize("Format").x - 8.0f * app.uiScale);
  if (ImGui::BeginCombo("Format##mon", monitorFormatLabel(current))) {
    for (const MonitorFormat& f : kMonitorFormats) {
      const bool selected = f.layout == current.layout && f.binaural == current.binaural;
      if (ImGui::Selectable(monitorFormatLabel(f), selected)) {
        p.monitorLayout = static_cast<int>(f.layout);
        p.monitorBinaural = f.binaural;
        app.preferencesChanged = true;
      }
    }
    ImGui::EndCombo();
  }
  fieldLabel("Level", column(app));
  float gain = p.monitorGain;
  if (ImGui::SliderFloat("##monitor_gain", &gain, 0.0f, 2.0f, "%.2f", ImGuiSliderFlags_AlwaysClamp)) {
    p.monitorGain = gain;
    app.preferencesChanged = true;
  }
}

void actionRow(AppState& app) {
  AudioOutput& out = app.audio;
  if (ImGui::Button("Rescan JACK") && RescanAsio(out)) keepSettings(app);
  if (ImGui::IsItemHovered()) ImGui::SetTooltip("Look for the JACK server again (after starting or restarting it)");
  if (out.streamRate > 0) return;
  ImGui::SameLine();
  if (ImGui::Button("Open the output") &&
      StartAudioOutput(out, CurrentAudioSettings(out), app.session.settings.projectSampleRate))
    keepSettings(app);
}

// The picture's time minus the sound's, while a video shows a frame.
std::optional<double> pictureToSoundMs(AppState& app) {
  const VideoPlayer& player = app.picture.player;
  if (!app.playback || !player.loaded || player.currentFrameTime < 0.0f) return std::nullopt;
  const double sound = PlayheadSeconds(*app.playback, app.audio, SteadyNanos());
  return 1000.0 * (player.offset + player.currentFrameTime - sound);
}

void statusRows(AppState& app) {
  const AudioOutput& out = app.audio;
  if (!out.statusText.empty()) {
    ImGui::PushTextWrapPos(0.0f);
    if (out.failed || out.streamRate == 0) ImGui::TextColored(ImVec4(1.0f, 0.62f, 0.35f, 1.0f), "%s", out.statusText.c_str());
    else ImGui::TextUnformatted(out.statusText.c_str());
    ImGui::PopTextWrapPos();
  }
  if (!out.running) ImGui::TextDisabled("Silent clock: the playhead moves in real time without sound");
  ImGui::TextDisabled("%s", AvReadout(out, pictureToSoundMs(app)).c_str());
  if (app.playback) {
    ImGui::TextDisabled("Buffers played without the mix (cache busy): %llu",
                        static_cast<unsigned long long>(missedBuffers(*app.playback->mixer)));
  }
  ImGui::TextDisabled("Late buffers: %llu", static_cast<unsigned long long>(out.counters.underflows.load()));
  const std::string diagnostics = AudioDiagnosticsPath();
  if (!diagnostics.empty()) {
    ImGui::TextDisabled("Diagnostics: %s", diagnostics.c_str());
    if (ImGui::IsItemHovered())
      ImGui::SetTooltip("A line a second is added while playback has dropouts or the output reopens");
  }
}

}  // namespace

void drawAudioPanel(AppState& app) {
  sectionTitle("Audio output");
  backEndRow(app);
  deviceRow(app);
  bufferRow(app);
  channelsRow(app);
  actionRow(app);
  ImGui::Spacing();
  sectionTitle("Monitoring");
  monitorRows(app);
  ImGui::Spacing();
  sectionTitle("Status");
  statusRows(app);
}

}  // namespace vn
