#pragma once
// What the self-test works on: a project of events of every shape, with scenes, a group
// and three busses, saved in a work folder.
#include <string>

#include "core/session.h"

namespace vn {

struct SelfTestMaterial {
  std::string projectPath;
  size_t eventCount = 0;
  std::string error;  // empty when everything was made
};

// The demo Session: a 40-second scene of a door, glass, a pass-by and a room tone.
Session selfTestSession();

SelfTestMaterial makeSelfTestMaterial(const std::string& folder);

}  // namespace vn
