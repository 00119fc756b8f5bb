#include "export/payload_codec.h"

#include <zlib.h>

#include <algorithm>

#include "export/base64.h"
#include "platform/log.h"

namespace vn {
namespace {

std::optional<std::string> inflatePayload(const std::string& compressed) {
  size_t size = std::max<size_t>(65536, 16 * compressed.size());
  for (int attempt = 0; attempt < kInflateAttempts; ++attempt) {
    size = std::min(size, kMaxInflatedPayload);
    std::string out(size, '\0');
    uLongf length = static_cast<uLongf>(size);
    const int result = uncompress(reinterpret_cast<Bytef*>(out.data()), &length,
                                  reinterpret_cast<const Bytef*>(compressed.data()), static_cast<uLong>(compressed.size()));
    if (result == Z_OK) {
      out.resize(length);
      return out;
    }
    if (result != Z_BUF_ERROR || size == kMaxInflatedPayload) break;
    size *= 4;
  }
  logLine("[Manifest] inflate failed - payload unreadable\n");
  return std::nullopt;
}

}  // namespace

EncodedPayload encodePayload(std::string_view json) {
  std::string compressed(compressBound(static_cast<uLong>(json.size())), '\0');
  uLongf length = static_cast<uLongf>(compressed.size());
  if (compress2(reinterpret_cast<Bytef*>(compressed.data()), &length, reinterpret_cast<const Bytef*>(json.data()),
                static_cast<uLong>(json.size()), 9) == Z_OK) {
    compressed.resize(length);
    return {base64Encode(compressed), "deflate"};
  }
  logLine("[Manifest] deflate failed - falling back to raw\n");
  return {base64Encode(json), "raw"};
}

std::optional<std::string> decodePayload(std::string_view base64, std::string_view codec) {
  if (codec != "raw" && codec != "deflate") {
    logLine("[Manifest] unknown payload codec \"%.*s\" - cannot read\n", static_cast<int>(std::min<size_t>(codec.size(), 64)),
            codec.data());
    return std::nullopt;
  }
  std::optional<std::string> bytes = base64Decode(base64);
  if (!bytes) {
    logLine("[Manifest] payload is not Base64 - unreadable\n");
    return std::nullopt;
  }
  if (codec == "raw") return bytes;
  return inflatePayload(*bytes);
}

}  // namespace vn
