#include "app/shortcuts.h"

#include <GLFW/glfw3.h>

namespace vn {

const std::vector<Shortcut>& acceleratorTable() {
  using C = CommandId;
  static const std::vector<Shortcut> table = {
      {GLFW_KEY_N, kModCtrl, C::New},
      {GLFW_KEY_O, kModCtrl, C::Open},
      {GLFW_KEY_S, kModCtrl | kModShift, C::SaveAs},
      {GLFW_KEY_E, kModCtrl | kModShift, C::Export},
      {GLFW_KEY_W, kModCtrl, C::Close},
      {GLFW_KEY_1, kModCtrl | kModShift, C::ProjectLauncher},
      {GLFW_KEY_COMMA, kModCtrl, C::Settings},
      {GLFW_KEY_EQUAL, kModCtrl, C::ZoomIn},
      {GLFW_KEY_MINUS, kModCtrl, C::ZoomOut},
      {GLFW_KEY_0, kModCtrl, C::ZoomFit},
      {GLFW_KEY_F1, 0, C::UserGuide},
  };
  return table;
}

const std::vector<Shortcut>& interfaceShortcuts() {
  using C = CommandId;
  static const std::vector<Shortcut> table = {
      {GLFW_KEY_S, kModCtrl, C::Save},
      {GLFW_KEY_Z, kModCtrl, C::Undo},
      {GLFW_KEY_Z, kModCtrl | kModShift, C::Redo},
      {GLFW_KEY_X, kModCtrl, C::Cut},
      {GLFW_KEY_C, kModCtrl, C::Copy},
      {GLFW_KEY_V, kModCtrl, C::Paste},
      {GLFW_KEY_DELETE, 0, C::Delete},
      {GLFW_KEY_A, kModCtrl, C::SelectAll},
      {GLFW_KEY_G, kModCtrl, C::Group},
      {GLFW_KEY_G, kModCtrl | kModShift, C::Ungroup},
      {GLFW_KEY_L, kModCtrl, C::LockToggle},
      {GLFW_KEY_B, kModCtrl, C::SaveScene},
      {GLFW_KEY_F4, kModAlt, C::Exit},
      {GLFW_KEY_SPACE, 0, C::PlayStop},
      {GLFW_KEY_HOME, 0, C::ReturnToStart},
      {GLFW_KEY_P, kModCtrl | kModShift, C::ShowProvenance},
  };
  return table;
}

std::optional<CommandId> matchShortcut(const std::vector<Shortcut>& table, int key, int mods) {
  const int relevant = mods & (kModShift | kModCtrl | kModAlt);
  for (const Shortcut& s : table)
    if (s.key == key && s.mods == relevant) return s.command;
  return std::nullopt;
}

std::optional<CommandId> commandForKey(int key, int mods, bool textEditing) {
  if (auto command = matchShortcut(acceleratorTable(), key, mods)) return command;
  if (textEditing) return std::nullopt;
  return matchShortcut(interfaceShortcuts(), key, mods);
}

}  // namespace vn
