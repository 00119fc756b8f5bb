#pragma once
// The demo's delivery: the built demo exported whole into the demo folder.
#include <string>

#include "core/session.h"

namespace vn::cli {

// The folder the demo delivers into.
std::string DemoDeliveryFolder(const std::string& demoFolder);

// Exports the AAF session and every WAV kind with the reverb stem and the mixdown at -23 LUFS into
// DemoDeliveryFolder (replacing the demo's previous delivery). False with a
// sentence on standard error when the export failed.
bool DeliverDemo(const std::string& demoFolder, const std::string& projectPath, Session& session);

// Looks the first delivered clip up in the ledger (as "prints find" does) and prints
// its Print. False with a sentence on standard error when no Print matches it.
bool TraceDemoDelivery(const std::string& demoFolder);

}  // namespace vn::cli
