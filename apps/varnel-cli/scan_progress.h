#pragma once
// Following a running scan from the command line: the progress bar, Ctrl-C as a
// cancel, and the lines that report what it did.
#include <string>

#include "library/scan.h"

namespace vn::cli {

// Draws the scan's progress until it ends; Ctrl-C clears running. Waits for the
// scan's thread.
void FollowScan(ScanStatus& status, const std::string& name);

// The failed files with their reasons, the index file, then the closing line
// "NAME: N files found, A analysed, R reused, F failed - SUMMARY" with the published
// Library's summary. Returns the number of files indexed.
int PrintScanReport(const ScanStatus& status, const std::string& folder);

}  // namespace vn::cli
