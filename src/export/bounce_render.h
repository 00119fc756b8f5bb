#pragma once
// The file of a Bounce Selection to Clip: the chosen events with their layers,
// rendered dry from the earliest sound to the end of the latest, written with the
// full iXML (their recipe and manifest) and recorded as a Print of kind "bounce".
#include <atomic>
#include <string>
#include <vector>

#include "core/session.h"

namespace vn {

struct BounceRender {
  bool ok = false;
  std::string path;
  float start = 0.0f;     // timeline seconds of the file's first sample
  float duration = 0.0f;  // seconds
  std::string error;      // one sentence when not ok
};

// Writes "<folder>/Bounce of <name>.wav" (a new name when taken).
BounceRender renderBounce(const Session& session, const std::vector<int>& events, const std::string& folder,
                          const std::atomic<bool>* cancel = nullptr);

// The layers a bounce file carries in its manifest, at their timeline times, each
// one's eventIdx a position in the Clip's bounceSource; empty when the file is gone
// or carries none.
std::vector<Layer> bouncedLayers(const std::string& path, float start);

}  // namespace vn
