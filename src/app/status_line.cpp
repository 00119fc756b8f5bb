#include "app/status_line.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "app/app_state.h"
#include "app/edit_actions.h"
#include "app/job_status.h"
#include "app/theme.h"
#include "platform/log.h"
#include "platform/paths.h"

namespace vn {
namespace {

std::string projectLabel(const AppState& app) {
  std::string name = app.project.projectPath.empty() ? "Untitled" : stemOf(app.project.projectPath);
  if (app.session.dirty) name += " *";
  return name;
}

}  // namespace

void drawStatusLine(AppState& app, ImVec2 pos, ImVec2 size) {
  ImGui::SetNextWindowPos(pos);
  ImGui::SetNextWindowSize(size);
  ImGui::PushStyleColor(ImGuiCol_WindowBg, ImVec4(0.086f, 0.094f, 0.106f, 1.0f));
  ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(10 * app.uiScale, 3 * app.uiScale));
  ImGui::Begin("##status", nullptr,
               ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoSavedSettings |
                   ImGuiWindowFlags_NoBringToFrontOnFocus);
  ImGui::AlignTextToFramePadding();
  const bool fresh = statusIsFresh(app.status, app.now);
  if (!app.status.text.empty()) {
    const float glow = fresh ? 1.0f - float((app.now - app.status.postedAt) / kStatusFreshSeconds) : 0.0f;
    const ImVec4 color(0.886f, 0.898f + 0.05f * glow, 0.922f, 0.75f + 0.25f * glow);
    ImGui::TextColored(color, "%s", app.status.text.c_str());
  } else {
    ImGui::TextDisabled("Ready");
  }

  const std::vector<JobProgress> jobs = runningJobs(app);
  if (!jobs.empty()) {
    ImGui::SameLine(std::max(ImGui::GetCursorPosX() + 24.0f, size.x * 0.36f));
    for (const JobProgress& job : jobs) {
      ImGui::TextUnformatted(job.label.c_str());
      ImGui::SameLine();
      ImGui::SetNextItemWidth(160 * app.uiScale);
      ImGui::ProgressBar(job.fraction < 0 ? float(std::fmod(app.now, 1.0)) : job.fraction,
                         ImVec2(160 * app.uiScale, 0), job.detail.c_str());
      ImGui::SameLine(0, 16 * app.uiScale);
    }
  }

  const Session& s = app.session;
  const std::string layers = sessionBusy(app) ? std::string("building") : format("%zu layers", s.results.size());
  const std::string right = format("%zu events   %s   %d Hz   %.3g fps      %s", s.events.size(), layers.c_str(),
                                   s.settings.projectSampleRate, s.settings.fps, projectLabel(app).c_str());
  const float width = ImGui::CalcTextSize(right.c_str()).x;
  ImGui::SameLine(std::max(ImGui::GetCursorPosX() + 16.0f, size.x - width - 12 * app.uiScale));
  ImGui::TextDisabled("%s", right.c_str());
  ImGui::End();
  ImGui::PopStyleVar();
  ImGui::PopStyleColor();
}

}  // namespace vn
