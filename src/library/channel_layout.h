#pragma once
// Which speaker each channel of a sound file feeds, and the layout code stored in
// its library record. Roles come from the file's own channel map when it has one,
// otherwise from default tables for the usual channel counts.
#include <vector>

namespace vn {

enum ChannelRole : int {
  kRoleL = 0,
  kRoleR = 1,
  kRoleC = 2,
  kRoleLFE = 3,
  kRoleLs = 4,
  kRoleRs = 5,
  kRoleLrs = 6,
  kRoleRrs = 7,
  kRoleLtf = 8,
  kRoleRtf = 9,
  kRoleLtr = 10,
  kRoleRtr = 11,
  kRoleUnknown = 12,
};

// How the user asks a file's channels to be read (same values as layoutOverride).
enum LayoutInterpret : int {
  kInterpretAuto = 0,
  kInterpretSurround = 1,
  kInterpretDiscrete = 2,
  kInterpretAmbisonic = 3,
};

struct ChannelLayout {
  std::vector<int> roles;  // one ChannelRole per channel
  bool ambisonic = false;
  bool discrete = false;
  bool fromFileMap = false;  // roles or the ambisonic mark came from the file's own map
  int layoutCode = 0;        // 10 ambisonic, 1/2 mono/stereo, 3..9 known surround, 0 discrete
};

// fileMap holds libsndfile channel-map values (SF_CHANNEL_MAP_*), one per channel,
// or is empty when the file carries no map. channelOrderFallback is the preference
// that picks the default table (1 = film order).
ChannelLayout ResolveChannelLayout(int channels, const std::vector<int>& fileMap, int interpret,
                                   int channelOrderFallback);

// The layout a library record keeps: only a layout read from the file's own map counts.
int StoredLayoutCode(const ChannelLayout& layout);

}  // namespace vn
