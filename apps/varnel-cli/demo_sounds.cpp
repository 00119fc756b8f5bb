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

bool MakeAndScanDemoSounds(const std::string& folder) {
  const std::string soundFolder = pathJoin(folder, "Demo Sounds");
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
  DropOlderLibrariesOf(soundFolder);  // the index of an earlier demo run, read at start
  return true;
}

}  // namespace vn::cli
