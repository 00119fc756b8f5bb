#pragma once
// The three Broadcast-WAV writers: 24-bit PCM with a bext block and an iXML text.
// Each refuses a file past the 4 GB limit of RIFF, writes non-finite samples as 0
// and clamps the rest to full scale, deletes the file when the disk runs out mid-write
// and notes one failure reason for the run (export/bwf_failure_reason.h).
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "export/bwf_bext.h"

namespace vn {

// 4 293 918 720 data bytes: the largest multiple of 3 x 2^20 that keeps a whole
// file under the 32-bit RIFF size with room for its other chunks.
constexpr uint64_t kWavDataLimitBytes = 4293918720ull;
// The most frames a 24-bit file of this many channels may hold.
constexpr int64_t bwfFrameLimit(int channels) {
  return channels > 0 ? static_cast<int64_t>(kWavDataLimitBytes / (3ull * static_cast<unsigned>(channels))) : 0;
}

// Channel masks of the export layouts; 7.1.4 and AmbiX have none and are plain WAV.
constexpr uint32_t kMaskStereo = 0x3;
constexpr uint32_t kMask51 = 0x3F;
constexpr uint32_t kMask71 = 0x63F;

// Samples go to the file in slices of this many frames.
constexpr int64_t kBwfSliceFrames = 8192;

struct BwfWriteOptions {
  const BwfProvenance* provenance = nullptr;  // when a Print is being recorded
  // Called after each slice with the fraction written; false stops, deletes the file
  // and makes the writer return false (no failure reason: the user asked for it).
  std::function<bool(double)> progress;
};

// iXML: normally the clip document of ixml_document.h with its payloads.
bool WriteBWFClipMono(const std::string& path, const float* samples, int32_t frames, int sampleRate,
                      double startSeconds, const char* description, std::string_view ixml = {},
                      const BwfWriteOptions& options = {});

bool WriteBWFStereo(const std::string& path, const float* left, const float* right, int64_t frames, int sampleRate,
                    double startSeconds, const char* description, std::string_view ixml,
                    const BwfWriteOptions& options = {});

// channels: one buffer per channel in speaker-role order (AmbiX: W Y Z X), all of
// the same length. The file is WAVEX with channelMask when extensible is set, the
// mask is not 0 and the file is not AmbiX; plain WAV otherwise.
bool WriteBWFMulti(const std::string& path, const std::vector<std::vector<float>>& channels, uint32_t channelMask,
                   int sampleRate, double startSeconds, const char* description, bool ambiX, bool extensible,
                   std::string_view ixml, const BwfWriteOptions& options = {});

}  // namespace vn
