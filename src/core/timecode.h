#pragma once
// Timecode text "HH:MM:SS:FF", non-drop-frame; a fractional rate counts its
// truncated integer of frames per second.
#include <string>
#include <string_view>

namespace vn {

std::string formatTimecode(double seconds, double fps);
// Up to four ':'-separated fields, at least three; each is clamped to its range.
// -1 when the text is not a timecode.
double parseTimecode(std::string_view text, double fps);
// Timecodes written by other programs: ';' counts as ':', all four fields are
// needed, nothing is clamped, and a rate of 0 or less divides frames by 24.
double parseForeignTimecode(std::string_view text, double fps);

}  // namespace vn
