#include "app/draw_fingerprint.h"

#include <imgui.h>

#include <cstring>

namespace vn {
namespace {

constexpr uint64_t kStart = 0x6a09e667f3bcc909ULL;
constexpr uint64_t kMultiplier = 0x9e3779b97f4a7c15ULL;

// Eight bytes a step: vertex buffers run to megabytes, and this runs every frame. Each
// step is a bijection of the running value, so one differing word always shows.
uint64_t mix(uint64_t h, uint64_t word) {
  h = (h ^ word) * kMultiplier;
  return h ^ (h >> 29);
}

uint64_t feed(uint64_t h, const void* data, size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  size_t i = 0;
  for (; i + 8 <= size; i += 8) {
    uint64_t word;
    std::memcpy(&word, bytes + i, 8);
    h = mix(h, word);
  }
  if (i < size) {
    uint64_t tail = 0;
    std::memcpy(&tail, bytes + i, size - i);
    h = mix(h, tail ^ (uint64_t(size - i) << 56));
  }
  return mix(h, size);
}

template <typename T>
uint64_t feedValue(uint64_t h, const T& value) {
  return feed(h, &value, sizeof value);
}

}  // namespace

std::optional<uint64_t> drawDataFingerprint(const ImDrawData& data, uint64_t textureEpoch) {
  uint64_t h = mix(kStart, textureEpoch);
  h = feedValue(h, data.DisplayPos);
  h = feedValue(h, data.DisplaySize);
  h = feedValue(h, data.FramebufferScale);
  h = mix(h, static_cast<uint64_t>(data.CmdListsCount));
  for (int n = 0; n < data.CmdListsCount; ++n) {
    const ImDrawList& list = *data.CmdLists[n];
    h = feed(h, list.VtxBuffer.Data, size_t(list.VtxBuffer.Size) * sizeof(ImDrawVert));
    h = feed(h, list.IdxBuffer.Data, size_t(list.IdxBuffer.Size) * sizeof(ImDrawIdx));
    h = mix(h, static_cast<uint64_t>(list.CmdBuffer.Size));
    for (const ImDrawCmd& cmd : list.CmdBuffer) {
      if (cmd.UserCallback) return std::nullopt;
      h = feedValue(h, cmd.ClipRect);
      h = mix(h, reinterpret_cast<uintptr_t>(cmd.TextureId));
      h = mix(h, (uint64_t(cmd.VtxOffset) << 32) | cmd.IdxOffset);
      h = mix(h, cmd.ElemCount);
    }
  }
  return h;
}

}  // namespace vn
