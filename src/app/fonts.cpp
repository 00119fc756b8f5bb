#include "app/fonts.h"

#include <imgui.h>

#include <algorithm>
#include <array>

#include "app/icons.h"
#include "platform/paths.h"

namespace vn {
namespace {

InterfaceFonts gFonts;
bool gIcons = false;

constexpr std::array<const char*, 2> kRobotoFolders{
    "/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF",
    "/usr/share/fonts/truetype/roboto/unhinted",
};
constexpr std::array<const char*, 2> kIconFonts{
    "/usr/share/fonts/truetype/font-awesome/fontawesome-webfont.ttf",
    "/usr/share/fonts-font-awesome/fonts/fontawesome-webfont.ttf",
};

std::string findFile(const char* name) {
  for (const char* folder : kRobotoFolders) {
    std::string path = pathJoin(folder, name);
    if (fileExists(path)) return path;
  }
  return {};
}

std::string findIconFont() {
  for (const char* path : kIconFonts)
    if (fileExists(path)) return path;
  return {};
}

// Latin text plus the punctuation the interface uses ("…", dashes, quotes).
const ImWchar* textRanges() {
  static const ImWchar ranges[] = {0x0020, 0x00FF, 0x0100, 0x017F, 0x2010, 0x2027, 0x2190, 0x2193, 0};
  return ranges;
}

ImFont* addFont(ImFontAtlas& atlas, const std::string& path, float pixels, const std::string& iconPath) {
  ImFont* font = nullptr;
  if (!path.empty()) {
    ImFontConfig config;
    config.OversampleH = 2;
    config.OversampleV = 1;
    font = atlas.AddFontFromFileTTF(path.c_str(), pixels, &config, textRanges());
  }
  if (!font) {
    ImFontConfig config;
    config.SizePixels = pixels;
    font = atlas.AddFontDefault(&config);
  }
  if (!iconPath.empty()) {
    static const ImWchar iconRanges[] = {0xF000, 0xF2E0, 0};
    ImFontConfig merge;
    merge.MergeMode = true;
    merge.PixelSnapH = true;
    merge.GlyphMinAdvanceX = pixels;
    merge.GlyphOffset = ImVec2(0, 1);
    gIcons = atlas.AddFontFromFileTTF(iconPath.c_str(), pixels * 0.9f, &merge, iconRanges) != nullptr || gIcons;
  }
  return font;
}

}  // namespace

bool iconsAvailable() { return gIcons; }

std::string withIcon(const char* glyph, const char* text) {
  if (!gIcons) return text;
  return std::string(glyph) + "  " + text;
}

float fontPixelsForPreset(int preset) {
  constexpr std::array<float, 3> sizes{13.0f, 15.0f, 17.0f};
  return sizes[std::clamp(preset, 0, 2)];
}

InterfaceFonts loadInterfaceFonts(float uiScale, int fontSizePreset) {
  ImFontAtlas& atlas = *ImGui::GetIO().Fonts;
  atlas.Clear();
  gIcons = false;
  const float pixels = fontPixelsForPreset(fontSizePreset) * uiScale;
  const std::string regular = findFile("Roboto-Regular.ttf");
  const std::string icons = findIconFont();
  InterfaceFonts fonts;
  fonts.roboto = !regular.empty();
  fonts.regular = addFont(atlas, regular, pixels, icons);
  fonts.medium = addFont(atlas, findFile("Roboto-Medium.ttf"), pixels, icons);
  fonts.bold = addFont(atlas, findFile("Roboto-Bold.ttf"), pixels * 1.1f, {});
  fonts.display = addFont(atlas, findFile("Roboto-Medium.ttf"), pixels * 1.55f, {});
  atlas.Build();
  gFonts = fonts;
  return fonts;
}

const InterfaceFonts& interfaceFonts() { return gFonts; }

}  // namespace vn
