#pragma once
// One delivered file as the export job hands it to the Broadcast-WAV writers, and
// the seam through which it does so (tests put a failing writer there).
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "export/bwf_writer.h"

namespace vn {

struct ExportFileSpec {
  std::string path;
  std::vector<std::vector<float>> channels;  // planar, all of one length
  int sampleRate = 48000;
  double startSeconds = 0.0;  // timeline seconds of the first sample (time reference)
  std::string description;
  std::string ixml;
  uint32_t channelMask = 0;  // more than two channels: WAVEX with this mask when not 0
  bool ambiX = false;
};

// Writes the file with the writer its channel count calls for (mono clip, stereo,
// multichannel); false leaves no file and the run's failure reason noted.
using ExportFileWriter = std::function<bool(const ExportFileSpec& fileSpec, const BwfWriteOptions& options)>;

bool writeExportFile(const ExportFileSpec& fileSpec, const BwfWriteOptions& options);

}  // namespace vn
