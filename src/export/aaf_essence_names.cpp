#include "export/aaf_essence_names.h"

#include <cctype>

#include "platform/text.h"

namespace vn {
namespace {

std::string folded(const std::string& s) {
  std::string out = s;
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace

std::string essenceSafeName(const std::string& name) {
  std::string out;
  for (char c : name) {
    const auto u = static_cast<unsigned char>(c);
    out.push_back(u < 0x20 || c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' ||
                          c == '>' || c == '|'
                      ? '_'
                      : c);
  }
  return out.empty() ? "clip" : out;
}

std::string essenceFileName(const EssenceNameRequest& r, std::set<std::string>& taken) {
  const std::string clip = essenceSafeName(r.clipName);
  auto make = [&](const std::string& suffix) {
    return r.sourceNative
               ? format("%s_%03d_src_%s%s%s.wav", r.base.c_str(), r.clipNumber, clip.c_str(), suffix.c_str(),
                        r.channelSuffix)
               : format("%s_%03d_%s%s%s.wav", r.base.c_str(), r.clipNumber, clip.c_str(), suffix.c_str(),
                        r.channelSuffix);
  };
  std::string name = make("");
  for (int64_t extra = 0; taken.count(folded(name)); ++extra)
    name = make(format("-t%09lld", static_cast<long long>(r.position + extra)));
  taken.insert(folded(name));
  return name;
}

}  // namespace vn
