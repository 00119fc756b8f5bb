#pragma once
// The menu bar as data: every menu and item label in order. In a label "&" marks the
// mnemonic letter and a tab separates the shortcut shown at the right.
#include <string>
#include <vector>

#include "app/app_command.h"

namespace vn {

enum class MenuEntryKind { Item, Separator, RecentProjects, Recipes, Chains };

struct MenuEntry {
  MenuEntryKind kind = MenuEntryKind::Item;
  const char* label = "";
  CommandId command = CommandId::New;
};

struct Menu {
  const char* label;
  std::vector<MenuEntry> entries;
};

const std::vector<Menu>& menuBarTable();

// "&Open…\tCtrl+O" shows as "Open…" with the shortcut "Ctrl+O"; "&&" is a literal "&".
struct MenuLabel {
  std::string text;
  std::string shortcut;
};
MenuLabel splitMenuLabel(const char* label);

}  // namespace vn
