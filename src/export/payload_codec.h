#pragma once
// How a payload's JSON becomes the text inside its iXML element and back: deflate
// (zlib, level 9) or the raw bytes, then Base64.
#include <optional>
#include <string>
#include <string_view>

namespace vn {

struct EncodedPayload {
  std::string base64;
  std::string codec;  // "deflate" or "raw"
};

// Deflate at level 9; when zlib fails, "[Manifest] deflate failed - falling back to raw"
// and the JSON itself.
EncodedPayload encodePayload(std::string_view json);

// The JSON of a payload, or nullopt (with one "[Manifest] ..." line) when the
// Base64 or the deflate stream is broken or the codec unknown. The inflate buffer
// starts at max(64 KiB, 16 x input) and grows fourfold at most 8 times, never past
// kMaxInflatedPayload, so a deflate bomb costs bounded memory.
std::optional<std::string> decodePayload(std::string_view base64, std::string_view codec);

constexpr size_t kMaxInflatedPayload = 128u << 20;
constexpr int kInflateAttempts = 8;

}  // namespace vn
