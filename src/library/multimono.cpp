#include "library/multimono.h"

#include <cmath>
#include <map>
#include <string>

#include "library/ascii_case.h"
#include "platform/fnv.h"
#include "platform/paths.h"

namespace vn {
namespace {

constexpr const char* kChannelSuffixes[] = {"L", "R", "C", "LFE", "LS", "RS", "LRS", "RRS", "LTF", "RTF", "LTR", "RTR"};

struct Candidate {
  size_t index;
  int channel;
};

// Rate and length rounded; a hostile index can hold any float, so stay in range.
long long roundedOrZero(double v) {
  if (!std::isfinite(v) || v < 0.0 || v > 9.0e15) return 0;
  return std::llround(v);
}

bool groupIsConsistent(const std::vector<LibraryRecord>& records, const std::vector<Candidate>& members) {
  const LibraryRecord& first = records[members.front().index];
  long long rate = roundedOrZero(first.sampleRate);
  long long frames = roundedOrZero(static_cast<double>(first.duration) * first.sampleRate);
  if (rate <= 0 || frames < 1) return false;
  bool seen[12] = {};
  for (const Candidate& m : members) {
    const LibraryRecord& r = records[m.index];
    if (roundedOrZero(r.sampleRate) != rate) return false;
    if (roundedOrZero(static_cast<double>(r.duration) * r.sampleRate) != frames) return false;
    if (seen[m.channel]) return false;
    seen[m.channel] = true;
  }
  return true;
}

}  // namespace

int MultiMonoChannelIndex(std::string_view suffix) {
  std::string upper = UpperAsciiCopy(suffix);
  for (int i = 0; i < 12; ++i)
    if (upper == kChannelSuffixes[i]) return i;
  return -1;
}

void GroupMultiMono(std::vector<LibraryRecord>& records) {
  std::map<std::string, std::vector<Candidate>> groups;
  for (size_t i = 0; i < records.size(); ++i) {
    LibraryRecord& r = records[i];
    r.groupId = 0;
    r.groupChannel = -1;
    if (r.channels != 1) continue;
    size_t cut = r.name.find_last_of("._-");
    if (cut == std::string::npos) continue;
    int channel = MultiMonoChannelIndex(std::string_view(r.name).substr(cut + 1));
    if (channel < 0) continue;
    std::string folder = parentFolder(r.path);
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    groups[folder + "\n" + r.name.substr(0, cut)].push_back({i, channel});
  }
  for (const auto& [key, members] : groups) {
    if (members.size() < 2 || !groupIsConsistent(records, members)) continue;
    uint64_t id = fnvFeed(kFnvStart, key);
    if (id == 0) id = 1;
    for (const Candidate& m : members) {
      records[m.index].groupId = id;
      records[m.index].groupChannel = m.channel;
    }
  }
}

}  // namespace vn
