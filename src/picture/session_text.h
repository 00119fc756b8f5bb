#pragma once
// Reading a DAW session's text export: memory-location markers (which become
// events and scenes), the track list (from which busses are laid out) and the
// tracks with their clips.
#include <istream>
#include <string>
#include <vector>

namespace vn {

constexpr size_t kMarkerTextCapacity = 128;
constexpr size_t kMarkerRecipeCapacity = 64;

struct ImportedMarker {
  int shape = 0;       // 0 Spot unless the name says "bloom"
  float time = 0.0f;   // seconds from the session start
  float band = 0.3f;   // spectral band named in the name
  std::string keywords;
  std::string name;        // as written
  std::string recipeName;  // a saved recipe the name refers to
  bool accepted = true;
  bool otherShapeWord = false;  // "contour", "fill", "scatter" or "clip"
};

struct ImportedScene {
  float time = 0.0f;
  std::string name;         // capacity 64
  std::string description;  // capacity 128
};

struct SessionTextHeader {
  int sampleRate = 48000;
  float frameRate = 25.0f;
};

// Reads the marker section. defaultFrameRate is the project's rate (25 is used
// when it is not positive); scenes may be null. Returns the header values read.
SessionTextHeader ParseSessionMarkers(std::istream& in, float defaultFrameRate, std::vector<ImportedMarker>& markers,
                                      std::vector<ImportedScene>* scenes, const std::vector<std::string>& recipeNames);

// The words of a marker name: recipe prefix, shape word, band word, keywords.
void ParseMarkerName(const std::string& name, const std::vector<std::string>& recipeNames, ImportedMarker& marker);

struct TrackListEntry {
  std::string name;
  int formatClass = -1;  // 0 mono, 1 stereo, 2 small multichannel, 3 large multichannel, -1 none
};

std::vector<TrackListEntry> ReadTrackListing(const std::vector<std::string>& lines);

struct SessionClip {
  int channel = 0;
  int event = 0;
  std::string name;
  std::string startTime;
  std::string endTime;
  std::string duration;
  std::string state;
};

struct SessionTrack {
  std::string name;
  std::vector<SessionClip> clips;
};

struct SessionInfo {
  std::string sessionName;
  int sampleRate = 0;
  std::string timecodeFormat;  // as written, e.g. "25 Frame"
  float fps = 0.0f;            // its leading number
  std::string startTimecode;
  std::vector<SessionTrack> tracks;
};

// Session name, rates, start timecode and every track with its clip table.
SessionInfo ReadSessionInfo(std::istream& in);

}  // namespace vn
