#include "core/json_writer.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace vn {
namespace {

// Length of a well-formed UTF-8 sequence starting at i, or 0 when the bytes there
// are not one (such bytes are written as escaped Latin-1 code points).
size_t validSequenceLength(std::string_view text, size_t i) {
  unsigned lead = static_cast<unsigned char>(text[i]);
  if (lead < 194 || lead > 244) return 0;
  size_t length = lead < 224 ? 2 : lead < 240 ? 3 : 4;
  if (i + length > text.size()) return 0;
  for (size_t k = 1; k < length; ++k) {
    unsigned c = static_cast<unsigned char>(text[i + k]);
    if (c < 0x80 || c > 0xBF) return 0;
  }
  return length;
}

void appendEscapedByte(std::string& out, unsigned byte) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "\\u%04x", byte);
  out += buf;
}

}  // namespace

void appendJsonNumber(std::string& out, double value, int significantDigits) {
  if (!std::isfinite(value)) {
    out.push_back('0');
    return;
  }
  // to_chars with a precision formats exactly as printf's "%.*g" does.
  char buf[64];
  auto result = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, significantDigits);
  out.append(buf, result.ptr);
}

void appendJsonString(std::string& out, std::string_view text) {
  out.push_back('"');
  size_t i = 0;
  while (i < text.size()) {
    unsigned c = static_cast<unsigned char>(text[i]);
    if (c >= 128) {
      size_t length = validSequenceLength(text, i);
      if (length == 0) {
        appendEscapedByte(out, c);
        ++i;
      } else {
        out.append(text.substr(i, length));
        i += length;
      }
      continue;
    }
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 32)
          appendEscapedByte(out, c);
        else
          out.push_back(static_cast<char>(c));
    }
    ++i;
  }
  out.push_back('"');
}

void JsonWriter::newLine() {
  out_.push_back('\n');
  out_.append(2 * levels_.size(), ' ');
}

// Array items need their own separator; a value after a key already has one.
void JsonWriter::beforeValue() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (levels_.empty() || !levels_.back().isArray) return;
  if (levels_.back().inlineItems) {
    if (hasValue_) out_ += ", ";
  } else {
    if (hasValue_) out_.push_back(',');
    newLine();
  }
  hasValue_ = true;
}

void JsonWriter::beginObject() {
  beforeValue();
  out_.push_back('{');
  levels_.push_back({false, false});
  hasValue_ = false;
}

void JsonWriter::endObject() {
  bool empty = !hasValue_;
  levels_.pop_back();
  if (!empty) newLine();
  out_.push_back('}');
  hasValue_ = true;
}

void JsonWriter::beginArray(JsonArrayStyle style) {
  beforeValue();
  out_.push_back('[');
  levels_.push_back({true, style == JsonArrayStyle::Inline});
  hasValue_ = false;
}

void JsonWriter::endArray() {
  bool multiLine = hasValue_ && !levels_.back().inlineItems;
  levels_.pop_back();
  if (multiLine) newLine();
  out_.push_back(']');
  hasValue_ = true;
}

void JsonWriter::key(std::string_view name) {
  if (hasValue_) out_.push_back(',');
  newLine();
  appendJsonString(out_, name);
  out_ += ": ";
  hasValue_ = true;
  afterKey_ = true;
}

void JsonWriter::stringValue(std::string_view text) {
  beforeValue();
  appendJsonString(out_, text);
}

void JsonWriter::intValue(long long value) {
  beforeValue();
  char buf[24];
  auto result = std::to_chars(buf, buf + sizeof buf, value);
  out_.append(buf, result.ptr);
}

void JsonWriter::floatValue(double value, int significantDigits) {
  beforeValue();
  appendJsonNumber(out_, value, significantDigits);
}

void JsonWriter::boolValue(bool value) {
  beforeValue();
  out_ += value ? "true" : "false";
}

void JsonWriter::raw(std::string_view text) {
  beforeValue();
  out_ += text;
}

void JsonWriter::appendNumbers(std::span<const float> values, int significantDigits) {
  for (size_t i = 0; i < values.size(); ++i) {
    if (i > 0) out_.push_back(',');
    appendJsonNumber(out_, values[i], significantDigits);
  }
}

void JsonWriter::compactNumberArray(std::span<const float> values, int significantDigits) {
  beforeValue();
  out_.push_back('[');
  appendNumbers(values, significantDigits);
  out_.push_back(']');
}

void JsonWriter::numberRow(std::span<const float> values, int significantDigits) {
  beforeValue();
  appendNumbers(values, significantDigits);
}

void JsonWriter::keyString(std::string_view name, std::string_view text) {
  key(name);
  stringValue(text);
}

void JsonWriter::keyInt(std::string_view name, long long value) {
  key(name);
  intValue(value);
}

void JsonWriter::keyFloat(std::string_view name, double value, int significantDigits) {
  key(name);
  floatValue(value, significantDigits);
}

void JsonWriter::keyBool(std::string_view name, bool value) {
  key(name);
  boolValue(value);
}

}  // namespace vn
