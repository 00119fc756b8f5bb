#include "export/delivered_file_inspect.h"

#include <fcntl.h>
#include <sndfile.h>
#include <unistd.h>

#include <cstring>
#include <tuple>

#include "core/timecode.h"
#include "export/delivered_file_print.h"
#include "export/wav_chunks.h"
#include "library/source_metadata.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace vn {
namespace {

std::string formatName(int code) {
  SF_FORMAT_INFO info{};
  info.format = code;
  if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof info) != 0 || !info.name) return format("0x%X", code);
  return info.name;
}

std::optional<uint32_t> extensibleMask(int fd, const WavChunkList& chunks) {
  const WavChunk* fmt = chunks.find("fmt ");
  if (!fmt || fmt->cutShort || fmt->size < 40) return std::nullopt;
  unsigned char body[24];
  if (!readAt(fd, fmt->bodyOffset(), body, sizeof body)) return std::nullopt;
  if ((body[0] | (body[1] << 8)) != 0xFFFE) return std::nullopt;
  return getLe32(body + 20);
}

void readChunks(const std::string& path, DeliveredFileReport& report) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  if (const auto chunks = readWavChunks(fd)) {
    report.bext = readBextChunk(fd, *chunks);
    report.channelMask = extensibleMask(fd, *chunks);
    if (const WavChunk* ixml = chunks->find("iXML")) {
      report.ixmlBytes = ixml->size;
      report.ixmlRefused = ixml->size > kIxmlReadCap;
    }
  }
  ::close(fd);
}

std::string printRefOf(const std::optional<BextFields>& bext) {
  if (!bext || bext->originatorReference.size() < 10 || bext->originatorReference.compare(0, 2, "VN") != 0) return {};
  return bext->originatorReference;
}

}  // namespace

bool looksLikeWav(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  unsigned char head[12];
  const bool wav = readAt(fd, 0, head, sizeof head) && std::memcmp(head, "RIFF", 4) == 0 &&
                   std::memcmp(head + 8, "WAVE", 4) == 0;
  ::close(fd);
  return wav;
}

std::vector<std::pair<std::string, std::string>> ixmlUserFields(std::string_view ixml) {
  constexpr size_t kMaxFields = 256;
  std::vector<std::pair<std::string, std::string>> fields;
  const size_t open = ixml.find("<USER>");
  if (open == std::string_view::npos) return fields;
  const size_t close = ixml.find("</USER>", open);
  std::string_view user = ixml.substr(open + 6, close == std::string_view::npos ? std::string_view::npos : close - open - 6);
  size_t at = 0;
  while (fields.size() < kMaxFields) {
    const size_t lt = user.find('<', at);
    if (lt == std::string_view::npos || lt + 1 >= user.size()) break;
    const size_t gt = user.find('>', lt);
    if (gt == std::string_view::npos) break;
    const std::string_view name = user.substr(lt + 1, gt - lt - 1);
    at = gt + 1;
    // Closing tags, comments, attributes and empty elements are not fields.
    if (name.empty() || name.find_first_of("/!? \t\r\n=\"") != std::string_view::npos) continue;
    const std::string closeTag = "</" + std::string(name) + ">";
    const size_t end = user.find(closeTag, at);
    if (end == std::string_view::npos) continue;
    fields.emplace_back(std::string(name), XmlElementText(user.substr(lt, end + closeTag.size() - lt), name));
    at = end + closeTag.size();
  }
  return fields;
}

std::pair<std::string, std::string> describeChannelLayout(int channels, std::optional<uint32_t> mask, bool ours) {
  if (mask) {
    switch (*mask) {
      case 0x4: return {"Mono", "C"};
      case 0x3: return {"Stereo", "L R"};
      case 0x3F: return {"5.1", "L R C LFE Ls Rs"};
      case 0x60F: return {"5.1 (side)", "L R C LFE Ls Rs"};
      case 0x63F: return {"7.1", "L R C LFE Ls Rs Lrs Rrs"};
      default: return {format("%d channels, mask 0x%X", channels, *mask), ""};
    }
  }
  if (channels == 1) return {"Mono", ""};
  if (channels == 2) return {"Stereo", "L R"};
  if (ours && channels == 12) return {"7.1.4", "L R C LFE Ls Rs Lrs Rrs Ltf Rtf Ltr Rtr"};
  if (ours && channels == 4) return {"AmbiX", "W Y Z X (ACN / SN3D)"};
  return {format("%d channels, no channel mask", channels), ""};
}

std::optional<DeliveredFileReport> InspectDeliveredWav(const std::string& path, const InspectOptions& options,
                                                       std::string& error) {
  if (!looksLikeWav(path)) {
    error = format("%s is not a WAV file.", path.c_str());
    return std::nullopt;
  }
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) {
    error = format("%s cannot be read as a WAV file: %s.", path.c_str(), sf_strerror(nullptr));
    return std::nullopt;
  }
  DeliveredFileReport report;
  report.path = path;
  report.container = formatName(info.format & SF_FORMAT_TYPEMASK);
  report.encoding = formatName(info.format & SF_FORMAT_SUBMASK);
  report.extensible = (info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_WAVEX;
  report.sampleRate = info.samplerate;
  report.channels = info.channels;
  report.frames = info.frames;
  report.seconds = info.samplerate > 0 ? static_cast<double>(info.frames) / info.samplerate : 0.0;
  const std::string ixml = ReadIxmlChunk(file);
  sf_close(file);

  readChunks(path, report);
  report.fps = options.fps > 0 ? options.fps : 24.0;
  if (report.bext && report.sampleRate > 0)
    report.timeReferenceTimecode =
        formatTimecode(static_cast<double>(report.bext->timeReference) / report.sampleRate, report.fps);
  report.userFields = ixmlUserFields(ixml);
  report.payloads = findPayloadsInIxml(ixml);
  const bool ours = ixml.find("<PROJECT>Varnel</PROJECT>") != std::string::npos;
  std::tie(report.layout, report.channelNames) = describeChannelLayout(report.channels, report.channelMask, ours);
  report.printRef = printRefOf(report.bext);
  report.printToken = PrintTokenOfFile(path, &report.payloads);
  if (report.payloads.manifest)
    for (const FileRef& ref : report.payloads.manifest->fileRefs) report.fileRefs.push_back(locateFileRef(ref));
  return report;
}

}  // namespace vn
