#include "app/file_browser.h"

#include <imgui.h>
#include <imgui_stdlib.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <strings.h>

#include "platform/paths.h"

namespace vn {
namespace {

namespace fs = std::filesystem;

void enterFolder(FileBrowser& browser, const std::string& folder) {
  browser.folder = folder;
  if (browser.mode != BrowseMode::SaveFile) browser.fileName.clear();
  browser.askReplace = false;
  listFolder(browser);
}

void confirm(FileBrowser& browser) {
  const std::string path = chosenPath(browser);
  if (path.empty()) return;
  if (browser.mode == BrowseMode::SaveFile && fileExists(path) && !browser.askReplace) {
    browser.askReplace = true;
    return;
  }
  browser.open = false;
  browser.askReplace = false;
  ImGui::CloseCurrentPopup();
  if (browser.onChosen) browser.onChosen(path);
}

void drawShortcuts(FileBrowser& browser) {
  if (ImGui::Button("Up") && browser.folder != "/") enterFolder(browser, parentFolder(browser.folder));
  ImGui::SameLine();
  const char* home = std::getenv("HOME");
  if (ImGui::Button("Home") && home) enterFolder(browser, home);
  ImGui::SameLine();
  if (ImGui::Button("Documents")) {
    std::string docs = documentsFolder();
    enterFolder(browser, folderExists(docs) ? docs : parentFolder(docs));
  }
  ImGui::SameLine();
  ImGui::SetNextItemWidth(-1);
  std::string typed = browser.folder;
  if (ImGui::InputText("##folder", &typed, ImGuiInputTextFlags_EnterReturnsTrue)) {
    if (folderExists(typed)) enterFolder(browser, typed);
    else browser.listingError = "No such folder: " + typed;
  }
}

void drawEntries(FileBrowser& browser) {
  const float footer = ImGui::GetFrameHeightWithSpacing() * (browser.askReplace ? 3.2f : 2.2f);
  ImGui::BeginChild("##entries", ImVec2(0, -footer), true);
  if (!browser.listingError.empty()) ImGui::TextDisabled("%s", browser.listingError.c_str());
  std::string enter;
  for (const BrowserEntry& entry : browser.entries) {
    const std::string label = (entry.folder ? "[+] " : "     ") + entry.name;
    const bool selected = !entry.folder && entry.name == browser.fileName;
    if (ImGui::Selectable(label.c_str(), selected, ImGuiSelectableFlags_AllowDoubleClick)) {
      if (entry.folder) {
        if (ImGui::IsMouseDoubleClicked(0) || browser.mode == BrowseMode::PickFolder) enter = entry.name;
      } else {
        browser.fileName = entry.name;
        browser.askReplace = false;
        if (ImGui::IsMouseDoubleClicked(0)) confirm(browser);
      }
    }
  }
  ImGui::EndChild();
  if (!enter.empty()) enterFolder(browser, pathJoin(browser.folder, enter));
}

void drawFooter(FileBrowser& browser) {
  if (browser.mode != BrowseMode::PickFolder) {
    ImGui::SetNextItemWidth(-220);
    if (ImGui::InputTextWithHint("##name", "File name", &browser.fileName, ImGuiInputTextFlags_EnterReturnsTrue))
      confirm(browser);
  } else {
    ImGui::TextDisabled("%s", browser.folder.c_str());
  }
  ImGui::SameLine(ImGui::GetWindowWidth() - 210);
  const char* action = browser.mode == BrowseMode::SaveFile ? "Save" : browser.mode == BrowseMode::OpenFile ? "Open"
                                                                                                           : "Choose";
  ImGui::BeginDisabled(chosenPath(browser).empty());
  if (ImGui::Button(action, ImVec2(95, 0))) confirm(browser);
  ImGui::EndDisabled();
  ImGui::SameLine();
  if (ImGui::Button("Cancel", ImVec2(95, 0))) {
    browser.open = false;
    ImGui::CloseCurrentPopup();
  }
  if (browser.askReplace) {
    ImGui::TextColored(ImVec4(1.0f, 0.75f, 0.3f, 1.0f), "\"%s\" exists. Press Save again to replace it.",
                       browser.fileName.c_str());
  }
}

}  // namespace

std::function<bool(const std::string&)> extensionFilter(std::string extension) {
  return [extension](const std::string& name) { return endsWithNoCase(name, extension); };
}

void openFileBrowser(FileBrowser& browser, BrowseMode mode, std::string title, std::string startFolder,
                     std::function<bool(const std::string&)> filter,
                     std::function<void(const std::string&)> onChosen, std::string suggestedName) {
  browser.open = true;
  browser.justOpened = true;
  browser.mode = mode;
  browser.title = std::move(title);
  browser.filter = std::move(filter);
  browser.onChosen = std::move(onChosen);
  browser.fileName = std::move(suggestedName);
  browser.askReplace = false;
  if (startFolder.empty() || !folderExists(startFolder)) {
    const char* home = std::getenv("HOME");
    startFolder = home && folderExists(home) ? home : "/";
  }
  browser.folder = startFolder;
  listFolder(browser);
}

void listFolder(FileBrowser& browser) {
  browser.entries.clear();
  browser.listingError.clear();
  std::error_code ec;
  fs::directory_iterator it(browser.folder, fs::directory_options::skip_permission_denied, ec);
  if (ec) {
    browser.listingError = "Could not read this folder: " + ec.message();
    return;
  }
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) break;
    const std::string name = it->path().filename().string();
    if (name.empty() || name[0] == '.') continue;
    std::error_code typeError;
    const bool folder = it->is_directory(typeError);
    if (folder || (browser.mode != BrowseMode::PickFolder && (!browser.filter || browser.filter(name))))
      browser.entries.push_back({name, folder});
  }
  std::sort(browser.entries.begin(), browser.entries.end(), [](const BrowserEntry& a, const BrowserEntry& b) {
    if (a.folder != b.folder) return a.folder;
    return strcasecmp(a.name.c_str(), b.name.c_str()) < 0;
  });
}

std::string chosenPath(const FileBrowser& browser) {
  if (browser.mode == BrowseMode::PickFolder) return browser.folder;
  if (browser.fileName.empty()) return {};
  if (browser.fileName[0] == '/') return browser.fileName;
  return pathJoin(browser.folder, browser.fileName);
}

void drawFileBrowser(FileBrowser& browser) {
  if (!browser.open) return;
  const std::string id = browser.title + "###file_browser";
  if (browser.justOpened) {
    ImGui::OpenPopup(id.c_str());
    browser.justOpened = false;
  }
  const ImVec2 size = ImGui::GetMainViewport()->Size;
  ImGui::SetNextWindowSize(ImVec2(std::min(760.0f, size.x * 0.9f), std::min(520.0f, size.y * 0.85f)),
                           ImGuiCond_Appearing);
  ImGui::SetNextWindowPos(ImGui::GetMainViewport()->GetCenter(), ImGuiCond_Appearing, ImVec2(0.5f, 0.5f));
  bool keepOpen = true;
  if (ImGui::BeginPopupModal(id.c_str(), &keepOpen)) {
    drawShortcuts(browser);
    drawEntries(browser);
    drawFooter(browser);
    ImGui::EndPopup();
  }
  if (!keepOpen) browser.open = false;
}

}  // namespace vn
