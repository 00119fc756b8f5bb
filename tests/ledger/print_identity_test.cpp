#include "ledger/print_identity.h"

#include <gtest/gtest.h>

#include <set>

namespace vn {
namespace {

TEST(PrintIdentity, FormsOfOneIdentityAgree) {
  std::set<std::string> seen;
  for (int i = 0; i < 200; ++i) {
    PrintIdentity id = NewPrintIdentity();
    ASSERT_EQ(id.printId.size(), 32u);
    ASSERT_EQ(id.printRef.size(), 28u);
    ASSERT_EQ(id.printToken.size(), 11u);
    EXPECT_EQ(id.printRef.substr(0, 2), "VN");
    EXPECT_EQ(id.printToken.substr(0, 3), "~VN");
    // The token's 8 characters are the first 8 of the reference's 26.
    EXPECT_EQ(id.printToken.substr(3), id.printRef.substr(2, 8));
    EXPECT_EQ(printTokenOfId(id.printId), id.printToken);
    for (char c : id.printId) EXPECT_TRUE((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')) << id.printId;
    for (char c : id.printRef.substr(2)) EXPECT_TRUE(isCrockfordChar(c)) << id.printRef;
    seen.insert(id.printId);
  }
  EXPECT_EQ(seen.size(), 200u);
}

TEST(PrintIdentity, CrockfordReadsBitsMostSignificantFirst) {
  const uint8_t ff[16] = {0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff,
                          0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff};
  // 128 one bits then two zero bits: 25 'Z' and a last character of binary 11100 = 28 = 'W'.
  EXPECT_EQ(printIdentityOfBytes(ff).printRef, "VN" + std::string(25, 'Z') + "W");
  const uint8_t bytes[5] = {0x01, 0x23, 0x45, 0x67, 0x89};
  // 00000 00100 10001 10100 01010 11001 11100 01001 = 0 4 H M A S W 9
  EXPECT_EQ(crockfordBase32(bytes, 5, 8), "04HMASW9");
  const uint8_t zero[16] = {};
  PrintIdentity id = printIdentityOfBytes(zero);
  EXPECT_EQ(id.printId, std::string(32, '0'));
  EXPECT_EQ(id.printToken, "~VN00000000");
  EXPECT_FALSE(isCrockfordChar('I'));
  EXPECT_FALSE(isCrockfordChar('u'));
  EXPECT_TRUE(isCrockfordChar('z'));
  EXPECT_EQ(printTokenOfId("0123456789abcdef0123456789abcdeX"), "");
  EXPECT_EQ(printTokenOfId("0123456789"), "");
  EXPECT_EQ(printTokenOfId("0123456789ABCDEF0123456789abcdef"), "~VN04HMASW9");
}

}  // namespace
}  // namespace vn
