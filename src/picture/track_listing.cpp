// The track list of a session text export, or a plain list of "name<TAB>format" lines.
#include <array>
#include <utility>

#include "picture/session_text.h"
#include "picture/text_parts.h"

namespace vn {
namespace {

constexpr std::string_view kTrackNameKey = "track name:";

int explicitFormat(std::string_view text) {
  const std::string f = LowerOf(TrimmedOf(text));
  if (f == "mono") return 0;
  if (f == "stereo") return 1;
  if (f == "5.1") return 2;
  if (f == "7.1") return 3;
  return -1;
}

int formatWordClass(const std::string& word) {
  static const std::array<std::pair<std::string_view, int>, 14> words{{
      {"mono", 0}, {"stereo", 1}, {"lcr", 2}, {"quad", 2}, {"5.0", 2}, {"5.1", 2}, {"6.0", 2},
      {"6.1", 2}, {"7.0", 3}, {"7.1", 3}, {"7.1.2", 3}, {"7.1.4", 3}, {"9.1.4", 3}, {"9.1.6", 3}}};
  for (const auto& [w, cls] : words)
    if (word == w) return cls;
  return -1;
}

// A trailing format word ("FX 1_stereo") gives the class and leaves the name
// without it, unless an explicit format disagrees.
TrackListEntry entryFrom(std::string_view name, int explicitClass) {
  TrackListEntry entry;
  entry.name = std::string(TrimmedOf(name));
  entry.formatClass = explicitClass;
  const size_t cut = entry.name.find_last_of(" _-");
  const std::string word = LowerOf(cut == std::string::npos ? entry.name : entry.name.substr(cut + 1));
  const int wordClass = formatWordClass(word);
  if (wordClass < 0 || (explicitClass >= 0 && explicitClass != wordClass)) return entry;
  const size_t keep = cut == std::string::npos ? std::string::npos : entry.name.find_last_not_of(" _-", cut);
  // A name that is nothing but the format word stays as it is.
  if (keep != std::string::npos) entry.name = entry.name.substr(0, keep + 1);
  entry.formatClass = wordClass;
  return entry;
}

bool startsWithTrackName(std::string_view line) {
  const std::string_view rest = TrimmedOf(line, " \t");
  return rest.size() >= kTrackNameKey.size() && LowerOf(rest.substr(0, kTrackNameKey.size())) == kTrackNameKey;
}

}  // namespace

std::vector<TrackListEntry> ReadTrackListing(const std::vector<std::string>& lines) {
  // The section of a session report, when the input has one.
  size_t begin = 0, end = lines.size();
  for (size_t i = 0; i < lines.size(); ++i) {
    if (WithoutBlanks(lines[i]) != "TRACKLISTING") continue;
    begin = i + 1;
    for (size_t j = begin; j < lines.size(); ++j) {
      const std::string bare = WithoutBlanks(lines[j]);
      if (bare == "MARKERSLISTING" || bare == "PLUGINSLISTING") {
        end = j;
        break;
      }
    }
    break;
  }
  std::vector<TrackListEntry> tracks;
  bool named = false;
  for (size_t i = begin; i < end && !named; ++i) named = startsWithTrackName(lines[i]);
  for (size_t i = begin; i < end; ++i) {
    const std::string_view line = lines[i];
    TrackListEntry entry;
    if (named) {
      if (!startsWithTrackName(line)) continue;
      const size_t key = line.find_first_not_of(" \t");
      entry = entryFrom(line.substr(key + kTrackNameKey.size()), -1);
    } else {
      const size_t tab = line.find('\t');
      entry = entryFrom(line.substr(0, tab), tab == std::string_view::npos ? -1 : explicitFormat(line.substr(tab + 1)));
    }
    if (!entry.name.empty()) tracks.push_back(std::move(entry));
  }
  return tracks;
}

}  // namespace vn
