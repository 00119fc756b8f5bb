#include "app/kept_raster.h"

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>
#include <imgui.h>
#include <imgui_impl_opengl3.h>

#include "app/draw_fingerprint.h"
#include "platform/log.h"

namespace vn {
namespace {

void rasterise(ImDrawData& data, int width, int height) {
  glViewport(0, 0, width, height);
  glClearColor(0.086f, 0.094f, 0.106f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  ImGui_ImplOpenGL3_RenderDrawData(&data);
}

// A framebuffer of the window's size; false (and nothing kept) when the driver cannot
// make one.
bool makeFramebuffer(KeptRaster& kept, int width, int height) {
  releaseKeptRaster(kept);
  glGenFramebuffers(1, &kept.framebuffer);
  glGenRenderbuffers(1, &kept.colour);
  glBindRenderbuffer(GL_RENDERBUFFER, kept.colour);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
  glBindFramebuffer(GL_FRAMEBUFFER, kept.framebuffer);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, kept.colour);
  const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  if (!complete) {
    releaseKeptRaster(kept);
    return false;
  }
  kept.width = width;
  kept.height = height;
  return true;
}

}  // namespace

bool drawFrameKept(KeptRaster& kept, ImDrawData& data, int width, int height, uint64_t textureEpoch) {
  if (width < 1 || height < 1) return false;
  if (kept.unavailable) {
    rasterise(data, width, height);
    return true;
  }
  if ((kept.width != width || kept.height != height) && !makeFramebuffer(kept, width, height)) {
    logErrLine("[UI] no offscreen framebuffer; every frame is drawn in full\n");
    kept.unavailable = true;
    rasterise(data, width, height);
    return true;
  }
  const std::optional<uint64_t> fingerprint = drawDataFingerprint(data, textureEpoch);
  const bool changed = !fingerprint || !kept.fingerprint || *fingerprint != *kept.fingerprint;
  if (changed) {
    glBindFramebuffer(GL_FRAMEBUFFER, kept.framebuffer);
    rasterise(data, width, height);
    kept.fingerprint = fingerprint;
  } else if (kept.backHoldsKept) {
    return false;
  }
  glBindFramebuffer(GL_READ_FRAMEBUFFER, kept.framebuffer);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
  glBlitFramebuffer(0, 0, width, height, 0, 0, width, height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  return changed;
}

void releaseKeptRaster(KeptRaster& kept) {
  if (kept.framebuffer) glDeleteFramebuffers(1, &kept.framebuffer);
  if (kept.colour) glDeleteRenderbuffers(1, &kept.colour);
  kept.framebuffer = 0;
  kept.colour = 0;
  kept.width = 0;
  kept.height = 0;
  kept.fingerprint.reset();
  kept.backHoldsKept = false;
}

}  // namespace vn
