#include "export/aaf/aaf_ids.h"

#include "platform/secure_random.h"
#include "platform/text.h"

namespace vn::aaf {

Auid auidFromText(const std::string& text) {
  uint8_t raw[16] = {};
  int n = 0;
  for (size_t i = 0; i + 1 < text.size() && n < 16;) {
    if (text[i] == '-') {
      ++i;
      continue;
    }
    raw[n++] = static_cast<uint8_t>(std::stoi(text.substr(i, 2), nullptr, 16));
    i += 2;
  }
  return {raw[3], raw[2], raw[1], raw[0], raw[5], raw[4], raw[7], raw[6],
          raw[8], raw[9], raw[10], raw[11], raw[12], raw[13], raw[14], raw[15]};
}

std::string auidToText(const Auid& a) {
  return format("%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x", a[3], a[2], a[1], a[0], a[5],
                a[4], a[7], a[6], a[8], a[9], a[10], a[11], a[12], a[13], a[14], a[15]);
}

MobId newMobId() {
  // SMPTE UMID label for AAF, length 0x13, instance 0, then the material number.
  MobId id = {0x06, 0x0a, 0x2b, 0x34, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x0f, 0x00, 0x13, 0x00, 0x00, 0x00};
  uint8_t material[16];
  secureRandomBytes(material, sizeof material);
  material[6] = static_cast<uint8_t>((material[6] & 0x0F) | 0x40);  // a version-4 UUID
  material[8] = static_cast<uint8_t>((material[8] & 0x3F) | 0x80);
  for (int i = 0; i < 16; ++i) id[16 + i] = material[i];
  return id;
}

}  // namespace vn::aaf
