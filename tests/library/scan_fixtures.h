#pragma once
// Small sound files for the scan tests, and the Library a scan published.
#include <optional>
#include <string>

#include "library/library.h"

namespace vn::test {

// A sine of hz at amplitude 0.5 in every channel, 16-bit WAV. Fails the test when
// the file cannot be written.
void WriteTone(const std::string& path, long frames, int rate = 48000, int channels = 1, double hz = 440.0);

// Creates the folders of path and hard-links it to source (copies when links fail).
void LinkFile(const std::string& source, const std::string& path);

// A copy of the Library most recently published for folder.
std::optional<Library> PublishedLibrary(const std::string& folder);

}  // namespace vn::test
