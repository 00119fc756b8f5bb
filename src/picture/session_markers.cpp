// The marker section of a session text export.
#include <algorithm>
#include <cmath>

#include "core/text_field.h"
#include "picture/session_text.h"
#include "picture/text_parts.h"

namespace vn {
namespace {

constexpr std::string_view kBlanks = " \t\r\n";

bool contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

// A positive finite number after the first colon, else nothing.
bool valueAfterColon(std::string_view line, double& value) {
  const size_t colon = line.find(':');
  if (colon == std::string_view::npos) return false;
  value = LeadingNumber(TrimmedOf(line.substr(colon + 1), kBlanks), 0.0);
  return std::isfinite(value) && value > 0.0 && value < 1e9;
}

bool wholeInteger(std::string_view text, long long& value) {
  if (text.empty() || text.size() > 18) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

// Up to four ':'-separated integers from the start of the text, as a "%d:%d:%d:%d"
// scan reads them (values beyond nine digits are not numbers here).
int colonFields(std::string_view text, double out[4]) {
  size_t i = text.find_first_not_of(" \t");
  int count = 0;
  while (i != std::string_view::npos && i < text.size() && count < 4) {
    if (count > 0) {
      if (text[i] != ':') break;
      ++i;
    }
    const bool negative = i < text.size() && text[i] == '-';
    if (negative || (i < text.size() && text[i] == '+')) ++i;
    const size_t digitsStart = i;
    double value = 0.0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9' && i - digitsStart < 9) value = value * 10 + (text[i++] - '0');
    if (i == digitsStart) break;
    out[count++] = negative ? -value : value;
  }
  return count;
}

float markerTime(std::string_view location, std::string_view reference, const SessionTextHeader& header) {
  long long samples = 0;
  if (wholeInteger(reference, samples) && header.sampleRate >= 1)
    return static_cast<float>(static_cast<double>(samples) / header.sampleRate);
  double f[4] = {0, 0, 0, 0};
  if (colonFields(location, f) >= 3) {
    const double rate = header.frameRate > 0.0f ? header.frameRate : 25.0;
    return static_cast<float>(f[0] * 3600.0 + f[1] * 60.0 + f[2] + f[3] / rate);
  }
  return 0.0f;
}

std::string joined(const std::vector<std::string_view>& parts, size_t from) {
  std::string out;
  for (size_t i = from; i < parts.size(); ++i) {
    if (parts[i].empty()) continue;
    if (!out.empty()) out += ' ';
    out += parts[i];
  }
  return out;
}

void appendWord(std::string& list, std::string_view word) {
  if (word.empty()) return;
  if (!list.empty()) list += ' ';
  list += word;
}

}  // namespace

void ParseMarkerName(const std::string& name, const std::vector<std::string>& recipeNames, ImportedMarker& marker) {
  std::string_view words = name;
  const size_t colon = name.find(':');
  if (colon != std::string::npos) {
    const std::string prefix = LowerOf(TrimmedOf(std::string_view(name).substr(0, colon)));
    for (const std::string& recipe : recipeNames)
      if (LowerOf(recipe) == prefix) marker.recipeName = cutText(recipe, kMarkerRecipeCapacity);
    words = std::string_view(name).substr(colon + 1);
  }
  bool shapeSeen = false, bandSeen = false;
  std::string keywords;
  size_t start = 0;
  while (start < words.size()) {
    const size_t begin = words.find_first_not_of(" \t", start);
    if (begin == std::string_view::npos) break;
    const size_t end = std::min(words.find_first_of(" \t", begin), words.size());
    const std::string word = LowerOf(words.substr(begin, end - begin));
    start = end;
    if (!shapeSeen && (word == "spot" || word == "bloom")) {
      marker.shape = word == "bloom" ? 1 : 0;
      shapeSeen = true;
    } else if (!shapeSeen && (word == "contour" || word == "fill" || word == "scatter" || word == "clip")) {
      marker.otherShapeWord = true;
      shapeSeen = true;
    } else if (!bandSeen && (word == "sub" || word == "low" || word == "mid" || word == "high" || word == "air")) {
      marker.band = word == "sub" ? 0.1f : word == "low" ? 0.3f : word == "mid" ? 0.5f : word == "high" ? 0.7f : 0.9f;
      bandSeen = true;
    } else {
      appendWord(keywords, word);
    }
  }
  marker.keywords = cutText(keywords, kMarkerTextCapacity);
}

SessionTextHeader ParseSessionMarkers(std::istream& in, float defaultFrameRate, std::vector<ImportedMarker>& markers,
                                      std::vector<ImportedScene>* scenes, const std::vector<std::string>& recipeNames) {
  SessionTextHeader header;
  header.frameRate = defaultFrameRate > 0.0f ? defaultFrameRate : 25.0f;
  bool inSection = false, headerSeen = false;
  std::string line;
  while (std::getline(in, line)) {
    if (!inSection) {
      double value = 0.0;
      if (contains(line, "SAMPLE RATE:") && valueAfterColon(line, value)) header.sampleRate = static_cast<int>(value);
      if (contains(line, "TIMECODE FORMAT:") && valueAfterColon(line, value)) header.frameRate = static_cast<float>(value);
      inSection = contains(line, "M A R K E R S  L I S T I N G") || contains(line, "MARKERS LISTING");
      continue;
    }
    // The next spaced-out title ends the markers: tracks or plug-ins are never markers.
    if (contains(line, "T R A C K") || contains(line, "P L U G-I N S") || contains(line, "O N L I N E")) break;
    if (!headerSeen) {
      headerSeen = !line.empty() && line[0] == '#' && contains(line, "LOCATION");
      continue;
    }
    std::vector<std::string_view> fields = SplitAt(line, '\t');
    if (fields.size() < 5) continue;
    for (std::string_view& f : fields) f = TrimmedOf(f, kBlanks);
    const float time = markerTime(fields[1], fields[2], header);
    const std::string_view comment = fields.size() >= 8 ? fields[7] : std::string_view();
    std::vector<std::string_view> parts = SplitAt(fields[4], ',');
    for (std::string_view& p : parts) p = TrimmedOf(p, kBlanks);
    if (scenes && LowerOf(parts[0]) == "scene") {
      ImportedScene scene;
      scene.time = time;
      scene.name = cutText(parts.size() > 1 ? parts[1] : std::string_view(), cap::kSceneName);
      std::string description = joined(parts, 2);
      appendWord(description, comment);
      scene.description = cutText(description, kMarkerTextCapacity);
      scenes->push_back(std::move(scene));
      continue;
    }
    ImportedMarker marker;
    marker.time = time;
    marker.name = cutText(fields[4], kMarkerTextCapacity);
    ParseMarkerName(std::string(fields[4]), recipeNames, marker);
    std::string keywords = marker.keywords;
    appendWord(keywords, comment);
    marker.keywords = cutText(keywords, kMarkerTextCapacity);
    markers.push_back(std::move(marker));
  }
  return header;
}

}  // namespace vn
