#include "tools/sound_file_writer.h"

#include <sndfile.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/atomic_write.h"

namespace vn::tools {
namespace {

// A growing byte buffer behind libsndfile's virtual I/O.
struct MemoryFile {
  std::string bytes;
  sf_count_t position = 0;
};

sf_count_t MemoryLength(void* user) { return static_cast<sf_count_t>(static_cast<MemoryFile*>(user)->bytes.size()); }

sf_count_t MemorySeek(sf_count_t offset, int whence, void* user) {
  auto* file = static_cast<MemoryFile*>(user);
  sf_count_t base = whence == SEEK_CUR ? file->position : whence == SEEK_END ? MemoryLength(user) : 0;
  file->position = std::max<sf_count_t>(base + offset, 0);
  return file->position;
}

sf_count_t MemoryRead(void* ptr, sf_count_t count, void* user) {
  auto* file = static_cast<MemoryFile*>(user);
  const sf_count_t available = std::max<sf_count_t>(MemoryLength(user) - file->position, 0);
  const sf_count_t n = std::min(count, available);
  if (n > 0) std::memcpy(ptr, file->bytes.data() + file->position, static_cast<size_t>(n));
  file->position += n;
  return n;
}

sf_count_t MemoryWrite(const void* ptr, sf_count_t count, void* user) {
  auto* file = static_cast<MemoryFile*>(user);
  const size_t end = static_cast<size_t>(file->position + count);
  if (end > file->bytes.size()) file->bytes.resize(end, '\0');
  std::memcpy(file->bytes.data() + file->position, ptr, static_cast<size_t>(count));
  file->position += count;
  return count;
}

sf_count_t MemoryTell(void* user) { return static_cast<MemoryFile*>(user)->position; }

struct SndfileCloser {
  void operator()(SNDFILE* file) const { sf_close(file); }
};

bool SetMetadata(SNDFILE* file, const SoundFileSpec& fileSpec, SF_CHUNK_INFO& ixmlChunk, std::string& error) {
  // Float files would otherwise carry a PEAK chunk stamped with the current time.
  sf_command(file, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
  if (!fileSpec.channelMap.empty()) {
    std::vector<int> map = fileSpec.channelMap;
    if (!sf_command(file, SFC_SET_CHANNEL_MAP_INFO, map.data(), static_cast<int>(map.size() * sizeof(int)))) {
      error = "the channel map was refused";
      return false;
    }
  }
  if (!fileSpec.bextDescription.empty()) {
    SF_BROADCAST_INFO bext{};
    // The description field need not end in a zero byte when it is full.
    std::memcpy(bext.description, fileSpec.bextDescription.data(),
                std::min(fileSpec.bextDescription.size(), sizeof bext.description));
    std::memcpy(bext.originator, "Varnel demo", 11);
    std::memcpy(bext.origination_date, "2026-01-05", sizeof bext.origination_date);
    std::memcpy(bext.origination_time, "12:00:00", sizeof bext.origination_time);
    if (!sf_command(file, SFC_SET_BROADCAST_INFO, &bext, sizeof bext)) {
      error = "the Broadcast-WAV block was refused";
      return false;
    }
  }
  if (!fileSpec.ixml.empty()) {
    std::memcpy(ixmlChunk.id, "iXML", 5);
    ixmlChunk.id_size = 4;
    ixmlChunk.datalen = static_cast<unsigned>(fileSpec.ixml.size());
    ixmlChunk.data = const_cast<char*>(fileSpec.ixml.data());
    if (sf_set_chunk(file, &ixmlChunk) != SF_ERR_NO_ERROR) {
      error = "the iXML chunk was refused";
      return false;
    }
  }
  const std::pair<int, const std::string*> strings[] = {{SF_STR_TITLE, &fileSpec.title},
                                                        {SF_STR_COMMENT, &fileSpec.comment},
                                                        {SF_STR_ARTIST, &fileSpec.artist},
                                                        {SF_STR_GENRE, &fileSpec.genre}};
  for (const auto& [kind, text] : strings) {
    if (!text->empty()) sf_set_string(file, kind, text->c_str());
  }
  return true;
}

}  // namespace

std::string EncodeSoundFile(const SoundFileSpec& fileSpec, const std::vector<std::vector<float>>& channels,
                            std::string& error) {
  if (channels.empty()) {
    error = "there is no channel to write";
    return {};
  }
  const size_t frames = channels.front().size();
  SF_INFO info{};
  info.samplerate = fileSpec.sampleRate;
  info.channels = static_cast<int>(channels.size());
  info.format = fileSpec.format;
  SF_VIRTUAL_IO io{MemoryLength, MemorySeek, MemoryRead, MemoryWrite, MemoryTell};
  MemoryFile memory;
  SF_CHUNK_INFO ixmlChunk{};  // must outlive the open file
  {
    std::unique_ptr<SNDFILE, SndfileCloser> file(sf_open_virtual(&io, SFM_WRITE, &info, &memory));
    if (!file) {
      error = sf_strerror(nullptr);
      return {};
    }
    if (!SetMetadata(file.get(), fileSpec, ixmlChunk, error)) return {};
    std::vector<float> interleaved(frames * channels.size());
    for (size_t i = 0; i < frames; ++i) {
      for (size_t c = 0; c < channels.size(); ++c) interleaved[i * channels.size() + c] = channels[c][i];
    }
    if (sf_writef_float(file.get(), interleaved.data(), static_cast<sf_count_t>(frames)) !=
        static_cast<sf_count_t>(frames)) {
      error = sf_strerror(file.get());
      return {};
    }
  }
  return std::move(memory.bytes);
}

bool WriteSoundFile(const std::string& path, const SoundFileSpec& fileSpec, const std::vector<std::vector<float>>& channels,
                    std::string& error) {
  const std::string bytes = EncodeSoundFile(fileSpec, channels, error);
  if (bytes.empty()) return false;
  const WriteResult written = writeFileAtomic(path, bytes);
  if (!written.ok) error = written.error;
  return written.ok;
}

}  // namespace vn::tools
