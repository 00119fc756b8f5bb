#include "library/analyse_file.h"

#include <sndfile.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>
#include <vector>

#include "library/analysis/signal_analysis.h"
#include "library/categories.h"
#include "library/channel_layout.h"
#include "library/file_identity.h"
#include "library/source_metadata.h"
#include "platform/paths.h"

namespace vn {
namespace {

constexpr size_t kSamplesPerRead = 262144;

struct SndfileCloser {
  void operator()(SNDFILE* file) const { sf_close(file); }
};
using SndfileHandle = std::unique_ptr<SNDFILE, SndfileCloser>;

// libsndfile keeps the reason an open failed in one process-wide slot; opening under
// a lock and copying the reason before letting go keeps each file's reason its own
// when several workers meet bad files at once.
SndfileHandle OpenForReading(const std::string& path, SF_INFO& info, std::string& failure) {
  static std::mutex openMutex;
  std::lock_guard lock(openMutex);
  SndfileHandle file(sf_open(path.c_str(), SFM_READ, &info));
  if (!file) failure = sf_strerror(nullptr);
  return file;
}

bool Reject(std::string* why, std::string sentence) {
  if (why) *why = std::move(sentence);
  return false;
}

int BitDepthOf(int format) {
  switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8: return 8;
    case SF_FORMAT_PCM_24: return 24;
    case SF_FORMAT_PCM_32:
    case SF_FORMAT_FLOAT: return 32;
    case SF_FORMAT_DOUBLE: return 64;
    default: return 16;
  }
}

std::vector<int> FileChannelMap(SNDFILE* file, int channels) {
  std::vector<int> map(static_cast<size_t>(channels), 0);
  const int bytes = static_cast<int>(map.size() * sizeof(int));
  if (sf_command(file, SFC_GET_CHANNEL_MAP_INFO, map.data(), bytes) != SF_TRUE) return {};
  return map;
}

void AddIdentity(const std::string& path, LibraryRecord& record) {
  const std::optional<FileFingerprint> print = ComputeFileFingerprint(path);
  if (!print) return;
  record.contentHash = print->contentHash;
  record.fileSize = print->fileSize;
  record.fileId = FileIdFor(path, print->contentHash, print->fileSize);
}

// Words of the category that the name's CatID prefix names (designed sounds excepted).
void AddCategoryWords(LibraryRecord& record) {
  const std::string prefix = record.name.substr(0, record.name.find_first_of("_ -."));
  const CategoryRow* row = LookupCategoryById(prefix);
  if (!row || row->code == "DSGN") return;
  // "|air|blow|" becomes "air blow".
  std::string synonyms = row->synonyms;
  std::replace(synonyms.begin(), synonyms.end(), '|', ' ');
  const size_t first = synonyms.find_first_not_of(' ');
  synonyms =
      first == std::string::npos ? std::string() : synonyms.substr(first, synonyms.find_last_not_of(' ') - first + 1);
  for (const std::string* piece :
       std::initializer_list<const std::string*>{&row->category, &row->subcategory, &synonyms}) {
    if (piece->empty()) continue;
    if (!record.keywords.empty()) record.keywords += ' ';
    record.keywords += *piece;
  }
}

// Decodes up to the analysed span in reads of about 256 K samples.
bool MeasureSignal(SNDFILE* file, const SF_INFO& info, const ChannelLayout& layout, AnalysisWorkingSet& set,
                   LibraryRecord& record, std::string* why) {
  const size_t channels = static_cast<size_t>(info.channels);
  const int64_t span = std::min<int64_t>(static_cast<int64_t>(std::trunc(kAnalysedSeconds * info.samplerate)),
                                         static_cast<int64_t>(info.frames));
  const size_t perRead = std::max(kSamplesPerRead / channels / kAnalysisBlock * kAnalysisBlock, kAnalysisBlock);
  set.decodeBuffer.resize(perRead * channels);

  SignalAnalysis analysis;
  BeginSignalAnalysis(analysis, static_cast<double>(info.samplerate), layout.roles, span);
  int64_t done = 0;
  while (done < span) {
    const sf_count_t want = static_cast<sf_count_t>(std::min<int64_t>(static_cast<int64_t>(perRead), span - done));
    const sf_count_t got = sf_readf_float(file, set.decodeBuffer.data(), want);
    if (got <= 0) break;
    AddFrames(analysis, set, set.decodeBuffer.data(), static_cast<size_t>(got));
    done += got;
  }
  if (done == 0) return Reject(why, "no audio could be decoded from it");
  if (!FinishSignalAnalysis(analysis, set, record)) {
    return Reject(why, "it holds less than one 2048-frame block of audio");
  }
  return true;
}

}  // namespace

int64_t FileModifiedTime(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return 0;
  return static_cast<int64_t>(st.st_mtime);
}

bool AnalyseFile(const std::string& path, LibraryRecord& record, AnalysisWorkingSet& set, std::string* whyRejected) {
  SF_INFO info{};
  std::string openFailure;
  SndfileHandle file = OpenForReading(path, info, openFailure);
  if (!file) return Reject(whyRejected, "it cannot be read as a sound file (" + openFailure + ")");
  if (info.frames < 1) return Reject(whyRejected, "it holds no audio frames");
  if (info.samplerate < 1) return Reject(whyRejected, "its sample rate is not valid");
  if (info.channels < 1) return Reject(whyRejected, "it declares no channels");

  record.path = path;
  record.name = stemOf(path);
  record.sampleRate = static_cast<float>(info.samplerate);
  record.channels = info.channels;
  record.duration = static_cast<float>(static_cast<double>(info.frames) / info.samplerate);
  record.bitDepth = BitDepthOf(info.format);
  record.modifiedTime = FileModifiedTime(path);

  const ChannelLayout layout = ResolveChannelLayout(info.channels, FileChannelMap(file.get(), info.channels),
                                                    kInterpretAuto, set.channelOrderFallback);
  record.layout = StoredLayoutCode(layout);

  AddIdentity(path, record);
  ReadSourceMetadata(file.get(), record);
  AddCategoryWords(record);
  return MeasureSignal(file.get(), info, layout, set, record, whyRejected);
}

}  // namespace vn
