#pragma once
// The streaming writer that gives every JSON document of the program its look:
// one member per line, two spaces of indentation per level, floats as "%.6g",
// non-finite numbers as 0, and byte-exact escapes.
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vn {

enum class JsonArrayStyle {
  OneItemPerLine,  // texts and objects
  Inline,          // short lists of numbers: "[1, 2, 3]"
};

class JsonWriter {
 public:
  void beginObject();
  void endObject();
  void beginArray(JsonArrayStyle style = JsonArrayStyle::OneItemPerLine);
  void endArray();
  // Writes the separator, the line break and indentation, the quoted key and ": ".
  void key(std::string_view name);

  void stringValue(std::string_view text);
  void intValue(long long value);
  // "%.6g" by default; curves and frame rows use 4 significant digits.
  void floatValue(double value, int significantDigits = 6);
  void boolValue(bool value);
  void raw(std::string_view text);
  // A whole array on one line without spaces ("[0.5,0.25]"), as curves are written.
  void compactNumberArray(std::span<const float> values, int significantDigits);
  // One line of an array holding bare comma-separated numbers ("0.5,0.25"), as
  // the rows of a flat frame table are written.
  void numberRow(std::span<const float> values, int significantDigits);

  // A key followed by its value.
  void keyString(std::string_view name, std::string_view text);
  void keyInt(std::string_view name, long long value);
  void keyFloat(std::string_view name, double value, int significantDigits = 6);
  void keyBool(std::string_view name, bool value);

  const std::string& text() const { return out_; }
  std::string take() { return std::move(out_); }

 private:
  struct Level {
    bool isArray = false;
    bool inlineItems = false;
  };
  void beforeValue();
  void newLine();
  void appendNumbers(std::span<const float> values, int significantDigits);

  std::string out_;
  std::vector<Level> levels_;
  bool hasValue_ = false;  // a value was already written at this level
  bool afterKey_ = false;  // the next value belongs to the key just written
};

// "%.*g" of value, or "0" when it is not finite.
void appendJsonNumber(std::string& out, double value, int significantDigits);
// The text between quotation marks with the program's escapes.
void appendJsonString(std::string& out, std::string_view text);

}  // namespace vn
