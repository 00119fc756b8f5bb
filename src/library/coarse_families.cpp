#include <cstdio>
#include <string>

#include "library/ascii_case.h"
#include "library/categories.h"

namespace vn {
namespace {

// A keyword no longer than the item must occur in it ("gunshot" holds "gun" and
// "shot"); a shorter item must begin the keyword ("expl" for "explosion"), so that
// "door" does not count as "outdoor" or "indoor".
bool overlaps(const std::string& item, std::string_view keyword) {
  if (keyword.size() <= item.size()) return item.find(keyword) != std::string::npos;
  return keyword.substr(0, item.size()) == item;
}

bool isSeparator(char c) { return c == '_' || c == '-' || c == '.' || c == ' '; }

// The run of characters up to the first separator, leading separators skipped.
std::string firstWord(std::string_view text) {
  size_t start = 0;
  while (start < text.size() && isSeparator(text[start])) ++start;
  size_t end = start;
  while (end < text.size() && !isSeparator(text[end])) ++end;
  return end > start ? std::string(text.substr(start, end - start)) : std::string("Sound");
}

}  // namespace

const std::vector<CoarseFamily>& CoarseFamilies() {
  static const std::vector<CoarseFamily> families = {
      {"AMBExt", "Ambience", {"ambience", "ambient", "atmos", "room", "space", "outdoor", "indoor", "city", "nature", "bg"}},
      {"CRASH", "Crash", {"crash", "smash", "shatter", "break", "glass", "ceramic", "collapse"}},
      {"DSGN", "Designed", {"design", "synth", "processed", "morph", "texture", "pad", "drone", "tone", "abstract"}},
      {"EXPL", "Explosion", {"explosion", "explode", "boom", "blast", "detonate", "bomb"}},
      {"FIRE", "Fire", {"fire", "flame", "burn", "torch", "ignite", "ember"}},
      {"FOL", "Foley", {"foley", "footstep", "cloth", "body", "movement", "rustle"}},
      {"GUN", "Gunshot", {"gun", "shot", "rifle", "pistol", "shotgun", "bullet", "muzzle", "firearm"}},
      {"HIT", "Impact", {"hit", "impact", "punch", "slam", "thud", "thump", "knock", "strike", "stomp", "kick"}},
      {"MECH", "Mechanical", {"mechanical", "machine", "motor", "engine", "gear", "hydraulic", "servo", "robot"}},
      {"META", "Metal", {"metal", "clang", "ring", "scrape", "grind", "chain", "iron", "steel"}},
      {"MVMT", "Movement", {"whoosh", "swoosh", "swish", "flyby", "passby", "rush", "wind", "gust", "sweep"}},
      {"SCI", "SciFi", {"scifi", "sci-fi", "laser", "zap", "beam", "plasma", "energy", "electric", "spark"}},
      {"STRN", "Strain", {"strain", "creak", "stress", "tension", "bend", "warp"}},
      {"WATR", "Water", {"water", "splash", "drip", "rain", "ocean", "wave", "stream", "pour", "bubble"}},
      {"WOOD", "Wood", {"wood", "timber", "branch", "crack", "snap", "plank"}},
  };
  return families;
}

std::string ClassifyCoarse(const std::vector<NamingItem>& items) {
  const CoarseFamily* winner = nullptr;
  int winnerScore = 0;
  for (const CoarseFamily& family : CoarseFamilies()) {
    int score = 0;
    for (const NamingItem& item : items) {
      // An empty word names nothing; it would otherwise overlap every keyword.
      if (item.kind == NamingKind::Ignore || item.word.empty()) continue;
      std::string word = LowerAsciiCopy(item.word);
      int weight = item.kind == NamingKind::Strong ? 3 : 2;
      for (const char* keyword : family.keywords)
        if (overlaps(word, keyword)) score += weight;
    }
    if (score > winnerScore) {
      winnerScore = score;
      winner = &family;
    }
  }
  return winner ? winner->code : "DSGNMisc";
}

std::string MakeDesignedName(const std::vector<NamingItem>& items, std::string_view name, std::string_view extra,
                             int index) {
  std::string title;
  for (const NamingItem& item : items) {
    if (item.kind == NamingKind::Ignore || item.word.empty()) continue;
    if (!title.empty()) title += ' ';
    title += item.word;
    char& initial = title[title.size() - item.word.size()];
    initial = UpperAscii(initial);
  }
  if (title.empty()) title = firstWord(name);
  if (!extra.empty()) {
    std::string extraWord = firstWord(extra);
    if (extraWord != title) title += " " + extraWord;
  }
  char number[16];
  std::snprintf(number, sizeof number, "_%02d", index + 1);
  return ClassifyCoarse(items) + "_" + title + " Designed" + number;
}

}  // namespace vn
