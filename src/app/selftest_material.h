#pragma once
// What the self-test works on: the demo sound library and the demo project (the same
// session varnel-cli demo composes), written in a work folder.
#include <string>

namespace vn {

struct SelfTestMaterial {
  std::string libraryFolder;  // the demo sound library
  std::string projectPath;
  size_t eventCount = 0;
  std::string error;  // empty when everything was made
};

SelfTestMaterial makeSelfTestMaterial(const std::string& folder);

}  // namespace vn
