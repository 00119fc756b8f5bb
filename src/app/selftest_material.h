#pragma once
// What the self-test works on: the demo sound library and a project of events of every
// shape, with scenes, a group and three busses, written in a work folder.
#include <string>

#include "core/session.h"

namespace vn {

struct SelfTestMaterial {
  std::string libraryFolder;  // the demo sound library
  std::string projectPath;
  size_t eventCount = 0;
  std::string error;  // empty when everything was made
};

// The demo Session: a 40-second scene of a door, glass, a pass-by and a room tone.
Session selfTestSession();

SelfTestMaterial makeSelfTestMaterial(const std::string& folder);

}  // namespace vn
