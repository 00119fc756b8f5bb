#include "app/screenshot.h"

#include <GL/gl.h>
#include <stb_image_write.h>

#include <cstring>
#include <vector>

#include "platform/atomic_write.h"

namespace vn {
namespace {

void appendBytes(void* context, void* data, int size) {
  static_cast<std::string*>(context)->append(static_cast<const char*>(data), static_cast<size_t>(size));
}

}  // namespace

std::string encodePng(const unsigned char* rgba, int width, int height) {
  std::string png;
  if (width <= 0 || height <= 0) return png;
  if (!stbi_write_png_to_func(appendBytes, &png, width, height, 4, rgba, width * 4)) png.clear();
  return png;
}

bool writeFramebufferPng(int width, int height, const std::string& path, std::string& error) {
  if (width <= 0 || height <= 0) {
    error = "the window has no pixels";
    return false;
  }
  std::vector<unsigned char> pixels(size_t(width) * height * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(GL_BACK);
  glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  if (glGetError() != GL_NO_ERROR) {
    error = "the window's pixels could not be read";
    return false;
  }
  // OpenGL rows run bottom-up; images run top-down. The window is opaque.
  std::vector<unsigned char> flipped(pixels.size());
  const size_t row = size_t(width) * 4;
  for (int y = 0; y < height; ++y)
    std::memcpy(&flipped[size_t(y) * row], &pixels[size_t(height - 1 - y) * row], row);
  for (size_t i = 3; i < flipped.size(); i += 4) flipped[i] = 255;
  const std::string png = encodePng(flipped.data(), width, height);
  if (png.empty()) {
    error = "the image could not be encoded";
    return false;
  }
  const WriteResult written = writeFileAtomic(path, png);
  if (!written.ok) error = written.error;
  return written.ok;
}

}  // namespace vn
