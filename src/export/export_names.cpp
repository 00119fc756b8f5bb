#include "export/export_names.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>

#include "platform/paths.h"
#include "platform/text.h"

namespace vn {

namespace {

std::string lowerCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

int digitsOf(int value) {
  int digits = 1;
  for (value = std::max(value, 0); value >= 10; value /= 10) ++digits;
  return digits;
}

}  // namespace

std::string safeFileName(const std::string& name, const std::string& fallback) {
  std::string out;
  for (char c : name) {
    if (std::strchr(kUnsafeNameChars, c) || static_cast<unsigned char>(c) < 0x20 || c == 0x7f) continue;
    out += c;
  }
  const size_t first = out.find_first_not_of(" .");
  if (first == std::string::npos) return fallback;
  const size_t last = out.find_last_not_of(" .");
  return out.substr(first, last - first + 1);
}

std::string uniqueFileName(FolderNames& names, const std::string& folder, const std::string& stem,
                           const std::string& extension) {
  if (!names.listed) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
      names.taken.insert(lowerCase(entry.path().filename().string()));
    names.listed = true;
  }
  for (int n = 1;; ++n) {
    const std::string name = n == 1 ? stem + extension : format("%s %d%s", stem.c_str(), n, extension.c_str());
    if (names.taken.count(lowerCase(name))) continue;
    names.taken.insert(lowerCase(name));
    return name;
  }
}

std::string variationFileName(const std::string& folder, const std::string& baseName, int take, int count,
                              bool reverb, int nameStyle) {
  std::string base;
  for (char c : baseName)
    if (!std::strchr(kUnsafeNameChars, c)) base += c;
  const int width = std::max(2, digitsOf(count));
  const char* suffix = reverb ? (nameStyle == 1 ? "_Reverb" : "_reverb") : "";
  return format("%s/%s_%0*d%s.wav", folder.c_str(), base.c_str(), width, take, suffix);
}

std::string variationDisplayName(const std::string& baseName, int take, bool reverb) {
  return format("%s %d%s", baseName.c_str(), take, reverb ? ", Reverb" : "");
}

}  // namespace vn
