#pragma once
// Dropped paths, sorted by what the program does with them.
#include <string>
#include <vector>

namespace vn {

enum class DropKind { Other, Folder, Audio, Video, Trace, Project };

// By the extension, compared without regard to case; a folder is a folder whatever its name.
DropKind classifyDroppedPath(const std::string& path);

struct DroppedItem {
  std::string path;
  DropKind kind = DropKind::Other;
};

// One drop gesture: where it landed, in interface units (window pixels divided by
// the interface scale), and what it carried.
struct PendingDrop {
  float x = 0.0f;
  float y = 0.0f;
  std::vector<DroppedItem> items;
};

PendingDrop classifyDrop(float x, float y, const std::vector<std::string>& paths);

}  // namespace vn
