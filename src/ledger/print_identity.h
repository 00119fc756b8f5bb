#pragma once
// The identity every delivered file gets before it is written: a random 128-bit id,
// its reference for the bext originator field and a short token for the coding history.
#include <cstdint>
#include <string>

namespace vn {

struct PrintIdentity {
  std::string printId;     // 32 lower-case hex digits
  std::string printRef;    // "VN" + 26 Crockford Base32 characters (all 128 bits)
  std::string printToken;  // "~VN" + 8 Crockford Base32 characters (the first 40 bits)
};

// A fresh identity from the kernel's cryptographic random source; empty fields when
// the source cannot be read (the ledger then refuses to record it).
PrintIdentity NewPrintIdentity();

// The identity of 16 given bytes (what NewPrintIdentity does after drawing them).
PrintIdentity printIdentityOfBytes(const uint8_t bytes[16]);

// The token of a 32-digit printId ("~VN" + 8 characters); empty when the id is not
// 32 hex digits.
std::string printTokenOfId(const std::string& printId);

// Crockford Base32 ("0123456789ABCDEFGHJKMNPQRSTVWXYZ") of the bytes read as one bit
// string, most significant bit first; bits past the end read as 0; exactly `chars`
// characters.
std::string crockfordBase32(const uint8_t* bytes, size_t size, size_t chars);

// True when c (either case) is a character of the Crockford alphabet above.
bool isCrockfordChar(char c);

}  // namespace vn
