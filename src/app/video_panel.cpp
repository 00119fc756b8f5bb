// The video area: the reference video's frame at the playhead, fitted into the area,
// or the progress of a video that is loading.
#include <GL/gl.h>
#include <imgui.h>

#include <algorithm>

#include "app/app_state.h"
#include "app/picture_actions.h"
#include "app/picture_panels.h"
#include "app/picture_state.h"
#include "app/theme.h"
#include "core/session_timecode.h"
#include "picture/reference_audio.h"
#include "platform/log.h"

namespace vn {
namespace {

// The decoded frame goes to the texture only when it changed; true when it did.
bool uploadFrame(PictureState& p) {
  const VideoImage* image = DisplayImage(p.player);
  if (!image || image->serial == p.uploadedSerial || image->width < 1 || image->height < 1) return false;
  if (!p.texture) glGenTextures(1, &p.texture);
  glBindTexture(GL_TEXTURE_2D, p.texture);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  if (p.textureWidth != image->width || p.textureHeight != image->height) {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, image->width, image->height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 image->rgba.data());
    p.textureWidth = image->width;
    p.textureHeight = image->height;
  } else {
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, image->width, image->height, GL_RGBA, GL_UNSIGNED_BYTE, image->rgba.data());
  }
  p.uploadedSerial = image->serial;
  return true;
}

std::string loadingText() {
  return std::string("Loading video...") + "   " + format("%d%%", static_cast<int>(LoadProgress() * 100.0f + 0.5f));
}

void centeredText(const char* text, ImU32 color) {
  const ImVec2 avail = ImGui::GetContentRegionAvail();
  const ImVec2 size = ImGui::CalcTextSize(text);
  const ImVec2 at = ImGui::GetCursorScreenPos();
  ImGui::GetWindowDrawList()->AddText(ImVec2(at.x + (avail.x - size.x) * 0.5f, at.y + (avail.y - size.y) * 0.45f), color,
                                      text);
}

}  // namespace

bool videoPanelShown(const AppState& app) {
  const PictureState& p = app.picture;
  return p.player.loaded || p.load != nullptr;
}

void drawVideoPanel(AppState& app) {
  PictureState& p = app.picture;
  if (p.load && !p.player.loaded) {
    centeredText(loadingText().c_str(), colors::kTextDim);
    return;
  }
  if (uploadFrame(p)) ++app.textureEpoch;
  if (!p.texture || p.textureWidth < 1) return;
  const ImVec2 avail = ImGui::GetContentRegionAvail();
  const float scale = std::min(avail.x / p.textureWidth, avail.y / p.textureHeight);
  const ImVec2 size(p.textureWidth * scale, p.textureHeight * scale);
  const ImVec2 at = ImGui::GetCursorScreenPos();
  const ImVec2 p0(at.x + (avail.x - size.x) * 0.5f, at.y + (avail.y - size.y) * 0.5f);
  ImDrawList* dl = ImGui::GetWindowDrawList();
  dl->AddRectFilled(at, ImVec2(at.x + avail.x, at.y + avail.y), IM_COL32(0, 0, 0, 255));
  dl->AddImage(reinterpret_cast<ImTextureID>(static_cast<intptr_t>(p.texture)), p0, ImVec2(p0.x + size.x, p0.y + size.y));
  // The frame's timecode, and a newer video that is loading behind this one.
  const std::string tc = sessionTimecode(app.session.settings, p.player.offset + p.player.currentFrameTime);
  dl->AddText(ImVec2(p0.x + 6, p0.y + 4), IM_COL32(255, 255, 255, 200), tc.c_str());
  if (p.load) {
    dl->AddText(ImVec2(p0.x + 6, p0.y + size.y - ImGui::GetFontSize() - 4), colors::kAccent, loadingText().c_str());
  }
}

bool acceptVideoDrop(AppState& app, const DroppedItem& item) {
  if (item.kind != DropKind::Video || videoLoading(app)) return false;
  loadVideoInBackground(app, item.path, false);
  return true;
}

}  // namespace vn
