#include "ledger/print_identity.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "platform/secure_random.h"
#include "platform/text.h"

namespace vn {

namespace {

constexpr char kCrockford[] = "0123456789ABCDEFGHJKMNPQRSTVWXYZ";

}  // namespace

std::string crockfordBase32(const uint8_t* bytes, size_t size, size_t chars) {
  std::string out;
  out.reserve(chars);
  for (size_t i = 0; i < chars; ++i) {
    unsigned value = 0;
    for (size_t bit = i * 5; bit < i * 5 + 5; ++bit) {
      size_t byte = bit / 8;
      unsigned b = byte < size ? (bytes[byte] >> (7 - bit % 8)) & 1u : 0u;
      value = (value << 1) | b;
    }
    out.push_back(kCrockford[value]);
  }
  return out;
}

bool isCrockfordChar(char c) {
  char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper != '\0' && std::strchr(kCrockford, upper) != nullptr;
}

PrintIdentity printIdentityOfBytes(const uint8_t bytes[16]) {
  PrintIdentity id;
  char hex[3];
  for (int i = 0; i < 16; ++i) {
    std::snprintf(hex, sizeof hex, "%02x", bytes[i]);
    id.printId += hex;
  }
  id.printRef = "VN" + crockfordBase32(bytes, 16, 26);
  id.printToken = "~VN" + crockfordBase32(bytes, 5, 8);
  return id;
}

PrintIdentity NewPrintIdentity() {
  uint8_t bytes[16];
  if (!secureRandomBytes(bytes, sizeof bytes)) return {};
  return printIdentityOfBytes(bytes);
}

std::string printTokenOfId(const std::string& printId) {
  if (printId.size() != 32) return {};
  uint8_t bytes[5];
  for (int i = 0; i < 5; ++i) {
    int hi = hexDigitValue(printId[2 * i]), lo = hexDigitValue(printId[2 * i + 1]);
    if (hi < 0 || lo < 0) return {};
    bytes[i] = static_cast<uint8_t>(hi * 16 + lo);
  }
  for (size_t i = 10; i < 32; ++i)
    if (hexDigitValue(printId[i]) < 0) return {};
  return "~VN" + crockfordBase32(bytes, 5, 8);
}

}  // namespace vn
