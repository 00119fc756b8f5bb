#include <gtest/gtest.h>
#include <zlib.h>

#include <random>

#include "export/base64.h"
#include "export/payload_codec.h"
#include "export_fixtures.h"
#include "support/log_capture.h"

namespace vn {
namespace {

using test::LogCapture;

TEST(Base64, StandardAlphabetWithPaddingOnOneLine) {
  // The test vectors of the standard.
  const std::pair<const char*, const char*> vectors[] = {{"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},
                                                         {"foo", "Zm9v"},  {"foob", "Zm9vYg=="},  {"fooba", "Zm9vYmE="},
                                                         {"foobar", "Zm9vYmFy"}};
  for (const auto& [plain, encoded] : vectors) {
    EXPECT_EQ(base64Encode(plain), encoded);
    EXPECT_EQ(base64Decode(encoded), std::optional<std::string>(plain));
  }
  std::string all;
  for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
  const std::string text = base64Encode(all + all);
  EXPECT_EQ(text.find_first_of("\r\n -_"), std::string::npos);
  EXPECT_NE(text.find('+'), std::string::npos);
  EXPECT_NE(text.find('/'), std::string::npos);
  EXPECT_EQ(base64Decode(text), all + all);
  EXPECT_EQ(base64Decode("Zm9vYg"), std::optional<std::string>("foob"));  // padding left off

  for (const char* bad : {"Zm9v YmFy", "Zm9v\nYmFy", "Zm=9", "Z===", "Zm9vY", "Zm9v*mFy", "Zg==Zg=="})
    EXPECT_FALSE(base64Decode(bad)) << bad;
}

TEST(PayloadCodec, DeflateRoundTripRawAndUnknownCodecs) {
  std::string json = "{\n  \"events\": [";
  for (int i = 0; i < 2000; ++i) json += "\n    {\"time\": " + std::to_string(i) + ", \"keywords\": \"door\"},";
  json += "\n  ]\n}\n";
  const EncodedPayload encoded = encodePayload(json);
  EXPECT_EQ(encoded.codec, "deflate");
  EXPECT_LT(encoded.base64.size(), json.size() / 4);
  // What was encoded is a zlib stream at level 9: another inflater reads it.
  const auto compressed = base64Decode(encoded.base64);
  ASSERT_TRUE(compressed);
  std::string plain(json.size(), '\0');
  uLongf length = plain.size();
  ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(plain.data()), &length,
                       reinterpret_cast<const Bytef*>(compressed->data()), compressed->size()),
            Z_OK);
  EXPECT_EQ(plain, json);
  EXPECT_EQ(static_cast<unsigned char>((*compressed)[0]), 0x78u);
  EXPECT_EQ(static_cast<unsigned char>((*compressed)[1]), 0xDAu);  // best compression

  EXPECT_EQ(decodePayload(encoded.base64, "deflate"), json);
  EXPECT_EQ(decodePayload(base64Encode(json), "raw"), json);

  LogCapture log;
  EXPECT_FALSE(decodePayload(encoded.base64, "lzma"));
  EXPECT_EQ(log.out.back(), "[Manifest] unknown payload codec \"lzma\" - cannot read\n");
  EXPECT_FALSE(decodePayload(base64Encode("not a zlib stream"), "deflate"));
  EXPECT_EQ(log.out.back(), "[Manifest] inflate failed - payload unreadable\n");
  // A stream cut short is broken, not too big for the buffer.
  EXPECT_FALSE(decodePayload(base64Encode(compressed->substr(0, compressed->size() / 2)), "deflate"));
  EXPECT_EQ(log.out.back(), "[Manifest] inflate failed - payload unreadable\n");
  EXPECT_FALSE(decodePayload("!!!!", "deflate"));
}

TEST(PayloadCodec, GrowsTheInflateBufferButNotWithoutBound) {
  // 16 x input is far too small for these: the buffer has to grow.
  const std::string zeros(3u << 20, '0');
  const EncodedPayload grown = encodePayload(zeros);
  EXPECT_EQ(decodePayload(grown.base64, "deflate"), zeros);

  // A deflate bomb: a quarter of a megabyte that would inflate to 256 MiB.
  const std::string bomb = test::deflateBomb(256);
  EXPECT_LT(bomb.size(), 1u << 20);
  LogCapture log;
  EXPECT_FALSE(decodePayload(bomb, "deflate"));
  EXPECT_EQ(log.out.back(), "[Manifest] inflate failed - payload unreadable\n");
}

}  // namespace
}  // namespace vn
