#include <gtest/gtest.h>

#include <GLFW/glfw3.h>

#include <map>
#include <set>

#include "app/menu_table.h"
#include "app/shortcuts.h"

namespace vn {
namespace {

TEST(MenuTable, LabelsShowWithoutTheMnemonicAndWithTheShortcutApart) {
  MenuLabel l = splitMenuLabel("&Open…\tCtrl+O");
  EXPECT_EQ(l.text, "Open…");
  EXPECT_EQ(l.shortcut, "Ctrl+O");
  l = splitMenuLabel("Se&ttings…\tCtrl+,");
  EXPECT_EQ(l.text, "Settings…");
  EXPECT_EQ(l.shortcut, "Ctrl+,");
  l = splitMenuLabel("Sound && &Picture");
  EXPECT_EQ(l.text, "Sound & Picture");
  EXPECT_TRUE(l.shortcut.empty());
  EXPECT_EQ(splitMenuLabel("&Lock / Unlock\tCtrl+L").text, "Lock / Unlock");
}

TEST(MenuTable, MenusAndItemsComeInTheirOrder) {
  const std::vector<Menu>& menus = menuBarTable();
  std::vector<std::string> titles;
  for (const Menu& m : menus) titles.push_back(splitMenuLabel(m.label).text);
  EXPECT_EQ(titles, (std::vector<std::string>{"File", "Edit", "Composition", "View", "Help"}));
  auto itemTexts = [](const Menu& menu) {
    std::vector<std::string> out;
    for (const MenuEntry& e : menu.entries)
      out.push_back(e.kind == MenuEntryKind::Separator ? "-" : splitMenuLabel(e.label).text);
    return out;
  };
  EXPECT_EQ(itemTexts(menus[0]),
            (std::vector<std::string>{"New", "Open…", "Open Recent", "Project Launcher…", "-", "Import Video…",
                                      "Import Markers…", "-", "Save", "Save As…", "-", "Export…", "-", "Close",
                                      "-", "Settings…", "-", "Exit"}));
  EXPECT_EQ(itemTexts(menus[1]),
            (std::vector<std::string>{"Undo", "Redo", "-", "Cut", "Copy", "Paste", "Delete", "-", "Select All", "-",
                                      "Group", "Ungroup", "Lock / Unlock"}));
  EXPECT_EQ(itemTexts(menus[2]),
            (std::vector<std::string>{"Render", "-", "Create Spot", "Create Bloom", "Create Contour", "Create Fill",
                                      "-", "Place Clip…", "Place Bed", "Place Recipe", "Place Chain", "-",
                                      "Set In Point", "Set Out Point", "Clear Work Area", "Save Scene", "-",
                                      "Draw Mode", "Mute / Unmute", "Bounce Selection to Clip"}));
  EXPECT_EQ(itemTexts(menus[3]),
            (std::vector<std::string>{"Zoom In", "Zoom Out", "Zoom to Fit", "-", "Events", "Project", "Trace",
                                      "Mixer", "Library", "Export", "Settings"}));
  EXPECT_EQ(itemTexts(menus[4]), (std::vector<std::string>{"User Guide", "-", "About Varnel"}));
}

// The shortcut a menu shows must be the one the keyboard tables carry out.
TEST(MenuTable, EveryShortcutShownIsTheOneTheKeyboardRuns) {
  const std::map<std::string, std::pair<int, int>> keys = {
      {"Ctrl+N", {GLFW_KEY_N, kModCtrl}},
      {"Ctrl+O", {GLFW_KEY_O, kModCtrl}},
      {"Ctrl+Shift+1", {GLFW_KEY_1, kModCtrl | kModShift}},
      {"Ctrl+S", {GLFW_KEY_S, kModCtrl}},
      {"Ctrl+Shift+S", {GLFW_KEY_S, kModCtrl | kModShift}},
      {"Ctrl+Shift+E", {GLFW_KEY_E, kModCtrl | kModShift}},
      {"Ctrl+W", {GLFW_KEY_W, kModCtrl}},
      {"Ctrl+,", {GLFW_KEY_COMMA, kModCtrl}},
      {"Alt+F4", {GLFW_KEY_F4, kModAlt}},
      {"Ctrl+Z", {GLFW_KEY_Z, kModCtrl}},
      {"Ctrl+Shift+Z", {GLFW_KEY_Z, kModCtrl | kModShift}},
      {"Ctrl+X", {GLFW_KEY_X, kModCtrl}},
      {"Ctrl+C", {GLFW_KEY_C, kModCtrl}},
      {"Ctrl+V", {GLFW_KEY_V, kModCtrl}},
      {"Del", {GLFW_KEY_DELETE, 0}},
      {"Ctrl+A", {GLFW_KEY_A, kModCtrl}},
      {"Ctrl+G", {GLFW_KEY_G, kModCtrl}},
      {"Ctrl+Shift+G", {GLFW_KEY_G, kModCtrl | kModShift}},
      {"Ctrl+L", {GLFW_KEY_L, kModCtrl}},
      {"Ctrl+B", {GLFW_KEY_B, kModCtrl}},
      {"Ctrl+=", {GLFW_KEY_EQUAL, kModCtrl}},
      {"Ctrl+-", {GLFW_KEY_MINUS, kModCtrl}},
      {"Ctrl+0", {GLFW_KEY_0, kModCtrl}},
      {"F1", {GLFW_KEY_F1, 0}},
  };
  int checked = 0;
  for (const Menu& menu : menuBarTable()) {
    for (const MenuEntry& entry : menu.entries) {
      if (entry.kind != MenuEntryKind::Item) continue;
      const std::string shortcut = splitMenuLabel(entry.label).shortcut;
      if (shortcut.empty()) continue;
      auto key = keys.find(shortcut);
      ASSERT_NE(key, keys.end()) << shortcut;
      auto command = commandForKey(key->second.first, key->second.second, false);
      ASSERT_TRUE(command.has_value()) << shortcut;
      EXPECT_EQ(*command, entry.command) << shortcut;
      ++checked;
    }
  }
  EXPECT_EQ(checked, 24);
}

TEST(Shortcuts, AcceleratorsActEvenWhileTypingOtherShortcutsDoNot) {
  EXPECT_EQ(acceleratorTable().size(), 11u);
  EXPECT_EQ(commandForKey(GLFW_KEY_N, kModCtrl, true), CommandId::New);
  EXPECT_EQ(commandForKey(GLFW_KEY_F1, 0, true), CommandId::UserGuide);
  EXPECT_FALSE(commandForKey(GLFW_KEY_C, kModCtrl, true));
  EXPECT_FALSE(commandForKey(GLFW_KEY_DELETE, 0, true));
  EXPECT_EQ(commandForKey(GLFW_KEY_DELETE, 0, false), CommandId::Delete);
  // Caps Lock and Num Lock do not change a shortcut; other modifiers do.
  constexpr int kCapsLock = 0x10, kNumLock = 0x20;
  EXPECT_EQ(commandForKey(GLFW_KEY_S, kModCtrl | kCapsLock | kNumLock, false), CommandId::Save);
  EXPECT_FALSE(commandForKey(GLFW_KEY_S, kModCtrl | kModAlt, false));
  EXPECT_FALSE(commandForKey(GLFW_KEY_N, 0, false));
}

}  // namespace
}  // namespace vn
