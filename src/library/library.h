#pragma once
// A Library is the index of one folder of sound files (or a hand-made Palette):
// one LibraryRecord per file with its identity, format and measured character.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vn {

struct LibraryRecord {
  std::string path;
  std::string name;
  std::string description;
  std::string keywords;
  std::string fileId;  // 16 lower-case hex digits; empty when the file could not be hashed
  uint64_t contentHash = 0;
  uint64_t fileSize = 0;
  int64_t modifiedTime = 0;
  float duration = 0.0f;
  float sampleRate = 0.0f;
  int channels = 0;
  int bitDepth = 0;
  uint64_t groupId = 0;
  int groupChannel = -1;  // recomputed on every load, not stored
  int layout = -1;
  int layoutOverride = 0;
  std::array<float, 5> bandShare{};
  float centroid = 0.5f;
  float highRatio = 0.0f;
  float brightness = 0.5f;
  float dynamicRangeDb = 0.0f;
  float peakPosition = 0.0f;
  float zeroCrossRate = 0.0f;
  float crestDb = 0.0f;
  float rmsDb = -100.0f;
  float temporalCentroid = 0.5f;
  float spectralFlux = 0.0f;
  float pitchHz = 0.0f;
  int midiNote = -1;
  float pitchCents = 0.0f;
  float pitchConfidence = 0.0f;
  float flatness = 0.0f;
  float harmonicRatio = 0.0f;
  float inharmonicity = 0.0f;
  float onsetPosition = 0.0f;
  float attackTime = 0.0f;
};

constexpr int kLibrarySchemaVersion = 10;

struct Library {
  std::string folder;
  std::string name;
  std::vector<LibraryRecord> records;
  bool rootEnabled = true;
  int32_t rootNumber = -1;
  std::string summary;
  std::string topWords;  // the most frequent words of its files, ", "-joined; not stored in the file
  int64_t scanned = 0;
  bool savedPalette = false;
  int32_t paletteInterpret = 0;
  bool mmDisableGrouping = false;
  std::vector<std::string> previousNames;
  int32_t schemaVersion = 3;
};

}  // namespace vn
