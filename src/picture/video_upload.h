#pragma once
#include "picture/video_player.h"

namespace vn {

// Converts the decoder's most recent frame into the display image and makes it
// the current frame. The caller holds the decoder mutex when threads share it.
void ShowLastDecodedFrame(VideoPlayer& player);

}  // namespace vn
