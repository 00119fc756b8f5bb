#include "export/aaf_inspect.h"

#include "core/timecode.h"
#include "platform/text.h"

namespace vn {

std::vector<std::string> aafSessionLines(const aaf::ReadSession& s) {
  std::vector<std::string> lines;
  const double fps = s.timecodeRate > 0 ? s.timecodeRate : 25.0;
  const double start = static_cast<double>(s.timecodeStart) / fps;
  lines.push_back(format("AAF composition '%s' (%s)", s.compositionName.c_str(), s.product.c_str()));
  lines.push_back(format("  timecode start %s at %g fps", formatTimecode(start, fps).c_str(), fps));
  int clips = 0;
  for (const auto& t : s.tracks) clips += static_cast<int>(t.clips.size());
  lines.push_back(format("  %zu track%s, %d clip%s, %zu marker%s", s.tracks.size(), plural(s.tracks.size()), clips,
                         plural(clips), s.markers.size(), plural(s.markers.size())));
  for (const auto& t : s.tracks) {
    lines.push_back(format("  track %d '%s' (%d Hz, %zu clip%s)", t.physicalNumber, t.name.c_str(), t.editRate,
                           t.clips.size(), plural(t.clips.size())));
    const double rate = t.editRate > 0 ? t.editRate : 48000.0;
    for (const auto& c : t.clips) {
      std::string gain = c.gainAutomation ? format("gain automation from %.3f", c.gain) : format("gain %.3f", c.gain);
      std::string fades;
      if (c.fadeIn || c.fadeOut)
        fades = format(", fades %.3f/%.3f s", static_cast<double>(c.fadeIn) / rate, static_cast<double>(c.fadeOut) / rate);
      if (c.crossfade) fades += format(", dissolve %.3f s", static_cast<double>(c.crossfade) / rate);
      lines.push_back(format("    %s  %.3f s  '%s'  %d ch  offset %lld  %s%s  %s",
                             formatTimecode(start + static_cast<double>(c.position) / rate, fps).c_str(),
                             static_cast<double>(c.length) / rate, c.name.c_str(), c.channels,
                             static_cast<long long>(c.sourceOffset), gain.c_str(), fades.c_str(),
                             c.sourceUrl.empty() ? "(source not found)" : c.sourceUrl.c_str()));
    }
  }
  const double markerRate = s.tracks.empty() || s.tracks[0].editRate <= 0 ? 48000.0 : s.tracks[0].editRate;
  for (const auto& m : s.markers)
    lines.push_back(format("  marker %s '%s'", formatTimecode(start + static_cast<double>(m.position) / markerRate, fps).c_str(),
                           m.comment.c_str()));
  return lines;
}

}  // namespace vn
