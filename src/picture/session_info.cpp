// The header and the tracks with their clip tables of a session text export.
#include <cmath>

#include "picture/session_text.h"
#include "picture/text_parts.h"
#include "platform/log.h"

namespace vn {
namespace {

bool startsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

std::string valueAfterColon(std::string_view line) {
  const size_t colon = line.find(':');
  return colon == std::string_view::npos ? std::string() : std::string(TrimmedOf(line.substr(colon + 1)));
}

int safeInt(double value) { return std::isfinite(value) && std::fabs(value) < 2e9 ? static_cast<int>(value) : 0; }

// One row of a clip table: channel, event, name, start, end, duration, state.
bool readClip(std::string_view line, SessionClip& clip) {
  std::vector<std::string_view> fields = SplitAt(line, '\t');
  if (fields.size() < 4) return false;
  for (std::string_view& f : fields) f = TrimmedOf(f);
  const double channel = LeadingNumber(fields[0], -1.0);
  if (channel < 0.0) return false;
  clip.channel = safeInt(channel);
  clip.event = safeInt(LeadingNumber(fields[1], 0.0));
  clip.name = fields[2];
  clip.startTime = fields[3];
  if (fields.size() > 4) clip.endTime = fields[4];
  if (fields.size() > 5) clip.duration = fields[5];
  if (fields.size() > 6) clip.state = fields[6];
  return true;
}

}  // namespace

SessionInfo ReadSessionInfo(std::istream& in) {
  SessionInfo info;
  bool inTracks = false, inClipTable = false;
  std::string line;
  while (std::getline(in, line)) {
    const std::string_view text = TrimmedOf(line);
    const std::string bare = WithoutBlanks(line);
    if (bare.find("LISTING") != std::string::npos) {
      inTracks = bare.find("TRACK") != std::string::npos;
      inClipTable = false;
      continue;
    }
    if (!inTracks) {
      if (startsWith(text, "SESSION NAME:")) info.sessionName = valueAfterColon(text);
      if (startsWith(text, "SAMPLE RATE:")) info.sampleRate = safeInt(LeadingNumber(valueAfterColon(text), 0.0));
      if (startsWith(text, "SESSION START TIMECODE:")) info.startTimecode = valueAfterColon(text);
      if (startsWith(text, "TIMECODE FORMAT:")) {
        info.timecodeFormat = valueAfterColon(text);
        const double fps = LeadingNumber(info.timecodeFormat, 0.0);
        info.fps = std::isfinite(fps) && fps > 0.0 && fps < 1e6 ? static_cast<float>(fps) : 0.0f;
      }
      continue;
    }
    if (startsWith(text, "TRACK NAME:")) {
      info.tracks.push_back({valueAfterColon(text), {}});
      inClipTable = false;
    } else if (!info.tracks.empty() && startsWith(text, "CHANNEL")) {
      inClipTable = true;
    } else if (inClipTable) {
      SessionClip clip;
      if (readClip(line, clip))
        info.tracks.back().clips.push_back(std::move(clip));
      else if (text.empty())
        inClipTable = false;
    }
  }
  size_t clips = 0;
  for (const SessionTrack& t : info.tracks) clips += t.clips.size();
  logLine("session info: %d track(s), %d clip(s), %g fps\n", static_cast<int>(info.tracks.size()),
          static_cast<int>(clips), info.fps);
  return info;
}

}  // namespace vn
