#include "export/aaf/aaf_ids.h"

#include "platform/secure_random.h"
#include "platform/text.h"

namespace vn::aaf {

Auid auidFromText(std::string_view text) {
  uint8_t raw[16] = {};
  int n = 0;
  for (size_t i = 0; i + 1 < text.size() && n < 16;) {
    const int hi = hexDigitValue(text[i]), lo = hexDigitValue(text[i + 1]);
    if (hi < 0 || lo < 0) {
      ++i;
      continue;
    }
    raw[n++] = static_cast<uint8_t>(hi * 16 + lo);
    i += 2;
  }
  return {raw[3], raw[2], raw[1], raw[0], raw[5], raw[4], raw[7], raw[6],
          raw[8], raw[9], raw[10], raw[11], raw[12], raw[13], raw[14], raw[15]};
}

std::string auidToText(const Auid& a) {
  return format("%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x", a[3], a[2], a[1], a[0], a[5],
                a[4], a[7], a[6], a[8], a[9], a[10], a[11], a[12], a[13], a[14], a[15]);
}

MobIdSource::MobIdSource() {
  // SMPTE UMID label for AAF, length 0x13, instance 0, then the material number.
  base_ = {0x06, 0x0a, 0x2b, 0x34, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x0f, 0x00, 0x13, 0x00, 0x00, 0x00};
  uint8_t material[16];
  secureRandomBytes(material, sizeof material);
  material[6] = static_cast<uint8_t>((material[6] & 0x0F) | 0x40);  // a version-4 UUID
  material[8] = static_cast<uint8_t>((material[8] & 0x3F) | 0x80);
  for (int i = 0; i < 16; ++i) base_[16 + i] = material[i];
}

MobId MobIdSource::next() {
  MobId id = base_;
  // The last six bytes as a big-endian number plus the count, wrapping within them.
  uint64_t low = 0;
  for (int i = 26; i < 32; ++i) low = (low << 8) | id[i];
  low += count_++;
  for (int i = 31; i >= 26; --i, low >>= 8) id[i] = static_cast<uint8_t>(low & 0xFF);
  return id;
}

}  // namespace vn::aaf
