#pragma once
// Showing the frame that is in the window's back buffer. A swap leaves the back buffer
// undefined, so a repeated frame must be copied in again from the kept raster: on a
// software rasteriser that copy is most of what an idle window costs. Where the driver
// can copy the back buffer to the window without giving it up (GLX_MESA_copy_sub_buffer,
// which Mesa's software drivers offer), a repeated frame is shown that way and the back
// buffer goes on holding it, so the next repeat needs no copy at all. Changed frames are
// always swapped, keeping the swap interval's pacing while anything moves.
struct GLFWwindow;

namespace vn {

struct KeptRaster;

// Presents one frame; rasterised says whether it was drawn afresh this turn.
void presentFrame(KeptRaster& kept, GLFWwindow* window, bool rasterised);

}  // namespace vn
