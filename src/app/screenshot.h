#pragma once
#include <string>

namespace vn {

// Reads the back buffer of the current OpenGL context (width x height pixels, after the
// frame was drawn and before it is presented) and writes it as a PNG file. False with a
// reason when the pixels cannot be read or the file cannot be written.
bool writeFramebufferPng(int width, int height, const std::string& path, std::string& error);

// Encodes top-down RGBA pixels as PNG bytes.
std::string encodePng(const unsigned char* rgba, int width, int height);

}  // namespace vn
