// The Library panel: the Libraries and Palettes with their summaries, adding a folder
// (a scan with its progress), and the sources that went missing with their relinking.
#include <imgui.h>

#include <algorithm>

#include "app/app_state.h"
#include "app/icons.h"
#include "app/library_actions.h"
#include "app/panel_draw.h"
#include "app/theme.h"
#include "app/widgets.h"
#include "library/libraries.h"
#include "library/relink.h"
#include "platform/log.h"
#include "platform/paths.h"

namespace vn {
namespace {

void scanProgress(AppState& app) {
  ScanStatus& scan = app.scan;
  const ScanTexts texts = ReadScanTexts(scan);
  if (scan.running) {
    ImGui::Text("Scanning %s", texts.name.c_str());
    const int done = scan.processed, total = scan.total;
    const std::string detail = total > 0 ? format("%d / %d files", done, total) : std::string("Looking for sound files…");
    ImGui::ProgressBar(total > 0 ? scan.progress.load() : 0.0f, ImVec2(-90 * app.uiScale, 0), detail.c_str());
    ImGui::SameLine();
    if (ImGui::Button("Cancel")) scan.running = false;
    return;
  }
  if (!texts.error.empty()) ImGui::TextColored(ImColor(colors::kMissing), "%s", texts.error.c_str());
  if (!texts.message.empty()) ImGui::TextColored(ImColor(colors::kAccent), "%s", texts.message.c_str());
  if (!texts.failedFiles.empty() &&
      ImGui::TreeNode("##failed", "%zu file%s could not be read", texts.failedFiles.size(),
                      plural(texts.failedFiles.size()))) {
    for (const ScanFailure& f : texts.failedFiles) {
      ImGui::TextUnformatted(fileNameOf(f.path).c_str());
      ImGui::SameLine();
      ImGui::TextDisabled("%s", f.reason.c_str());
    }
    ImGui::TreePop();
  }
}

void libraryList(AppState& app) {
  LibraryList& list = AppLibraries();
  std::lock_guard<std::mutex> lock(list.mutex);
  if (list.libraries.empty()) {
    ImGui::TextDisabled("No libraries yet. Add a folder of sound effects,");
    ImGui::TextDisabled("or drop one on this panel.");
    return;
  }
  for (size_t i = 0; i < list.libraries.size(); ++i) {
    const Library& lib = list.libraries[i];
    ImGui::PushID(static_cast<int>(i));
    const std::string title = withIcon(lib.savedPalette ? icon::kMusic : icon::kFolder, lib.name.c_str());
    const bool open = ImGui::TreeNodeEx("##lib", ImGuiTreeNodeFlags_SpanAvailWidth, "%s", title.c_str());
    ImGui::SameLine(ImGui::GetContentRegionMax().x - 80 * app.uiScale);
    ImGui::TextDisabled("%zu files", lib.records.size());
    if (open) {
      if (lib.savedPalette) ImGui::TextDisabled("Palette");
      if (!lib.folder.empty()) ImGui::TextDisabled("%s", lib.folder.c_str());
      if (!lib.summary.empty()) ImGui::TextWrapped("%s", lib.summary.c_str());
      if (!lib.rootEnabled) ImGui::TextDisabled("Not used by the build (disabled)");
      ImGui::TreePop();
    }
    ImGui::PopID();
  }
}

void missingSources(AppState& app) {
  const int count = missingSourceCount(app);
  sectionTitle(format("Missing sources (%d)", count).c_str());
  if (!app.relink.message.empty()) ImGui::TextColored(ImColor(colors::kAccent), "%s", app.relink.message.c_str());
  if (app.relink.running) {
    const int done = app.relink.done, total = app.relink.total;
    const std::string detail = total > 0 ? format("%d / %d files read", done, total) : "Looking for moved files…";
    ImGui::ProgressBar(total > 0 ? float(done) / float(total) : 0.0f, ImVec2(-90 * app.uiScale, 0), detail.c_str());
    ImGui::SameLine();
    if (ImGui::Button("Cancel##relink")) app.relink.cancel = 1;
    return;
  }
  if (count == 0) {
    ImGui::TextDisabled("Every source is where it was.");
    return;
  }
  if (!app.relink.askFileId.empty()) {
    ImGui::TextColored(ImColor(colors::kPlaceholder), "Selected file has different content.");
    if (ImGui::Button("Use anyway")) forceRelinkPending(app);
    ImGui::SameLine();
    if (ImGui::Button("Cancel##force")) app.relink.askFileId.clear();
  }
  if (ImGui::Button("Relink all…")) browseRelinkFolder(app);
  for (const FileIdentity& source : app.relink.missing) {
    ImGui::PushID(source.fileId.c_str());
    ImGui::TextColored(ImColor(colors::kMissing), "%s", fileNameOf(source.currentPath).c_str());
    if (ImGui::IsItemHovered()) ImGui::SetTooltip("%s", source.currentPath.c_str());
    ImGui::SameLine(ImGui::GetContentRegionMax().x - 60 * app.uiScale);
    if (ImGui::SmallButton("Relink…")) browseRelinkFile(app, source.fileId);
    ImGui::PopID();
  }
}

}  // namespace

void drawLibraryPanel(AppState& app) {
  ImGui::BeginDisabled(app.scan.running);
  if (ImGui::Button(withIcon(icon::kPlus, "Add folder…").c_str())) browseLibraryFolder(app);
  ImGui::EndDisabled();
  ImGui::SameLine();
  // A delivered file's provenance: what made it, and the way back to its sources.
  if (ImGui::Button("Find Print…")) app.commands.post({CommandId::FindPrint, {}, -1});
  scanProgress(app);
  sectionTitle("Libraries");
  libraryList(app);
  missingSources(app);
}

}  // namespace vn
