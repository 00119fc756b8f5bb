#pragma once
// What an AAF session holds, in the terms of our delivery: tracks of placed clips,
// each clip referencing one essence file, plus markers; and the writer that turns it
// into an AAF file with a composition "Varnel Timeline".
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vn::aaf {

struct GainPoint {
  int64_t time = 0;  // samples from the clip's start
  double gain = 1.0; // linear
};

struct Clip {
  std::string name;
  int64_t position = 0;      // timeline samples from the composition's start
  int64_t length = 0;        // samples
  int64_t sourceOffset = 0;  // samples into the essence file where the clip starts
  std::string essencePath;   // absolute path of the essence WAV
  int64_t essenceLength = 0; // samples in the essence file
  int channels = 1;          // channels of the essence file
  std::string wavSummary;    // the essence file's bytes from "RIFF" through the data chunk header
  int64_t timeReference = 0; // the essence file's bext time reference in samples
  double gain = 1.0;         // linear clip gain
  std::vector<GainPoint> gainCurve;  // when non-empty: gain automation instead of the constant
  int64_t fadeIn = 0, fadeOut = 0;   // samples
  // Samples this clip dissolves from the one before it on its track: the clip starts
  // that much before the previous one ends.
  int64_t crossfade = 0;
};

struct Track {
  std::string name;
  int physicalNumber = 1;
  int channels = 1;            // 1 for a mono track; more combines the essence's channels
  std::string format = "mono"; // the _TRACK_FORMAT entry
  std::vector<Clip> clips;     // in timeline order
};

struct Marker {
  int64_t position = 0;  // samples
  std::string comment;
};

struct Session {
  std::string name = "Varnel Timeline";
  int sampleRate = 48000;
  int frameRate = 25;             // whole frames per second of the timecode
  int64_t startFrame = 0;         // the timecode start, in frames
  std::string productVersion;     // "1.2.3"
  std::vector<Track> tracks;
  std::vector<Marker> markers;
};

// Counts the writer reports about what it placed.
struct WriteStats {
  int clipSegments = 0;
  int withGain = 0;
  int wrapped = 0;  // clips inside a channel combiner
  int combinedTracks = 0;
  int dissolves = 0;
  int storages = 0;  // container storages written, the root left out
  int streams = 0;   // container streams written
};

// HRESULT-style codes of the writer: 0 when it succeeded, negative when it failed.
constexpr int32_t kAafOk = 0;
constexpr int32_t kAafOpenFailed = static_cast<int32_t>(0x80AA0001u);
constexpr int32_t kAafSaveFailed = static_cast<int32_t>(0x80AA0002u);

struct WriteOutcome {
  int32_t hr = kAafOk;
  std::string step;   // the failing step: "OpenNewModifyEx", "Save"
  std::string error;  // one sentence
  WriteStats stats;
};

WriteOutcome writeSessionFile(const std::string& path, const Session& session);

}  // namespace vn::aaf
