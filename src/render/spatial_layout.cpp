#include "render/spatial_layout.h"

#include <algorithm>

namespace vn {

namespace {

constexpr std::array<SpeakerRole, kSpeakerRoleCount> kRoles{{
    {"L", 30.0f, SpeakerRing::EarLevel},
    {"R", -30.0f, SpeakerRing::EarLevel},
    {"C", 0.0f, SpeakerRing::EarLevel},
    {"LFE", 0.0f, SpeakerRing::None},
    {"Ls", 110.0f, SpeakerRing::EarLevel},
    {"Rs", -110.0f, SpeakerRing::EarLevel},
    {"Lrs", 150.0f, SpeakerRing::EarLevel},
    {"Rrs", -150.0f, SpeakerRing::EarLevel},
    {"Ltf", 45.0f, SpeakerRing::Height},
    {"Rtf", -45.0f, SpeakerRing::Height},
    {"Ltr", 135.0f, SpeakerRing::Height},
    {"Rtr", -135.0f, SpeakerRing::Height},
}};

constexpr std::array<int, 2> kStereoRoles{0, 1};
constexpr std::array<int, 6> kRoles51{0, 1, 2, 3, 4, 5};
constexpr std::array<int, 12> kRoles714{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};

constexpr std::array<const char*, 4> kFormatNames{"mono", "stereo", "5.1", "7.1"};
constexpr std::array<int, 4> kFormatChannels{1, 2, 6, 8};

}  // namespace

const SpeakerRole& speakerRole(int role) { return kRoles[std::clamp(role, 0, kSpeakerRoleCount - 1)]; }

std::span<const int> layoutRoles(SpatialLayout layout) {
  switch (layout) {
    case SpatialLayout::Surround51: return kRoles51;
    case SpatialLayout::Surround714: return kRoles714;
    default: return kStereoRoles;
  }
}

int layoutChannelCount(SpatialLayout layout) { return static_cast<int>(layoutRoles(layout).size()); }

bool layoutHasHeights(SpatialLayout layout) { return layout == SpatialLayout::Surround714; }

const char* layoutName(SpatialLayout layout) {
  switch (layout) {
    case SpatialLayout::Surround51: return "5.1";
    case SpatialLayout::Surround714: return "7.1.4";
    default: return "Stereo";
  }
}

int monitorChannelCount(MonitorFormat format) {
  return format.binaural ? 2 : layoutChannelCount(format.layout);
}

const char* monitorFormatLabel(MonitorFormat format) {
  return format.binaural ? "Headphones (binaural)" : layoutName(format.layout);
}

MonitorFormat monitorFormatFromPrefs(int monitorLayout, bool monitorBinaural) {
  MonitorFormat f;
  f.layout = static_cast<SpatialLayout>(std::clamp(monitorLayout, 0, 2));
  // Headphone monitoring always renders the full 7.1.4 layout.
  if (monitorBinaural) f = {SpatialLayout::Surround714, true};
  return f;
}

const char* channelFormatName(int fmt) { return kFormatNames[std::clamp(fmt, 0, 3)]; }

int channelFormatChannels(int fmt) { return kFormatChannels[std::clamp(fmt, 0, 3)]; }

std::string formatChangeLabel(int srcFmt, int fmt) {
  if (srcFmt < 0 || srcFmt == fmt) return {};
  std::string label = channelFormatName(srcFmt);
  label += " \u2192 ";
  label += channelFormatName(fmt);
  const int from = channelFormatChannels(srcFmt), to = channelFormatChannels(fmt);
  if (to < from) label += " (folded)";
  if (to > from) label += " (upmixed by the spatialiser)";
  return label;
}

}  // namespace vn
