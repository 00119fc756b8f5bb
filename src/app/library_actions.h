#pragma once
// What the Library panel asks of the library: scans of new folders, palettes of
// dropped sounds, and relinking of missing sources (a folder search runs on its own
// thread and can be cancelled).
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "core/session.h"
#include "library/file_identity.h"

namespace vn {

struct AppState;
struct DroppedItem;

struct RelinkState {
  std::vector<FileIdentity> missing;  // as last counted
  uint64_t generation = ~uint64_t(0);
  double countedAt = -1e9;
  std::string message;  // "Relinked 3 files", "No matching files found", ...
  std::string askFileId;  // a relink that found different content waits for "Use anyway"
  std::string askPath;
  std::thread thread;  // "Relink all" walking a folder
  std::atomic<bool> running{false};
  volatile int cancel = 0;
  std::atomic<int> found{0};
  std::atomic<int> done{0};   // files fingerprinted so far
  std::atomic<int> total{0};  // of those the search has to read
  ~RelinkState();
};

// Libraries and Palettes loaded now.
int loadedLibraryCount();

// The number of sources whose file is gone; counted again when the registry changes
// and every few seconds (files can come back on their own).
int missingSourceCount(AppState& app);

void startLibraryScan(AppState& app, const std::string& folder);
void browseLibraryFolder(AppState& app);
void browseRelinkFile(AppState& app, const std::string& fileId);
void browseRelinkFolder(AppState& app);
void forceRelinkPending(AppState& app);

// The Library panel takes dropped folders (scanned) and sound files (made a Palette
// together once the drop is over).
bool acceptLibraryDrop(AppState& app, const DroppedItem& item);

// Per frame: the end of a folder relink, palettes of dropped sounds.
void pollLibraryJobs(AppState& app);

}  // namespace vn
