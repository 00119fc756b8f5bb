#pragma once
// Names of delivered files: no character a file system or a DAW refuses, and never
// two alike within one folder.
#include <set>
#include <string>

namespace vn {

// The characters no delivered file name may hold.
constexpr const char* kUnsafeNameChars = "/\\:*?\"<>|";

// name without any of kUnsafeNameChars or control characters, trimmed of spaces
// and dots at either end; fallback when nothing is left.
std::string safeFileName(const std::string& name, const std::string& fallback = "Untitled");

// The names given so far in one folder, compared without case (a delivery is often
// copied to a file system that ignores it).
struct FolderNames {
  std::set<std::string> taken;  // lower-cased, with what the folder held when first asked
  bool listed = false;
};

// stem + extension, or stem + " 2" + extension, " 3"... the first one not yet taken
// in the folder (nor present in it when first asked); the result is taken.
std::string uniqueFileName(FolderNames& names, const std::string& folder, const std::string& stem,
                           const std::string& extension);

// Export Variations: "%s/%s_%0*d%s.wav" with the take padded to max(2, digits of
// count), and "_reverb" ("_Reverb" with nameStyle 1) when the reverb is rendered.
std::string variationFileName(const std::string& folder, const std::string& baseName, int take, int count,
                              bool reverb, int nameStyle);
// The take's name in the interface: "<base> <take>", ending in ", Reverb" with the reverb.
std::string variationDisplayName(const std::string& baseName, int take, bool reverb);

}  // namespace vn
