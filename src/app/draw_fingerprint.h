#pragma once
// A fingerprint of one frame's draw data, so that a frame which would rasterise to the
// same pixels as the one before can be told apart from one that changed.
#include <cstdint>
#include <optional>

struct ImDrawData;

namespace vn {

// Covers everything that decides the pixels: the display's position, size and
// framebuffer scale, every list's vertices and indices, and every command's clip
// rectangle, texture, offsets and count. textureEpoch stands for the contents of the
// textures, which the data names but does not hold. Empty when a command calls back
// into code, whose drawing the data cannot tell.
std::optional<uint64_t> drawDataFingerprint(const ImDrawData& data, uint64_t textureEpoch);

}  // namespace vn
