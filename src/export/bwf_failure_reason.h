#pragma once
// The one failure reason an export run shows its user: the first one noted since
// the run began. Every reason is logged as it happens; later ones do not replace
// the first. Safe to call from any thread.
#include <string>

namespace vn {

// Starts a run: forgets the reason of the previous one.
void resetExportFailureReason();
// Logs "[Export] failure reason: ..." and keeps reason when the run has none yet.
void noteExportFailureReason(const std::string& reason);
// The first reason of the run; empty when nothing failed.
std::string exportFailureReason();

}  // namespace vn
