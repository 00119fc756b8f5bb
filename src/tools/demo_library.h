#pragma once
// A demo sound library made from nothing: synthesised effects named after their
// categories (DOORWood_Slam_Heavy_01.wav), in several formats, channel layouts,
// rates and bit depths, some with Broadcast-WAV, iXML and INFO metadata, and a few
// multi-mono sets. The same bytes on every run. Used by varnel-cli demo, the
// tests and the benchmarks.
#include <cstdint>
#include <string>
#include <vector>

#include "tools/demo_synth.h"

namespace vn::tools {

struct DemoSound {
  std::string folder;       // below the library folder, e.g. "Impacts"
  std::string name;         // file stem; multi-mono members get their "_L", "_R", ... suffix here
  std::string extension;    // ".wav", ".aif" or ".caf"
  int subFormat = 0;        // SF_FORMAT_PCM_16, SF_FORMAT_PCM_24 or SF_FORMAT_FLOAT
  bool channelMap = false;  // write the 5.1 map (L R C LFE Ls Rs)
  int channelIndex = -1;    // multi-mono member: which channel of the voice it holds
  DemoVoice voice;
  std::string description;   // Broadcast-WAV description, or empty
  std::string ixmlKeywords;  // iXML Keywords, or empty
  std::string title;         // INFO title (with artist and genre), or empty
};

// Every file of the demo library, in a fixed order.
const std::vector<DemoSound>& DemoLibrarySounds();

// The file's path below the library folder ("Impacts/DOORWood_Slam_Heavy_01.wav").
std::string DemoSoundPath(const DemoSound& sound);

// Writes one sound below folder; false with a reason.
bool WriteDemoSound(const std::string& folder, const DemoSound& sound, std::string& error);

struct DemoLibraryResult {
  bool ok = false;
  std::string error;               // the first failure
  std::vector<std::string> files;  // full paths written
  uint64_t bytes = 0;
};

// Writes the whole library below folder (created as needed). cancel, when given,
// is polled between files.
DemoLibraryResult WriteDemoLibrary(const std::string& folder, const volatile int* cancel = nullptr);

}  // namespace vn::tools
