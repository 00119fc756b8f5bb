#pragma once
// Speaker roles and the channel layouts built from them. Every layout numbers its
// channels in its own order; each channel names a speaker role.
#include <array>
#include <span>
#include <string>

namespace vn {

enum class SpeakerRing { None, EarLevel, Height };

struct SpeakerRole {
  const char* name;
  float azimuthDeg;  // positive to the left; unused when ring is None
  SpeakerRing ring;
};

constexpr int kSpeakerRoleCount = 12;
constexpr int kRoleLfe = 3;
const SpeakerRole& speakerRole(int role);

// Monitor and export layouts of the spatial stage.
enum class SpatialLayout : int { Stereo = 0, Surround51 = 1, Surround714 = 2 };
constexpr int kMaxLayoutChannels = 12;

// The speaker roles of a layout, in channel order.
std::span<const int> layoutRoles(SpatialLayout layout);
int layoutChannelCount(SpatialLayout layout);
bool layoutHasHeights(SpatialLayout layout);
// "Stereo", "5.1", "7.1.4".
const char* layoutName(SpatialLayout layout);

// A monitor format: a layout, optionally rendered binaurally to two channels.
struct MonitorFormat {
  SpatialLayout layout = SpatialLayout::Stereo;
  bool binaural = false;
};
// Channels the device receives: the layout's, or 2 when binaural.
int monitorChannelCount(MonitorFormat format);
// "Stereo", "5.1", "7.1.4" or "Headphones (binaural)".
const char* monitorFormatLabel(MonitorFormat format);
// From the preferences monitorLayout (clamped to 0..2) and monitorBinaural.
MonitorFormat monitorFormatFromPrefs(int monitorLayout, bool monitorBinaural);

// Channel formats of a Layer: 0 "mono", 1 "stereo", 2 "5.1", 3 "7.1".
const char* channelFormatName(int fmt);
int channelFormatChannels(int fmt);
// The track view's label for a Layer's format change ("stereo → mono (folded)"),
// empty when the source has the Layer's format.
std::string formatChangeLabel(int srcFmt, int fmt);

}  // namespace vn
