#pragma once
// The application's list of Libraries and Palettes, shared by the interface, the
// scan and the build behind one mutex, and the folder that keeps their index files.
#include <mutex>
#include <string>
#include <vector>

#include "library/library.h"

namespace vn {

struct LibraryList {
  std::mutex mutex;  // held by every reader and writer of libraries
  std::vector<Library> libraries;
};

// The one list of the process.
LibraryList& AppLibraries();

// The application data folder; empty when there is none (nothing is then read or written).
std::string LibraryFolder();
// LibraryFolder() + "/" + name + ".vnlib"; empty when there is no library folder.
std::string LibraryIndexPath(const std::string& name);
// The name of a Library scanned from folder: the stem of its last component
// ("/sfx/Vol.2/" gives "Vol").
std::string LibraryNameForFolder(const std::string& folder);

// Connects the project file's look-ups to the file-identity registry, creates the
// library folder and adds every ".vnlib" in it that reads, in file-name order.
// Returns the number of Libraries added.
int LoadLibrariesAtStartup();

// LoadLibrariesAtStartup once per process, for programs with several entry points;
// later calls do nothing and return the number the first one read.
int StartLibraries();

// Appends a Library under the mutex.
void AddLibrary(Library library);

// Sets layoutOverride of every record with exactly this path, in every Library,
// and writes again each Library that changed. Returns the number of records changed.
int SetLayoutOverride(const std::string& path, int value);

struct PaletteResult {
  Library palette;                   // as added to the list; no records when nothing was added
  bool saved = false;                // its index file was written
  std::vector<std::string> skipped;  // paths no Library knows and that do not exist
};

// Makes a Palette of the given files, adds it to the list and writes it. An empty
// name gives the stem of sourcePath + " Palette" (or "Palette"); a taken name gets
// " 2", " 3", ... appended. A Palette that would hold no file is not made.
PaletteResult CreatePalette(const std::vector<std::string>& paths, const std::string& name,
                            const std::string& sourcePath = {});

}  // namespace vn
