// The write sequence the three writers share: limit, create, bext, iXML, samples
// in slices, close, then the hand-made patches.
#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>

#include "library/buffered_sound_io.h"
#include "export/bwf_disk_space.h"
#include "export/bwf_failure_reason.h"
#include "export/bwf_patches.h"
#include "export/bwf_writer.h"
#include "export/pcm24.h"
#include "platform/log.h"

namespace vn {
namespace {

enum class BwfKind { Mono = 0, Stereo = 1, Multi = 2 };

struct WriteJob {
  BwfKind kind = BwfKind::Multi;
  const std::string* path = nullptr;
  std::vector<const float*> planes;  // one per channel
  int64_t frames = 0;
  int sampleRate = 48000;
  double startSeconds = 0.0;
  const char* description = nullptr;
  std::string_view ixml;
  bool extensible = false;
  uint32_t channelMask = 0;
  const BwfWriteOptions* options = nullptr;
};

// The failure reasons each writer gives, in BwfKind order.
struct KindReasons {
  const char* overLimit;
  const char* notCreated;
  const char* cutShort;
};
constexpr KindReasons kReasons[] = {
    {"a clip exceeds the WAV 4 GB limit", "an essence file could not be created", "an essence file was cut short mid-write"},
    {"a stereo file exceeds the WAV 4 GB limit", "a stereo file could not be created",
     "a stereo file was cut short mid-write"},
    {"a multichannel file exceeds the WAV 4 GB limit", "a multichannel file could not be created",
     "a multichannel file was cut short mid-write"},
};

const KindReasons& reasonsOf(BwfKind kind) { return kReasons[static_cast<int>(kind)]; }

bool refuseOverLimit(const WriteJob& job) {
  const int channels = static_cast<int>(job.planes.size());
  if (job.frames <= bwfFrameLimit(channels)) return false;
  const char* path = job.path->c_str();
  const long long frames = job.frames;
  switch (job.kind) {
    case BwfKind::Mono:
      logLine("[Export] WriteBWFClipMono: %d frames exceeds WAV 4GB limit - %s\n", static_cast<int>(job.frames), path);
      break;
    case BwfKind::Stereo: logLine("[Export] WriteBWFStereo: %lld frames exceeds WAV 4GB limit - %s\n", frames, path); break;
    case BwfKind::Multi: logLine("[Export] WriteBWFMulti: %lld frames exceeds WAV 4GB limit - %s\n", frames, path); break;
  }
  noteExportFailureReason(reasonsOf(job.kind).overLimit);
  return true;
}

void logBextRefused(const WriteJob& job) {
  // A file without its time reference still plays; only its placement is lost.
  if (job.kind == BwfKind::Mono)
    logLine("[Export] WriteBWFClipMono: BEXT timecode failed - clip will land at 00:00:00:00 - %s\n", job.path->c_str());
  else if (job.kind == BwfKind::Stereo)
    logLine("[Export] WriteBWFStereo: BEXT timecode failed - clip will land at 00:00:00:00 - %s\n", job.path->c_str());
}

void logShortWrite(const WriteJob& job, int64_t written) {
  const char* path = job.path->c_str();
  switch (job.kind) {
    case BwfKind::Mono:
      logLine("[Export] WriteBWFClipMono: short write (%lld/%d) - disk full? Deleting %s\n",
              static_cast<long long>(written), static_cast<int>(job.frames), path);
      break;
    case BwfKind::Stereo:
      logLine("[Export] WriteBWFStereo: short write at frame %lld/%lld - disk full? Deleting %s\n",
              static_cast<long long>(written), static_cast<long long>(job.frames), path);
      break;
    case BwfKind::Multi: logLine("[Export] WriteBWFMulti: short write - deleting %s\n", path); break;
  }
}

// Writes every slice, encoded here (libsndfile's own conversion and our interleave
// took most of a write's time) and handed to the library as raw bytes; the number
// of frames the file took.
int64_t writeSamples(SNDFILE* file, const WriteJob& job, bool& cancelled) {
  const int channels = static_cast<int>(job.planes.size());
  const size_t frameBytes = static_cast<size_t>(channels) * 3;
  std::vector<unsigned char> slice(static_cast<size_t>(kBwfSliceFrames) * frameBytes);
  int64_t written = 0;
  while (written < job.frames) {
    const int64_t count = std::min(kBwfSliceFrames, job.frames - written);
    for (int c = 0; c < channels; ++c)
      encodePcm24(job.planes[static_cast<size_t>(c)] + written, static_cast<size_t>(count), c, channels, slice.data());
    const sf_count_t bytes = static_cast<sf_count_t>(count) * static_cast<sf_count_t>(frameBytes);
    const sf_count_t took = sf_write_raw(file, slice.data(), bytes);
    written += std::max<sf_count_t>(took, 0) / static_cast<sf_count_t>(frameBytes);
    if (took != bytes) break;
    if (job.options->progress && !job.options->progress(static_cast<double>(written) / job.frames)) {
      cancelled = true;
      break;
    }
  }
  return written;
}

// The bext as it was meant to be: libsndfile's own version and history line go.
void patchBext(const std::string& path, const BextFields& fields) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  bool ok = false;
  if (fd >= 0) {
    if (const auto chunks = readWavChunks(fd)) ok = patchBextChunk(fd, *chunks, fields);
    if (::close(fd) != 0) ok = false;
  }
  if (!ok) logLine("[Export] bext version and coding history could not be set - %s\n", path.c_str());
}

bool writeBwf(const WriteJob& job) {
  const std::string& path = *job.path;
  if (job.frames < 1) return false;
  if (refuseOverLimit(job)) return false;
  const int channels = static_cast<int>(job.planes.size());

  SF_INFO info{};
  info.samplerate = job.sampleRate;
  info.channels = channels;
  info.format = (job.extensible ? SF_FORMAT_WAVEX : SF_FORMAT_WAV) | SF_FORMAT_PCM_24;
  struct stat before {};
  const bool existed = ::stat(path.c_str(), &before) == 0;
  BufferedSoundFile io;
  SNDFILE* file = openBufferedSoundFile(path, SFM_WRITE, info, io);
  if (!file) {
    if (!existed) ::unlink(path.c_str());
    noteExportFailureReason(diskFullOr(path, reasonsOf(job.kind).notCreated));
    return false;
  }
  const BextFields bext = makeBextFields(job.description, job.sampleRate, channels, job.startSeconds,
                                         job.options->provenance, std::time(nullptr));
  SF_BROADCAST_INFO broadcast;
  toBroadcastInfo(bext, broadcast);
  const bool bextSet = sf_command(file, SFC_SET_BROADCAST_INFO, &broadcast, sizeof broadcast) == SF_TRUE;
  if (!bextSet) logBextRefused(job);

  const bool appendIxml = job.ixml.size() > kIxmlChunkInterfaceLimit;
  if (!job.ixml.empty() && !appendIxml) {
    SF_CHUNK_INFO chunk{};
    std::memcpy(chunk.id, "iXML", 4);
    chunk.id_size = 4;
    chunk.datalen = static_cast<unsigned>(job.ixml.size());
    chunk.data = const_cast<char*>(job.ixml.data());
    sf_set_chunk(file, &chunk);
  }

  bool cancelled = false;
  const int64_t written = writeSamples(file, job, cancelled);
  const bool closed = closeBufferedSoundFile(file, io);
  if (cancelled) {
    ::unlink(path.c_str());
    return false;
  }
  if (written < job.frames || !closed) {
    logShortWrite(job, written);
    noteExportFailureReason(diskFullOr(path, reasonsOf(job.kind).cutShort));
    ::unlink(path.c_str());
    return false;
  }

  if (bextSet) patchBext(path, bext);
  if (appendIxml) appendIxmlChunk(path, job.ixml);
  if (job.extensible && !finalizeExtensibleWav(path, job.channelMask))
    logLine("[Export] WriteBWFMulti: WAV finalize (mask/fact) failed - %s\n", path.c_str());
  return true;
}

}  // namespace

bool WriteBWFClipMono(const std::string& path, const float* samples, int32_t frames, int sampleRate,
                      double startSeconds, const char* description, std::string_view ixml,
                      const BwfWriteOptions& options) {
  WriteJob job{BwfKind::Mono, &path, {samples}, frames, sampleRate, startSeconds, description, ixml, false, 0, &options};
  return writeBwf(job);
}

bool WriteBWFStereo(const std::string& path, const float* left, const float* right, int64_t frames, int sampleRate,
                    double startSeconds, const char* description, std::string_view ixml,
                    const BwfWriteOptions& options) {
  WriteJob job{BwfKind::Stereo, &path, {left, right}, frames, sampleRate, startSeconds, description, ixml, false, 0,
               &options};
  return writeBwf(job);
}

bool WriteBWFMulti(const std::string& path, const std::vector<std::vector<float>>& channels, uint32_t channelMask,
                   int sampleRate, double startSeconds, const char* description, bool ambiX, bool extensible,
                   std::string_view ixml, const BwfWriteOptions& options) {
  const bool wavex = extensible && !ambiX && channelMask != 0;
  WriteJob job{BwfKind::Multi, &path, {}, 0, sampleRate, startSeconds, description, ixml, wavex, channelMask, &options};
  for (const auto& channel : channels) job.planes.push_back(channel.data());
  job.frames = channels.empty() ? 0 : static_cast<int64_t>(channels[0].size());
  for (const auto& channel : channels) job.frames = std::min<int64_t>(job.frames, channel.size());
  return writeBwf(job);
}

}  // namespace vn
