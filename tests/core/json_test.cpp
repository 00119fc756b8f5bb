#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

#include "core/json_parse.h"
#include "core/json_writer.h"

namespace vn {
namespace {

std::string escaped(std::string_view text) {
  std::string out;
  appendJsonString(out, text);
  return out;
}

TEST(JsonWriter, EscapesControlBytesAndKeepsOnlyValidUtf8) {
  EXPECT_EQ(escaped("a\"b\\c\td\x01"), R"("a\"b\\c\td\u0001")");
  EXPECT_EQ(escaped("\n\r\x1f\x7f"), "\"\\n\\r\\u001f\x7f\"");
  // A lone Latin-1 byte is escaped; a well-formed sequence is copied.
  EXPECT_EQ(escaped("\xE9"), R"("\u00e9")");
  EXPECT_EQ(escaped("\xC3\xA9"), "\"\xC3\xA9\"");
  EXPECT_EQ(escaped("\xE2\x82\xAC \xF0\x9F\x8E\xAC"), "\"\xE2\x82\xAC \xF0\x9F\x8E\xAC\"");
  // Overlong leads, stray continuation bytes and cut sequences are escaped byte by byte.
  EXPECT_EQ(escaped("\xC0\xAF"), R"("\u00c0\u00af")");
  EXPECT_EQ(escaped("\xE2\x82x"), R"("\u00e2\u0082x")");
  EXPECT_EQ(escaped("ab\xF0\x9F"), R"("ab\u00f0\u009f")");
  EXPECT_EQ(escaped("\xF5\x80\x80\x80"), R"("\u00f5\u0080\u0080\u0080")");
}

TEST(JsonWriter, NumbersMatchPrintfAndNeverWriteNonFinite) {
  std::string out;
  appendJsonNumber(out, std::nan(""), 6);
  appendJsonNumber(out, std::numeric_limits<double>::infinity(), 6);
  appendJsonNumber(out, -std::numeric_limits<double>::infinity(), 4);
  EXPECT_EQ(out, "000");

  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
  std::uniform_int_distribution<int> exponent(-12, 12);
  for (int i = 0; i < 20000; ++i) {
    double v = mantissa(rng) * std::pow(10.0, exponent(rng));
    if (i % 5 == 0) v = static_cast<float>(v);  // session fields are floats
    for (int digits : {4, 6}) {
      char expected[64];
      std::snprintf(expected, sizeof expected, "%.*g", digits, v);
      std::string got;
      appendJsonNumber(got, v, digits);
      ASSERT_EQ(got, expected) << "value " << v;
    }
  }
  for (double v : {0.0, -0.0, 1.0, 0.5, 100000.0, 1000000.0, 1e-5, 123456789.0, 0.0001}) {
    char expected[64];
    std::snprintf(expected, sizeof expected, "%.6g", v);
    std::string got;
    appendJsonNumber(got, v, 6);
    EXPECT_EQ(got, expected);
  }
}

TEST(JsonWriter, LaysOutMembersArraysAndRows) {
  JsonWriter w;
  w.beginObject();
  w.keyString("format", "Varnel");
  w.keyInt("version", 9);
  w.keyFloat("gain", 0.5);
  w.keyBool("on", true);
  w.key("paths");
  w.beginArray();
  w.stringValue("a");
  w.stringValue("b");
  w.endArray();
  w.key("order");
  w.beginArray(JsonArrayStyle::Inline);
  w.intValue(2);
  w.intValue(0);
  w.endArray();
  w.key("empty");
  w.beginArray();
  w.endArray();
  w.key("curve");
  const float curve[] = {0.5f, 0.25f, 1.0f};
  w.compactNumberArray(curve, 4);
  w.key("rows");
  w.beginArray();
  w.numberRow(curve, 4);
  w.numberRow(curve, 4);
  w.endArray();
  w.key("list");
  w.beginArray();
  w.beginObject();
  w.keyInt("n", 1);
  w.endObject();
  w.beginObject();
  w.endObject();
  w.endArray();
  w.endObject();
  EXPECT_EQ(w.text(),
            "{\n"
            "  \"format\": \"Varnel\",\n"
            "  \"version\": 9,\n"
            "  \"gain\": 0.5,\n"
            "  \"on\": true,\n"
            "  \"paths\": [\n"
            "    \"a\",\n"
            "    \"b\"\n"
            "  ],\n"
            "  \"order\": [2, 0],\n"
            "  \"empty\": [],\n"
            "  \"curve\": [0.5,0.25,1],\n"
            "  \"rows\": [\n"
            "    0.5,0.25,1,\n"
            "    0.5,0.25,1\n"
            "  ],\n"
            "  \"list\": [\n"
            "    {\n"
            "      \"n\": 1\n"
            "    },\n"
            "    {}\n"
            "  ]\n"
            "}");
}

TEST(JsonParse, ReadsValuesInDocumentOrderAndKeepsDuplicates) {
  JsonValue v = parseJsonText(R"( { "a": 1, "b": [true, false, null, "x"], "a": 2,
      "long key that does not fit inline": {"nested": -2.5e1}, "s": "\/\"\\" } )");
  ASSERT_TRUE(v.isObject());
  ASSERT_EQ(v.size(), 5u);
  EXPECT_EQ(member(v, "a").number(), 1.0);
  EXPECT_EQ(v.members()[2].value.number(), 2.0);
  const JsonValue& b = member(v, "b");
  EXPECT_TRUE(element(b, 0).boolean());
  EXPECT_TRUE(element(b, 1).isBool());
  EXPECT_FALSE(element(b, 1).boolean());
  EXPECT_TRUE(element(b, 2).isNull());
  EXPECT_EQ(element(b, 3).text(), "x");
  EXPECT_TRUE(element(b, 4).isNull());
  EXPECT_TRUE(element(b, -1).isNull());
  EXPECT_EQ(member(member(v, "long key that does not fit inline"), "nested").number(), -25.0);
  EXPECT_EQ(member(v, "s").text(), "/\"\\");
  // Lookups chain through missing members without checks.
  EXPECT_TRUE(member(member(member(v, "missing"), "deeper"), "x").isNull());
  EXPECT_TRUE(element(member(v, "a"), 0).isNull());
  EXPECT_EQ(member(v, "a").text(), "");
}

TEST(JsonParse, DecodesEscapesToUtf8WithoutJoiningSurrogates) {
  EXPECT_EQ(parseJsonText(R"("\u00e9")").text(), "\xC3\xA9");
  EXPECT_EQ(parseJsonText(R"("\u00E9\u0041\u20ac")").text(), "\xC3\xA9" "A" "\xE2\x82\xAC");
  EXPECT_EQ(parseJsonText(R"("\ud83c\udfac")").text(), "\xED\xA0\xBC\xED\xBE\xAC");
  EXPECT_EQ(parseJsonText(R"("a\n\r\tb\b\f")").text(), "a\n\r\tb\b\f");
  // Up to four digits: the escape ends at the first character that is not one.
  EXPECT_EQ(parseJsonText(R"("\u41z")").text(), "Az");
  // An unterminated string ends with the text.
  EXPECT_EQ(parseJsonText(R"("abc\)").text(), "abc");
  EXPECT_EQ(parseJsonText("\"open").text(), "open");
}

TEST(JsonParse, NumbersConvertLikeTheCLibrary) {
  const char* cases[] = {"0",    "-0",      "12",       "-7",      "0.1",       "3.14159265358979",
                         "1e5",  "1E-5",    "2.5e+3",   "1e400",   "-1e400",    "1e-400",
                         "1.",   "1e",      "-",        "123456789012345678901", "0.30000000000000004",
                         "007",  "4.9e-324", "1.7976931348623157e308"};
  for (const char* text : cases) {
    JsonValue v = parseJsonText(text);
    ASSERT_TRUE(v.isNumber()) << text;
    double expected = std::strtod(text, nullptr);
    if (std::isinf(expected)) {
      EXPECT_EQ(v.number(), expected) << text;
    } else {
      EXPECT_EQ(std::signbit(v.number()), std::signbit(expected)) << text;
      EXPECT_EQ(v.number(), expected) << text;
    }
  }
}

TEST(JsonParse, MalformedInputBecomesNullsAndTruncatedContainers) {
  EXPECT_TRUE(member(parseJsonText(R"({"a": tru, "b": 2})"), "a").isNull());
  EXPECT_EQ(member(parseJsonText(R"({"a": tru, "b": 2})"), "b").number(), 2.0);
  EXPECT_TRUE(parseJsonText("").isNull());
  EXPECT_TRUE(parseJsonText("  @").isNull());
  // Missing closers end the containers at the end of the text.
  JsonValue open = parseJsonText(R"({"a": [1, 2, {"b": "c")");
  EXPECT_EQ(member(element(member(open, "a"), 2), "b").text(), "c");
  // Keys without colons, stray characters and separators are stepped over.
  JsonValue loose = parseJsonText(R"({"a" 1 "b": 2,, x "c": [1 2 : 3]})");
  EXPECT_EQ(member(loose, "a").number(), 1.0);
  EXPECT_EQ(member(loose, "b").number(), 2.0);
  const JsonValue& c = member(loose, "c");
  ASSERT_TRUE(c.isArray());
  EXPECT_EQ(element(c, 0).number(), 1.0);
  EXPECT_EQ(element(c, 1).number(), 2.0);
  EXPECT_EQ(c.items().back().number(), 3.0);
}

TEST(JsonParse, NestingBeyondTheLimitReadsAsNull) {
  std::string deep = std::string(70, '[') + "1" + std::string(70, ']');
  JsonValue v = parseJsonText(deep);
  const JsonValue* level = &v;
  int arrays = 0;
  while (level->isArray()) {
    ++arrays;
    level = &element(*level, 0);
  }
  EXPECT_EQ(arrays, kJsonMaxDepth + 1);  // depths 0 .. 64
  EXPECT_TRUE(level->isNull());

  // The skipped text stops before the next separator, so siblings survive.
  std::string sibling = "{\"deep\": " + std::string(80, '[') + std::string(80, ']') + ", \"after\": 5}";
  EXPECT_EQ(member(parseJsonText(sibling), "after").number(), 5.0);
}

TEST(JsonParse, AdvancesPastOneValueAndCopiesDeeply) {
  std::string_view text = "  [1, \"a string longer than fourteen bytes\"] {\"k\": 2}";
  JsonValue first = parseJson(text);
  EXPECT_EQ(text, " {\"k\": 2}");
  JsonValue second = parseJson(text);
  EXPECT_EQ(member(second, "k").number(), 2.0);
  EXPECT_TRUE(text.empty());

  JsonValue copy = first;
  first = JsonValue(3.0);
  EXPECT_EQ(element(copy, 1).text(), "a string longer than fourteen bytes");
  JsonValue moved = std::move(copy);
  EXPECT_TRUE(copy.isNull());
  EXPECT_EQ(moved.size(), 2u);
  moved = moved;
  EXPECT_EQ(element(moved, 0).number(), 1.0);
}

TEST(JsonParse, ReadsBackWhatTheWriterWrote) {
  std::string awkward;
  for (int c = 1; c < 256; ++c) awkward.push_back(static_cast<char>(c));
  JsonWriter w;
  w.beginObject();
  w.keyString("ascii", "plain \"quoted\" \\ / text\twith\ncontrols");
  w.keyString("utf8", "caf\xC3\xA9 \xE2\x82\xAC");
  w.keyString("bytes", awkward);
  w.keyFloat("x", 0.1f);
  w.endObject();
  JsonValue v = parseJsonText(w.text());
  EXPECT_EQ(member(v, "ascii").text(), "plain \"quoted\" \\ / text\twith\ncontrols");
  EXPECT_EQ(member(v, "utf8").text(), "caf\xC3\xA9 \xE2\x82\xAC");
  // Bytes that are not UTF-8 come back as their Latin-1 code points.
  std::string bytes(member(v, "bytes").text());
  EXPECT_EQ(bytes.substr(0, 127), awkward.substr(0, 127));
  EXPECT_EQ(bytes.substr(127, 2), "\xC2\x80");
  EXPECT_EQ(static_cast<float>(member(v, "x").number()), 0.1f);
}

}  // namespace
}  // namespace vn
