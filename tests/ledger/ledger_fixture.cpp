#include "ledger_fixture.h"

#include <sndfile.h>

#include <cstdlib>
#include <cstring>
#include <fstream>

#include "library/file_identity.h"
#include "tools/sound_file_writer.h"

namespace vn::test {

void LedgerTest::SetUp() {
  const char* old = std::getenv("APPDATA");
  savedAppData_ = old ? old : "";
  useAppData(dir.file("appdata"));
}

void LedgerTest::TearDown() { ::setenv("APPDATA", savedAppData_.c_str(), 1); }

void LedgerTest::useAppData(const std::string& folder) { ::setenv("APPDATA", folder.c_str(), 1); }

std::string LedgerTest::printsFolder() const { return std::string(std::getenv("APPDATA")) + "/Varnel/Prints"; }

void writeNoise(const std::string& path, int frames, unsigned seed, int format) {
  std::vector<float> samples(static_cast<size_t>(frames));
  uint32_t state = seed * 2654435761u + 1;
  for (float& s : samples) {
    state = state * 1103515245u + 12345u;
    s = (static_cast<float>(state >> 16 & 0x7fff) / 32768.0f - 0.5f) * 0.8f;
  }
  tools::SoundFileSpec fileFormat;
  fileFormat.format = format != 0 ? format : SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  std::string error;
  ASSERT_TRUE(tools::WriteSoundFile(path, fileFormat, {samples}, error)) << error;
}

void writeWithBext(const std::string& path, const std::string& originatorReference, const std::string& codingHistory) {
  SF_INFO info{};
  info.samplerate = 48000;
  info.channels = 1;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
  ASSERT_NE(f, nullptr);
  SF_BROADCAST_INFO bext{};
  std::strncpy(bext.originator_reference, originatorReference.c_str(), sizeof bext.originator_reference);
  std::strncpy(bext.coding_history, codingHistory.c_str(), sizeof bext.coding_history);
  bext.coding_history_size = static_cast<uint32_t>(std::min<size_t>(codingHistory.size(), 256));
  sf_command(f, SFC_SET_BROADCAST_INFO, &bext, sizeof bext);
  std::vector<short> samples(4800, 1000);
  sf_write_short(f, samples.data(), static_cast<sf_count_t>(samples.size()));
  sf_close(f);
}

Session sessionWithSources(const std::vector<std::string>& sources) {
  Session s;
  std::vector<std::string> ids;
  for (const std::string& path : sources) {
    std::optional<FileFingerprint> fp = ComputeFileFingerprint(path);
    ids.push_back(fp ? FileIdFor(path, fp->contentHash, fp->fileSize) : std::string());
  }
  auto id = [&](size_t i) { return i < ids.size() ? ids[i] : std::string(); };
  auto path = [&](size_t i) { return i < sources.size() ? sources[i] : std::string(); };
  Event a;
  a.time = 1.5f;
  a.duration = 2.0f;
  a.keywords = "door slam";
  a.pinnedFiles = {path(2)};
  a.pinnedFileIds = {id(2)};
  Event b;
  b.time = 6.25f;
  b.duration = 3.0f;
  b.keywords = "whoosh";
  s.events = {a, b};
  Layer first;
  first.id = 1;
  first.name = "slam";
  first.filepath = path(0);
  first.fileId = id(0);
  first.startTime = 1.5f;
  first.duration = 1.0f;
  first.eventIdx = 0;
  Layer second;
  second.id = 2;
  second.name = "whoosh";
  second.filepath = path(1);
  second.fileId = id(1);
  second.startTime = 6.25f;
  second.duration = 2.0f;
  second.eventIdx = 1;
  second.procMode = 3;
  second.alloyMid = {path(0), id(0), 0.0f, 1.0f};
  second.alloyHigh = {path(2), id(2), 0.0f, 1.0f};
  s.results = {first, second};
  return s;
}

std::vector<std::string> linesOf(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace vn::test
