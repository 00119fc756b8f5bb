#pragma once
// The demo's sound step: the generated sound library, written into the demo folder
// and scanned into a Library like any folder of the user's.
#include <string>

namespace vn::cli {

// Where the demo sound library lies in the demo folder.
std::string DemoSoundFolder(const std::string& folder);

// Writes the demo sound library below folder and scans it. False (with one
// sentence on standard error) when it cannot be written or nothing is indexed.
bool MakeAndScanDemoSounds(const std::string& folder);

}  // namespace vn::cli
