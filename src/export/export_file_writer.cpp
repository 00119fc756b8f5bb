#include "export/export_file_writer.h"

#include <climits>

#include "export/bwf_failure_reason.h"

namespace vn {

bool writeExportFile(const ExportFileSpec& fileSpec, const BwfWriteOptions& options) {
  const auto& ch = fileSpec.channels;
  const int64_t frames = ch.empty() ? 0 : static_cast<int64_t>(ch[0].size());
  const char* description = fileSpec.description.empty() ? nullptr : fileSpec.description.c_str();
  if (ch.size() == 1) {
    if (frames > INT32_MAX) {
      noteExportFailureReason("a clip exceeds the WAV 4 GB limit");
      return false;
    }
    return WriteBWFClipMono(fileSpec.path, ch[0].data(), static_cast<int32_t>(frames), fileSpec.sampleRate, fileSpec.startSeconds,
                            description, fileSpec.ixml, options);
  }
  if (ch.size() == 2)
    return WriteBWFStereo(fileSpec.path, ch[0].data(), ch[1].data(), frames, fileSpec.sampleRate, fileSpec.startSeconds,
                          description, fileSpec.ixml, options);
  return WriteBWFMulti(fileSpec.path, ch, fileSpec.channelMask, fileSpec.sampleRate, fileSpec.startSeconds, description, fileSpec.ambiX,
                       fileSpec.channelMask != 0 && !fileSpec.ambiX, fileSpec.ixml, options);
}

}  // namespace vn
