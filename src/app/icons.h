#pragma once
// Icon glyphs of the icon font (Font Awesome 4 code points, as Debian ships it),
// merged into the interface font. Without the font the icons are left out.
#include <string>

namespace vn {

namespace icon {
constexpr const char* kNew = "\xef\x85\x9b";        // U+F15B file
constexpr const char* kOpen = "\xef\x81\xbc";       // U+F07C folder-open
constexpr const char* kSave = "\xef\x83\x87";       // U+F0C7 floppy
constexpr const char* kUndo = "\xef\x83\xa2";       // U+F0E2 undo
constexpr const char* kRedo = "\xef\x80\x9e";       // U+F01E repeat
constexpr const char* kBuild = "\xef\x83\x90";      // U+F0D0 magic
constexpr const char* kRender = "\xef\x80\xa1";     // U+F021 refresh
constexpr const char* kZoomIn = "\xef\x80\x8e";     // U+F00E search-plus
constexpr const char* kZoomOut = "\xef\x80\x90";    // U+F010 search-minus
constexpr const char* kFit = "\xef\x81\xa5";        // U+F065 expand
constexpr const char* kLock = "\xef\x80\xa3";       // U+F023 lock
constexpr const char* kUnlock = "\xef\x82\x9c";     // U+F09C unlock
constexpr const char* kMute = "\xef\x80\xa6";       // U+F026 volume-off
constexpr const char* kHero = "\xef\x80\x85";       // U+F005 star
constexpr const char* kWarning = "\xef\x81\xb1";    // U+F071 warning
constexpr const char* kFolder = "\xef\x81\xbb";     // U+F07B folder
constexpr const char* kMusic = "\xef\x80\x81";      // U+F001 music
constexpr const char* kPencil = "\xef\x81\x80";     // U+F040 pencil
constexpr const char* kTrash = "\xef\x87\xb8";      // U+F1F8 trash
constexpr const char* kLink = "\xef\x83\x81";       // U+F0C1 link
constexpr const char* kSliders = "\xef\x87\x9e";    // U+F1DE sliders
constexpr const char* kCog = "\xef\x80\x93";        // U+F013 cog
constexpr const char* kPlus = "\xef\x81\xa7";       // U+F067 plus
constexpr const char* kCheck = "\xef\x80\x8c";      // U+F00C check
}  // namespace icon

// True once the icon font has been merged into the interface fonts.
bool iconsAvailable();

// "<icon>  text" when icons are available, else just the text.
std::string withIcon(const char* glyph, const char* text);

}  // namespace vn
