#pragma once
// What a delivered WAV carries, as one plain record: its format, the bext block,
// the iXML USER fields, the print identity, the recipe and the manifest with each
// source file found or missing on this machine. The command line prints it and the
// window shows it, so both say the same.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "export/bwf_bext.h"
#include "export/payload_find.h"
#include "library/locate_file_ref.h"

namespace vn {

struct DeliveredFileReport {
  std::string path;
  std::string container;  // libsndfile's name of the major format
  std::string encoding;   // of the sample format
  bool extensible = false;
  int sampleRate = 0;
  int channels = 0;
  std::optional<uint32_t> channelMask;  // from an extensible fmt chunk
  std::string layout;                   // "Stereo", "5.1", "7.1.4", "AmbiX", ...
  std::string channelNames;             // "L R C LFE Ls Rs"; empty when unknown
  int64_t frames = 0;
  double seconds = 0.0;

  std::optional<BextFields> bext;
  double fps = 24.0;
  std::string timeReferenceTimecode;  // of the bext time reference at fps

  uint64_t ixmlBytes = 0;   // size of the iXML chunk; 0 when there is none
  bool ixmlRefused = false; // over the read cap, not read
  std::vector<std::pair<std::string, std::string>> userFields;  // USER elements in order

  std::string printToken;
  std::string printRef;

  FilePayloads payloads;
  std::vector<LocatedFileRef> fileRefs;  // the manifest's, located

  bool hasPayloads() const { return payloads.hasRecipe || payloads.manifest.has_value(); }
};

struct InspectOptions {
  double fps = 24.0;  // project rate for the time reference as timecode
};

// nullopt, with one sentence in error, when path is not a WAV file that can be read.
std::optional<DeliveredFileReport> InspectDeliveredWav(const std::string& path, const InspectOptions& options,
                                                       std::string& error);

// True when the file starts as RIFF/WAVE.
bool looksLikeWav(const std::string& path);

// Where a referenced source file is on this machine: at its recorded path, else at
// a path the file-identity registry knows for its id, else at a Library record of
// the same content (hash and size).
LocatedFileRef locateFileRef(const FileRef& ref);

// The USER elements of an iXML text, decoded, in document order.
std::vector<std::pair<std::string, std::string>> ixmlUserFields(std::string_view ixml);

// "Stereo", "5.1"... from the channel count, the mask (when the file has one) and
// whether this program wrote the file (which tells 7.1.4 and AmbiX from anything
// else without a mask); channel names in file order, or empty.
std::pair<std::string, std::string> describeChannelLayout(int channels, std::optional<uint32_t> mask, bool ours);

}  // namespace vn
