#include <gtest/gtest.h>

#include <GLFW/glfw3.h>

#include <cctype>
#include <cstring>
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

// The bar as the user guide gives it: "; " between the items of a group, " / " between
// groups, submenus in square brackets. Labels are compared whole, mnemonic and
// shortcut included.
std::string documentedForm(const Menu& menu) {
  std::string out;
  const char* joint = "";
  for (const MenuEntry& e : menu.entries) {
    if (e.kind == MenuEntryKind::Separator) {
      joint = " / ";
      continue;
    }
    out += joint;
    out += e.kind == MenuEntryKind::Item ? std::string(e.label) : "[" + std::string(e.label) + "]";
    joint = "; ";
  }
  return out;
}

TEST(MenuTable, MenusAndItemsComeInTheirOrder) {
  const std::vector<Menu>& menus = menuBarTable();
  ASSERT_EQ(menus.size(), 5u);
  EXPECT_STREQ(menus[0].label, "&File");
  EXPECT_EQ(documentedForm(menus[0]),
            "&New\tCtrl+N; &Open…\tCtrl+O; [Open &Recent]; Project &Launcher…\tCtrl+Shift+1 / Import &Video…; "
            "Import &Markers… / &Save\tCtrl+S; Save &As…\tCtrl+Shift+S / &Export…\tCtrl+Shift+E / &Close\tCtrl+W / "
            "Se&ttings…\tCtrl+, / E&xit\tAlt+F4");
  EXPECT_STREQ(menus[1].label, "&Edit");
  EXPECT_EQ(documentedForm(menus[1]),
            "&Undo\tCtrl+Z; &Redo\tCtrl+Shift+Z / Cu&t\tCtrl+X; &Copy\tCtrl+C; &Paste\tCtrl+V; &Delete\tDel / "
            "Select &All\tCtrl+A / &Group\tCtrl+G; U&ngroup\tCtrl+Shift+G; &Lock / Unlock\tCtrl+L");
  EXPECT_STREQ(menus[2].label, "&Composition");
  EXPECT_EQ(documentedForm(menus[2]),
            "&Render / Create &Spot; Create &Bloom; Create &Contour; Create &Fill / Place C&lip…; Place B&ed; "
            "[Place Recipe]; [Place Chain] / Set &In Point; Set &Out Point; Clear &Work Area; Save Scene\tCtrl+B / "
            "&Draw Mode; &Mute / Unmute; Bou&nce Selection to Clip");
  EXPECT_STREQ(menus[3].label, "&View");
  EXPECT_EQ(documentedForm(menus[3]),
            "Zoom &In\tCtrl+=; Zoom &Out\tCtrl+-; Zoom to &Fit\tCtrl+0 / &Events; &Project; &Trace; &Mixer; "
            "&Delivery; &Library; E&xport; &Settings; Pro&venance\tCtrl+Shift+P");
  EXPECT_STREQ(menus[4].label, "&Help");
  EXPECT_EQ(documentedForm(menus[4]), "&User Guide\tF1 / &About Varnel");
}

// What keeps a menu usable from the keyboard and every item meaningful: one mnemonic
// letter per item and no two alike in a menu, separators only between groups, and
// one command per item across the whole bar.
TEST(MenuTable, EveryMenuIsUsableFromTheKeyboard) {
  std::set<CommandId> commands;
  std::set<char> titleLetters;
  for (const Menu& menu : menuBarTable()) {
    const char* amp = std::strchr(menu.label, '&');
    ASSERT_NE(amp, nullptr) << menu.label;
    EXPECT_TRUE(titleLetters.insert(static_cast<char>(std::tolower(amp[1]))).second) << menu.label;
    std::set<char> letters;
    const std::vector<MenuEntry>& entries = menu.entries;
    ASSERT_FALSE(entries.empty());
    EXPECT_NE(entries.front().kind, MenuEntryKind::Separator) << menu.label;
    EXPECT_NE(entries.back().kind, MenuEntryKind::Separator) << menu.label;
    for (size_t i = 0; i < entries.size(); ++i) {
      const MenuEntry& e = entries[i];
      if (e.kind == MenuEntryKind::Separator) {
        EXPECT_NE(entries[i - 1].kind, MenuEntryKind::Separator) << menu.label << " entry " << i;
        continue;
      }
      EXPECT_FALSE(splitMenuLabel(e.label).text.empty()) << menu.label << " entry " << i;
      if (e.kind != MenuEntryKind::Item) continue;
      EXPECT_TRUE(commands.insert(e.command).second) << e.label << " runs a command another item runs";
      const char* mark = std::strchr(e.label, '&');
      if (!mark) continue;  // "Save Scene" has none
      EXPECT_TRUE(letters.insert(static_cast<char>(std::tolower(mark[1]))).second)
          << e.label << " repeats a mnemonic of " << menu.label;
    }
  }
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
      {"Ctrl+Shift+P", {GLFW_KEY_P, kModCtrl | kModShift}},
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
  EXPECT_EQ(checked, 25);
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
