#include "demo_sounds.h"

#include <cstdio>

#include "core/preferences.h"
#include "library/libraries.h"
#include "library/scan.h"
#include "platform/paths.h"
#include "progress.h"
#include "scan_progress.h"
#include "tools/demo_library.h"

namespace vn::cli {
namespace {

// The demo builds from its own sounds alone, whatever else this user has indexed: an
// index read at start may even name a folder that is gone (an earlier demo elsewhere
// shares the library's name). Only this run's list is narrowed; no index file changes.
void KeepOnlyTheLibraryOf(const std::string& folder) {
  DropOlderLibrariesOf(folder);
  LibraryList& list = AppLibraries();
  std::lock_guard lock(list.mutex);
  std::erase_if(list.libraries, [&](const Library& library) { return library.folder != folder; });
}

}  // namespace

std::string DemoSoundFolder(const std::string& folder) { return pathJoin(folder, "Demo Sounds"); }

bool MakeAndScanDemoSounds(const std::string& folder) {
  const std::string soundFolder = DemoSoundFolder(folder);
  installInterruptHandler();
  const tools::DemoLibraryResult written = tools::WriteDemoLibrary(soundFolder, interruptFlag());
  if (!written.ok) {
    std::fprintf(stderr, "Could not write the demo sound library: %s.\n", written.error.c_str());
    return false;
  }
  std::printf("      %zu sound files, %.1f MB, in %s\n", written.files.size(), written.bytes / 1048576.0,
              soundFolder.c_str());

  StartLibraries();
  Preferences prefs;
  LoadPreferences(prefs);
  ScanStatus status;
  ScanRequest request;
  request.folder = soundFolder;
  request.channelOrderFallback = prefs.channelOrderFallback;
  StartScan(status, request);
  FollowScan(status, LibraryNameForFolder(soundFolder));
  if (PrintScanReport(status, soundFolder) == 0 || interrupted()) {
    std::fprintf(stderr, "The demo sound library was not indexed.\n");
    return false;
  }
  KeepOnlyTheLibraryOf(soundFolder);
  return true;
}

}  // namespace vn::cli
