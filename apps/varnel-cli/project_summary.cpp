#include "project_summary.h"

#include <cstdio>
#include <set>

#include "core/session_timecode.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "render/spatial_layout.h"

namespace vn::cli {
namespace {

std::string declaration(const Bus& bus) {
  if (bus.slots.empty()) return "free";
  std::string text;
  for (const BusSlot& slot : bus.slots) {
    if (!text.empty()) text += " + ";
    text += std::to_string(slot.count) + " x " + channelFormatName(slot.fmt);
    if (!slot.label.empty()) text += " \"" + slot.label + "\"";
  }
  return text;
}

// Adds item to a ", "-separated list.
void appendItem(std::string& list, const std::string& item) {
  if (!list.empty()) list += ", ";
  list += item;
}

std::string counted(int n, const char* word) { return format("%d %s%s", n, word, plural(n)); }

void printEvents(const Session& s) {
  int byShape[kShapeCount] = {};
  int locked = 0;
  int muted = 0;
  for (const Event& e : s.events) {
    ++byShape[static_cast<int>(e.shape)];
    locked += e.locked ? 1 : 0;
    muted += e.muted ? 1 : 0;
  }
  std::string shapes;
  for (int i = 0; i < kShapeCount; ++i) {
    if (byShape[i] == 0) continue;
    appendItem(shapes, std::to_string(byShape[i]) + " " + shapeName(static_cast<ShapeType>(i)));
  }
  std::printf("Events      %d%s%s (%d locked, %d muted)\n", static_cast<int>(s.events.size()),
              shapes.empty() ? "" : ": ", shapes.c_str(), locked, muted);
}

void printGroupsAndScenes(const Session& s) {
  std::string scenes;
  for (const Scene& scene : s.scenes) appendItem(scenes, scene.name);
  std::printf("Scenes      %d%s%s\n", static_cast<int>(s.scenes.size()), scenes.empty() ? "" : ": ", scenes.c_str());
  std::set<std::string> groups;
  for (const Event& e : s.events)
    if (!e.folder.empty()) groups.insert(e.folder);
  std::string names;
  for (const std::string& g : groups)
    appendItem(names, s.linkedGroups.count(g) ? g + " (linked)" : g);
  std::printf("Groups      %d%s%s\n", static_cast<int>(groups.size()), names.empty() ? "" : ": ", names.c_str());
}

void printBusses(const Session& s) {
  const TrackLayout& t = s.trackLayout;
  std::printf("Busses      %d\n", t.busCount);
  for (int i = 0; i < t.busCount && i < kMaxBusses; ++i) {
    int position = t.busOrder[static_cast<size_t>(i)];
    if (position < 0 || position >= t.busCount) position = i;
    const Bus& bus = t.busses[static_cast<size_t>(position)];
    std::printf("  %-20s %-32s %.1f LUFS\n", bus.name.c_str(), declaration(bus).c_str(), bus.targetLUFS);
  }
}

}  // namespace

void printProjectSummary(const std::string& path, const Session& s, const ProjectLoadInfo& info) {
  std::printf("Project     %s\n", path.c_str());
  std::printf("Format      version %d (readable from version %d)%s%s\n", info.version, info.minReaderVersion,
              info.savedBy.empty() ? "" : ", saved by ", info.savedBy.c_str());
  std::printf("Timeline    %.6g s at %.6g fps, %d Hz, starts at %s\n", s.settings.totalDuration, s.settings.fps,
              s.settings.projectSampleRate, sessionTimecode(s.settings, 0.0).c_str());
  if (!s.projectDescription.empty()) std::printf("About       %s\n", s.projectDescription.c_str());
  printEvents(s);
  int mutedLayers = 0;
  for (const Layer& l : s.results) mutedLayers += l.muted ? 1 : 0;
  std::printf("Layers      %d (%d muted)\n", static_cast<int>(s.results.size()), mutedLayers);
  printGroupsAndScenes(s);
  printBusses(s);
  if (!s.videoPath.empty())
    std::printf("Video       %s%s\n", s.videoPath.c_str(), fileExists(s.videoPath) ? "" : " (missing)");
  std::printf("Missing     %s\n", counted(static_cast<int>(s.missingFiles.size()), "file").c_str());
  for (const std::string& missing : s.missingFiles) std::printf("  %s\n", missing.c_str());
  if (!info.newerVersionWarning.empty()) std::printf("Warning     %s\n", info.newerVersionWarning.c_str());
}

bool loadProjectForCli(const std::string& path, Session& session, ProjectLoadInfo& info) {
  if (!fileExists(path)) {
    std::fprintf(stderr, "%s: %s\n", path.c_str(), folderExists(path) ? "is a folder, not a project file" : "File not found");
    return false;
  }
  std::string error;
  if (!loadProject(path, session, error, &info)) {
    std::fprintf(stderr, "%s: %s\n", path.c_str(), error.c_str());
    return false;
  }
  return true;
}

}  // namespace vn::cli
