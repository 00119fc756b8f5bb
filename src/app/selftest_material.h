#pragma once
// What the self-test works on: the demo sound library and the demo project (the same
// session varnel-cli demo composes), written in a work folder.
#include <string>

#include "core/session.h"

namespace vn {

struct SelfTestMaterial {
  std::string libraryFolder;  // the demo sound library
  std::string projectPath;
  size_t eventCount = 0;
  std::string error;  // empty when everything was made
};

SelfTestMaterial makeSelfTestMaterial(const std::string& folder);

// A delivered file of the session as an export leaves it: a Broadcast-WAV file in
// folder carrying its print identity, recorded in the ledger with its sidecar.
// Returns its path; empty (with error) when it could not be made.
std::string writeDeliveredFile(const std::string& folder, const Session& session, std::string& error);

}  // namespace vn
