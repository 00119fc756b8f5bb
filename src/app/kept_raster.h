#pragma once
// The last frame's pixels, kept in an offscreen framebuffer. A frame whose draw data
// did not change is presented by copying those pixels to the window instead of
// rasterising every triangle again, which on a software rasteriser is nearly all that
// an idle window costs. Any change, a new size included, rasterises afresh.
#include <cstdint>
#include <optional>

struct ImDrawData;

namespace vn {

struct KeptRaster {
  unsigned framebuffer = 0;
  unsigned colour = 0;  // the framebuffer's colour renderbuffer
  int width = 0;
  int height = 0;
  std::optional<uint64_t> fingerprint;  // of the frame it holds; empty when it holds none
  bool unavailable = false;  // no offscreen framebuffer here: frames go straight to the window
  bool backHoldsKept = false;    // the window's back buffer still holds the kept frame
  bool presentProbed = false;    // whether copyBackBuffer has been looked up
  void* copyBackBuffer = nullptr;  // the driver's copy of the back buffer to the window, if any
};

// Puts the frame into the window's back buffer (of width x height pixels, bound as the
// current framebuffer): rasterised into the kept framebuffer when its fingerprint
// differs from the kept one, then copied (unless the back buffer still holds it). True
// when it rasterised.
bool drawFrameKept(KeptRaster& kept, ImDrawData& data, int width, int height, uint64_t textureEpoch);

// Deletes the framebuffer; needs the window's context.
void releaseKeptRaster(KeptRaster& kept);

}  // namespace vn
