// Sound files through our own buffer read and write exactly what the library's own
// file handling does, and a write that cannot reach the disk is reported.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <cmath>
#include <filesystem>
#include <vector>

#include "library/buffered_sound_io.h"
#include "support/temp_dir.h"

namespace vn {
namespace {

std::vector<int> pattern(size_t samples) {
  std::vector<int> v(samples);
  for (size_t i = 0; i < samples; ++i) v[i] = static_cast<int>((i * 2654435761u) & 0xFFFFFF00u);
  return v;
}

std::vector<int> readPlain(const std::string& path, SF_INFO& info) {
  info = SF_INFO{};
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
  if (!f) return {};
  std::vector<int> v(static_cast<size_t>(info.frames * info.channels));
  v.resize(static_cast<size_t>(sf_readf_int(f, v.data(), info.frames) * info.channels));
  sf_close(f);
  return v;
}

TEST(BufferedSoundIo, WritesAndReadsWhatTheLibraryAloneWouldWithSeeksAcrossTheBuffer) {
  test::TempDir dir;
  const std::string ours = dir.file("ours.wav");
  // Three channels of 24-bit samples: several megabytes, so the buffer fills and
  // flushes many times, and the header is rewritten at the start on close.
  const int64_t frames = 500000;
  const std::vector<int> samples = pattern(static_cast<size_t>(frames) * 3);
  {
    SF_INFO info{};
    info.samplerate = 48000;
    info.channels = 3;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_24;
    BufferedSoundFile io;
    SNDFILE* f = openBufferedSoundFile(ours, SFM_WRITE, info, io);
    ASSERT_NE(f, nullptr);
    for (int64_t at = 0; at < frames; at += 7777)
      ASSERT_EQ(sf_writef_int(f, samples.data() + at * 3, std::min<int64_t>(7777, frames - at)),
                std::min<int64_t>(7777, frames - at));
    EXPECT_TRUE(closeBufferedSoundFile(f, io));
  }
  SF_INFO plainInfo;
  EXPECT_EQ(readPlain(ours, plainInfo), samples);
  EXPECT_EQ(plainInfo.frames, frames);
  EXPECT_EQ(plainInfo.channels, 3);

  // Reading through the buffer, with jumps back and forth over its edges.
  SF_INFO info{};
  BufferedSoundFile io;
  SNDFILE* f = openBufferedSoundFile(ours, SFM_READ, info, io);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(info.frames, frames);
  std::vector<int> got(3 * 1000);
  for (int64_t at : {int64_t{0}, int64_t{499000}, int64_t{87381}, int64_t{87380}, int64_t{250000}, int64_t{3}}) {
    ASSERT_EQ(sf_seek(f, at, SEEK_SET), at);
    ASSERT_EQ(sf_readf_int(f, got.data(), 1000), 1000);
    EXPECT_TRUE(std::equal(got.begin(), got.end(), samples.begin() + at * 3)) << at;
  }
  EXPECT_TRUE(closeBufferedSoundFile(f, io));

  // What cannot be opened gives no handle: a missing file, a folder, a file that is not sound.
  EXPECT_EQ(openBufferedSoundFile(dir.file("absent.wav"), SFM_READ, info, io), nullptr);
  EXPECT_EQ(openBufferedSoundFile(dir.path(), SFM_READ, info, io), nullptr);
  test::writeAll(dir.file("junk.wav"), "RIFF\x10\x00\x00\x00WAVEjunk");
  EXPECT_EQ(openBufferedSoundFile(dir.file("junk.wav"), SFM_READ, info, io), nullptr);
  EXPECT_EQ(openBufferedSoundFile(dir.file("no/such/folder/x.wav"), SFM_WRITE, info, io), nullptr);
}

TEST(BufferedSoundIo, SilenceTakesNoRoomAndReadsBackAsZeros) {
  test::TempDir dir;
  const std::string path = dir.file("sparse.wav");
  // Sound, four seconds of silence, sound again, then silence to the end: the file
  // reads back sample for sample, has its whole length, and the silence is holes.
  const int64_t rate = 48000, frames = 10 * rate;
  std::vector<int> samples(static_cast<size_t>(frames) * 2, 0);
  const std::vector<int> sound = pattern(static_cast<size_t>(rate) * 2);
  std::copy(sound.begin(), sound.end(), samples.begin());
  std::copy(sound.begin(), sound.end(), samples.begin() + 5 * rate * 2);
  {
    SF_INFO info{};
    info.samplerate = static_cast<int>(rate);
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_24;
    BufferedSoundFile io;
    SNDFILE* f = openBufferedSoundFile(path, SFM_WRITE, info, io);
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(sf_writef_int(f, samples.data(), frames), frames);
    EXPECT_TRUE(closeBufferedSoundFile(f, io));
  }
  SF_INFO info;
  EXPECT_EQ(readPlain(path, info), samples);
  EXPECT_EQ(info.frames, frames);
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_size, 44 + frames * 2 * 3);
  // Two seconds of sound in ten: well under half the file is on the disk.
  EXPECT_LT(static_cast<int64_t>(st.st_blocks) * 512, st.st_size / 2);

  // Silence past a file-size limit still fails the close: the file cannot have its length.
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit before{};
  getrlimit(RLIMIT_FSIZE, &before);
  rlimit limited = before;
  limited.rlim_cur = 1 << 20;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  info = SF_INFO{};
  info.samplerate = static_cast<int>(rate);
  info.channels = 2;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_24;
  BufferedSoundFile io;
  SNDFILE* f = openBufferedSoundFile(dir.file("silent-past-limit.wav"), SFM_WRITE, info, io);
  ASSERT_NE(f, nullptr);
  const std::vector<int> silence(static_cast<size_t>(rate) * 2, 0);
  for (int i = 0; i < 4; ++i) sf_writef_int(f, silence.data(), rate);  // 1.1 MB of silence
  const bool closed = closeBufferedSoundFile(f, io);
  setrlimit(RLIMIT_FSIZE, &before);
  std::signal(SIGXFSZ, previous);
  EXPECT_FALSE(closed);
}

TEST(BufferedSoundIo, AWriteThatCannotReachTheDiskIsAFailedClose) {
  test::TempDir dir;
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit before{};
  getrlimit(RLIMIT_FSIZE, &before);
  rlimit limited = before;
  limited.rlim_cur = 3 << 20;  // three buffers' worth
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  SF_INFO info{};
  info.samplerate = 48000;
  info.channels = 2;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_24;
  BufferedSoundFile io;
  SNDFILE* f = openBufferedSoundFile(dir.file("cut.wav"), SFM_WRITE, info, io);
  ASSERT_NE(f, nullptr);
  const std::vector<int> samples = pattern(2 * 48000);
  int64_t written = 0;
  for (int i = 0; i < 20; ++i) written += sf_writef_int(f, samples.data(), 48000);  // 5.8 MB of samples
  const bool closed = closeBufferedSoundFile(f, io);
  setrlimit(RLIMIT_FSIZE, &before);
  std::signal(SIGXFSZ, previous);
  EXPECT_TRUE(written < 20 * 48000 || !closed);
  EXPECT_FALSE(closed);
}

}  // namespace
}  // namespace vn
