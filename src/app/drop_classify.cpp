#include "app/drop_classify.h"

#include <array>
#include <cctype>

#include "platform/paths.h"

namespace vn {
namespace {

constexpr std::array<const char*, 7> kVideoExtensions{"mp4", "mov", "m4v", "avi", "mkv", "webm", "mxf"};
constexpr std::array<const char*, 8> kAudioExtensions{"wav", "aif", "aiff", "flac", "ogg", "mp3", "w64", "caf"};

std::string lowerExtension(const std::string& path) {
  std::string ext = extensionOf(path);
  if (!ext.empty()) ext.erase(0, 1);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

template <size_t N>
bool listed(const std::array<const char*, N>& list, const std::string& ext) {
  for (const char* item : list)
    if (ext == item) return true;
  return false;
}

}  // namespace

DropKind classifyDroppedPath(const std::string& path) {
  if (folderExists(path)) return DropKind::Folder;
  const std::string ext = lowerExtension(path);
  if (listed(kVideoExtensions, ext)) return DropKind::Video;
  if (listed(kAudioExtensions, ext)) return DropKind::Audio;
  if (ext == "vntrace") return DropKind::Trace;
  if (ext == "vnproj") return DropKind::Project;
  return DropKind::Other;
}

PendingDrop classifyDrop(float x, float y, const std::vector<std::string>& paths) {
  PendingDrop drop{x, y, {}};
  for (const std::string& path : paths) drop.items.push_back({path, classifyDroppedPath(path)});
  return drop;
}

}  // namespace vn
