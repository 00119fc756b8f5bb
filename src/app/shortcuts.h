#pragma once
// Keyboard shortcuts. The accelerator table acts on every key press, even while a
// text field has the keyboard; the interface shortcuts (the editing keys shown in the
// menus) act only when no text field is being edited, so that Ctrl+C in a field
// copies text rather than events.
#include <optional>
#include <vector>

#include "app/app_command.h"

namespace vn {

// Modifier bits, the same values as GLFW's.
constexpr int kModShift = 0x1;
constexpr int kModCtrl = 0x2;
constexpr int kModAlt = 0x4;

struct Shortcut {
  int key;   // a GLFW key code
  int mods;  // exact combination of kModShift, kModCtrl and kModAlt
  CommandId command;
};

const std::vector<Shortcut>& acceleratorTable();
const std::vector<Shortcut>& interfaceShortcuts();

// The command of a key press (GLFW key and modifier bits; lock-key bits are ignored).
std::optional<CommandId> matchShortcut(const std::vector<Shortcut>& table, int key, int mods);

// The command for a key press, the accelerator table first; textEditing is true while a
// text field has the keyboard.
std::optional<CommandId> commandForKey(int key, int mods, bool textEditing);

}  // namespace vn
