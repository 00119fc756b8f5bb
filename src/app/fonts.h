#pragma once
// The interface fonts: Roboto in three weights with the icon font merged in, or
// ImGui's own font when Roboto is not installed.
struct ImFont;

namespace vn {

struct InterfaceFonts {
  ImFont* regular = nullptr;
  ImFont* medium = nullptr;
  ImFont* bold = nullptr;
  ImFont* display = nullptr;  // the large timecode readout
  bool roboto = false;
};

// Font size in pixels at scale 1 for the preference fontSizePreset (0 small, 1 medium, 2 large).
float fontPixelsForPreset(int preset);

// Builds the font atlas for the interface scale.
InterfaceFonts loadInterfaceFonts(float uiScale, int fontSizePreset);
const InterfaceFonts& interfaceFonts();

}  // namespace vn
