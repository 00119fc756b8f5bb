// The print token a file carries in its Broadcast-WAV block.
#include <gtest/gtest.h>

#include "ledger/print_identity.h"
#include "ledger/read_print_token.h"
#include "ledger_fixture.h"

namespace vn {
namespace {

TEST(ReadPrintToken, ComesFromTheReferenceElseTheCodingHistory) {
  const PrintIdentity id = NewPrintIdentity();
  ASSERT_EQ(id.printToken.size(), 11u);
  ASSERT_EQ(id.printRef.size(), 28u);
  EXPECT_EQ(id.printToken.substr(3), id.printRef.substr(2, 8));
  EXPECT_EQ(printTokenOfBextTexts(id.printRef, ""), id.printToken);
  // A reference too short or of another maker does not count; the history does.
  EXPECT_EQ(printTokenOfBextTexts("VN1234567", "A=PCM,T=Varnel 1 export ~VN0123abcd\r\n"), "~VN0123ABCD");
  EXPECT_EQ(printTokenOfBextTexts("XY0123456789", "T=x ~VN0123ABCD"), "~VN0123ABCD");
  // Not the Crockford alphabet (U), or cut short: the next occurrence or nothing.
  EXPECT_EQ(printTokenOfBextTexts("", "~VN0123ABCU ~VNZZZZZZZZ"), "~VNZZZZZZZZ");
  EXPECT_EQ(printTokenOfBextTexts("", "~VN0123"), "");
  EXPECT_EQ(printTokenOfBextTexts("", ""), "");
}

using test::LedgerTest;

TEST_F(LedgerTest, ReadsTheTokenOfAFile) {
  const PrintIdentity id = NewPrintIdentity();
  test::writeWithBext(dir.file("ref.wav"), id.printRef, "A=PCM,F=48000\r\n");
  EXPECT_EQ(ReadPrintToken(dir.file("ref.wav")), id.printToken);
  test::writeWithBext(dir.file("history.wav"), "", "A=PCM,F=48000,W=24,M=mono,T=Varnel 1 export " + id.printToken + "\r\n");
  EXPECT_EQ(ReadPrintToken(dir.file("history.wav")), id.printToken);
  test::writeNoise(dir.file("plain.wav"), 480, 1);
  EXPECT_EQ(ReadPrintToken(dir.file("plain.wav")), "");
  EXPECT_EQ(ReadPrintToken(dir.file("absent.wav")), "");
}

}  // namespace
}  // namespace vn
