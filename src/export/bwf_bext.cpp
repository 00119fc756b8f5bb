#include "export/bwf_bext.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/paths.h"
#include "platform/text.h"

namespace vn {
namespace {

// Copies text into a fixed field, truncated, the rest zero.
template <size_t N>
void putField(char (&field)[N], const std::string& text) {
  std::memset(field, 0, N);
  std::memcpy(field, text.data(), std::min(N, text.size()));
}

std::string fieldText(const unsigned char* body, size_t bodySize, size_t offset, size_t width) {
  if (offset >= bodySize) return {};
  width = std::min(width, bodySize - offset);
  const char* p = reinterpret_cast<const char*>(body + offset);
  return std::string(p, strnlen(p, width));
}

std::string utcText(std::time_t now, const char* pattern) {
  std::tm tm{};
  gmtime_r(&now, &tm);
  char text[32];
  std::strftime(text, sizeof text, pattern, &tm);
  return text;
}

}  // namespace

uint64_t timeReferenceOf(int sampleRate, double startSeconds) {
  const double samples = static_cast<double>(sampleRate) * startSeconds;
  if (!std::isfinite(samples) || samples <= 0.0) return 0;
  if (samples >= 18446744073709551615.0) return UINT64_MAX;
  return static_cast<uint64_t>(samples);
}

std::string codingHistoryLine(int sampleRate, int channels, const std::string& kind, const std::string& printToken) {
  return format("A=PCM,F=%d,W=24,M=%s,T=Varnel %s %s %s\r\n", sampleRate, channels == 1 ? "mono" : "stereo",
                programVersion(), kind.empty() ? "export" : kind.c_str(), printToken.c_str());
}

BextFields makeBextFields(const char* description, int sampleRate, int channels, double startSeconds,
                          const BwfProvenance* provenance, std::time_t now) {
  BextFields f;
  f.description = description && *description ? description : "Varnel export";
  f.originator = "Varnel";
  f.originationDate = utcText(now, "%Y-%m-%d");
  f.originationTime = utcText(now, "%H:%M:%S");
  f.timeReference = timeReferenceOf(sampleRate, startSeconds);
  if (provenance && provenance->print.printId.size() == 32) {
    f.originatorReference = provenance->print.printRef;
    f.codingHistory = codingHistoryLine(sampleRate, channels, provenance->kind, provenance->print.printToken);
    if (f.codingHistory.size() > kBextFieldLimit) f.codingHistory.resize(kBextFieldLimit);
  }
  if (f.description.size() > kBextFieldLimit) f.description.resize(kBextFieldLimit);
  return f;
}

void toBroadcastInfo(const BextFields& f, SF_BROADCAST_INFO& info) {
  std::memset(&info, 0, sizeof info);
  putField(info.description, f.description);
  putField(info.originator, f.originator);
  putField(info.originator_reference, f.originatorReference);
  putField(info.origination_date, f.originationDate);
  putField(info.origination_time, f.originationTime);
  info.time_reference_low = static_cast<uint32_t>(f.timeReference & 0xFFFFFFFFu);
  info.time_reference_high = static_cast<uint32_t>(f.timeReference >> 32);
  info.version = static_cast<short>(f.version);
  putField(info.coding_history, f.codingHistory);
  info.coding_history_size = static_cast<uint32_t>(std::min(f.codingHistory.size(), kBextFieldLimit));
}

bool patchBextChunk(int fd, const WavChunkList& chunks, const BextFields& fields) {
  const WavChunk* bext = chunks.find("bext");
  if (!bext || bext->cutShort || bext->size < kBextCodingHistoryOffset) return false;
  const unsigned char version[2] = {static_cast<unsigned char>(fields.version & 0xFF),
                                    static_cast<unsigned char>((fields.version >> 8) & 0xFF)};
  if (!writeAt(fd, bext->bodyOffset() + kBextVersionOffset, version, sizeof version)) return false;
  std::vector<unsigned char> history(bext->size - kBextCodingHistoryOffset, 0);
  std::memcpy(history.data(), fields.codingHistory.data(), std::min(history.size(), fields.codingHistory.size()));
  return history.empty() || writeAt(fd, bext->bodyOffset() + kBextCodingHistoryOffset, history.data(), history.size());
}

std::optional<BextFields> readBextChunk(int fd, const WavChunkList& chunks) {
  const WavChunk* bext = chunks.find("bext");
  if (!bext) return std::nullopt;
  // The fixed part and at most one coding-history field's worth; the rest of a
  // (possibly lying) size is never read.
  const uint64_t available = std::min<uint64_t>(bext->size, chunks.fileSize - std::min(chunks.fileSize, bext->bodyOffset()));
  const size_t size = static_cast<size_t>(std::min<uint64_t>(available, kBextCodingHistoryOffset + kBextFieldLimit));
  std::vector<unsigned char> body(size);
  if (size > 0 && !readAt(fd, bext->bodyOffset(), body.data(), size)) return std::nullopt;
  BextFields f;
  f.description = fieldText(body.data(), size, 0, 256);
  f.originator = fieldText(body.data(), size, 256, 32);
  f.originatorReference = fieldText(body.data(), size, 288, 32);
  f.originationDate = fieldText(body.data(), size, 320, 10);
  f.originationTime = fieldText(body.data(), size, 330, 8);
  if (size >= 346) f.timeReference = getLe32(body.data() + 338) | (uint64_t{getLe32(body.data() + 342)} << 32);
  f.version = size >= 348 ? body[346] | (body[347] << 8) : 0;
  f.codingHistory = fieldText(body.data(), size, kBextCodingHistoryOffset, kBextFieldLimit);
  return f;
}

}  // namespace vn
