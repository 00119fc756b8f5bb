#pragma once
// The program's own open, save and folder dialogs, drawn as an interface modal.
#include <functional>
#include <string>
#include <vector>

namespace vn {

enum class BrowseMode { OpenFile, SaveFile, PickFolder };

struct BrowserEntry {
  std::string name;
  bool folder = false;
};

struct FileBrowser {
  bool open = false;
  bool justOpened = false;
  BrowseMode mode = BrowseMode::OpenFile;
  std::string title;
  std::string folder;
  std::string fileName;                 // typed or picked
  std::function<bool(const std::string& name)> filter;  // which files to list; empty lists every file
  std::vector<BrowserEntry> entries;
  std::string listingError;
  bool askReplace = false;
  std::function<void(const std::string&)> onChosen;
};

// Opens the dialog; the chosen path reaches onChosen from the frame that confirms it.
void openFileBrowser(FileBrowser& browser, BrowseMode mode, std::string title, std::string startFolder,
                     std::function<bool(const std::string&)> filter,
                     std::function<void(const std::string&)> onChosen, std::string suggestedName = {});

// Files whose name ends in the extension, without regard to case.
std::function<bool(const std::string&)> extensionFilter(std::string extension);

// Reads the folder: sub-folders first, then the files the filter takes, each group
// sorted by name; hidden entries are left out.
void listFolder(FileBrowser& browser);

// The path the dialog would choose now; empty when nothing is chosen yet.
std::string chosenPath(const FileBrowser& browser);

void drawFileBrowser(FileBrowser& browser);

}  // namespace vn
