#include "library/channel_layout.h"

#include <sndfile.h>

#include <algorithm>

namespace vn {
namespace {

int RoleFromMapValue(int value) {
  switch (value) {
    case SF_CHANNEL_MAP_LEFT:
    case SF_CHANNEL_MAP_FRONT_LEFT: return kRoleL;
    case SF_CHANNEL_MAP_RIGHT:
    case SF_CHANNEL_MAP_FRONT_RIGHT: return kRoleR;
    case SF_CHANNEL_MAP_CENTER:
    case SF_CHANNEL_MAP_FRONT_CENTER: return kRoleC;
    case SF_CHANNEL_MAP_REAR_LEFT: return kRoleLrs;
    case SF_CHANNEL_MAP_REAR_RIGHT: return kRoleRrs;
    case SF_CHANNEL_MAP_LFE: return kRoleLFE;
    case SF_CHANNEL_MAP_SIDE_LEFT: return kRoleLs;
    case SF_CHANNEL_MAP_SIDE_RIGHT: return kRoleRs;
    case SF_CHANNEL_MAP_TOP_FRONT_LEFT: return kRoleLtf;
    case SF_CHANNEL_MAP_TOP_FRONT_RIGHT: return kRoleRtf;
    case SF_CHANNEL_MAP_TOP_REAR_LEFT: return kRoleLtr;
    case SF_CHANNEL_MAP_TOP_REAR_RIGHT: return kRoleRtr;
    default: return kRoleUnknown;
  }
}

bool IsAmbisonicComponent(int value) {
  return value >= SF_CHANNEL_MAP_AMBISONIC_B_W && value <= SF_CHANNEL_MAP_AMBISONIC_B_Z;
}

std::vector<int> DefaultRoles(int channels, int channelOrderFallback) {
  if (channels == 4) return {kRoleL, kRoleR, kRoleLs, kRoleRs};
  if (channelOrderFallback == 1) {
    switch (channels) {
      case 3: return {kRoleL, kRoleC, kRoleR};
      case 5: return {kRoleL, kRoleC, kRoleR, kRoleLs, kRoleRs};
      case 6: return {kRoleL, kRoleC, kRoleR, kRoleLs, kRoleRs, kRoleLFE};
      case 8: return {kRoleL, kRoleC, kRoleR, kRoleLs, kRoleRs, kRoleLrs, kRoleRrs, kRoleLFE};
      default: return {};
    }
  }
  std::vector<int> eight{kRoleL, kRoleR, kRoleC, kRoleLFE, kRoleLs, kRoleRs, kRoleLrs, kRoleRrs};
  switch (channels) {
    case 3: return {kRoleL, kRoleR, kRoleC};
    case 5: return {kRoleL, kRoleR, kRoleC, kRoleLs, kRoleRs};
    case 6: return {kRoleL, kRoleR, kRoleC, kRoleLFE, kRoleLs, kRoleRs};
    case 8: return eight;
    case 10: eight.insert(eight.end(), {kRoleLtf, kRoleRtf}); return eight;
    case 12: eight.insert(eight.end(), {kRoleLtf, kRoleRtf, kRoleLtr, kRoleRtr}); return eight;
    default: return {};
  }
}

int SurroundCode(int channels) {
  switch (channels) {
    case 3: return 3;
    case 4: return 4;
    case 5: return 5;
    case 6: return 6;
    case 8: return 7;
    case 10: return 8;
    case 12: return 9;
    default: return 0;
  }
}

int LayoutCodeOf(const ChannelLayout& layout, int channels) {
  if (layout.ambisonic) return 10;
  if (channels == 1 || channels == 2) return channels;
  bool allKnown = std::none_of(layout.roles.begin(), layout.roles.end(), [](int role) { return role == kRoleUnknown; });
  return allKnown ? SurroundCode(channels) : 0;
}

// Reads the file's own map; false when it names no role and no ambisonic component.
bool RolesFromFileMap(const std::vector<int>& fileMap, ChannelLayout& layout) {
  bool named = false;
  for (size_t i = 0; i < layout.roles.size() && i < fileMap.size(); ++i) {
    if (IsAmbisonicComponent(fileMap[i])) layout.ambisonic = true;
    layout.roles[i] = RoleFromMapValue(fileMap[i]);
    if (layout.roles[i] != kRoleUnknown) named = true;
  }
  if (layout.ambisonic) {
    std::fill(layout.roles.begin(), layout.roles.end(), kRoleUnknown);
    return true;
  }
  if (!named) std::fill(layout.roles.begin(), layout.roles.end(), kRoleUnknown);
  return named;
}

}  // namespace

ChannelLayout ResolveChannelLayout(int channels, const std::vector<int>& fileMap, int interpret,
                                   int channelOrderFallback) {
  ChannelLayout layout;
  layout.roles.assign(static_cast<size_t>(std::max(channels, 0)), kRoleUnknown);
  if (channels == 1) {
    layout.roles[0] = kRoleC;
  } else if (interpret == kInterpretDiscrete) {
    layout.discrete = true;
  } else if (interpret == kInterpretAmbisonic) {
    layout.ambisonic = true;
  } else if (channels == 2) {
    layout.roles = {kRoleL, kRoleR};
  } else if (!fileMap.empty() && RolesFromFileMap(fileMap, layout)) {
    layout.fromFileMap = true;
  } else if ((channels == 9 || channels == 16) && interpret != kInterpretSurround) {
    layout.ambisonic = true;
  } else {
    std::vector<int> defaults = DefaultRoles(channels, channelOrderFallback);
    if (!defaults.empty()) layout.roles = std::move(defaults);
  }
  layout.layoutCode = LayoutCodeOf(layout, channels);
  return layout;
}

int StoredLayoutCode(const ChannelLayout& layout) { return layout.fromFileMap ? layout.layoutCode : -1; }

}  // namespace vn
