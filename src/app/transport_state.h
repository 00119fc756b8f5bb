#pragma once
// What the window keeps of the transport between frames.
#include <string>

namespace vn {

struct TransportState {
  bool loopWorkArea = false;    // the loop button: playing goes round the work area
  std::string toldAudioStatus;  // the output's last message that reached the status line
};

}  // namespace vn
