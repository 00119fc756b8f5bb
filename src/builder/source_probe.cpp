#include "builder/source_probe.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/paths.h"

namespace vn {
namespace {

constexpr int kBlock = 2048;
// Positions are given over at most 30 s, as the analysis does; the search only
// reads the first 10 s, which is where an attack lies in practice.
constexpr double kPositionSpan = 30.0;
constexpr double kSearchSpan = 10.0;

// Onset (first block above 15 % of the loudest block's RMS) and peak, as
// fractions of the position span.
void findOnset(SNDFILE* file, const SF_INFO& info, LibraryRecord& record) {
  const sf_count_t spanFrames = static_cast<sf_count_t>(std::min<double>(info.frames, kPositionSpan * info.samplerate));
  const sf_count_t searchFrames = std::min<sf_count_t>(spanFrames, static_cast<sf_count_t>(kSearchSpan * info.samplerate));
  std::vector<float> buffer(static_cast<size_t>(kBlock) * info.channels);
  std::vector<float> blockRms;
  float peak = 0.0f;
  sf_count_t peakFrame = 0, done = 0;
  while (done < searchFrames) {
    const sf_count_t want = std::min<sf_count_t>(kBlock, searchFrames - done);
    const sf_count_t got = sf_readf_float(file, buffer.data(), want);
    if (got <= 0) break;
    double energy = 0.0;
    for (sf_count_t f = 0; f < got; ++f) {
      float mono = 0.0f;
      for (int c = 0; c < info.channels; ++c) mono += buffer[f * info.channels + c];
      mono /= static_cast<float>(info.channels);
      energy += static_cast<double>(mono) * mono;
      if (std::fabs(mono) > peak) {
        peak = std::fabs(mono);
        peakFrame = done + f;
      }
    }
    blockRms.push_back(static_cast<float>(std::sqrt(energy / static_cast<double>(got))));
    done += got;
  }
  if (spanFrames > 0) record.peakPosition = static_cast<float>(peakFrame) / static_cast<float>(spanFrames);
  if (blockRms.size() < 3) return;
  const float loudest = *std::max_element(blockRms.begin(), blockRms.end());
  for (size_t i = 0; i < blockRms.size(); ++i)
    if (blockRms[i] > 0.15f * loudest) {
      record.onsetPosition = static_cast<float>(static_cast<double>(i) * kBlock / static_cast<double>(spanFrames));
      break;
    }
}

}  // namespace

std::optional<LibraryRecord> probeSourceFile(const std::string& path) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) return std::nullopt;
  if (info.frames <= 0 || info.samplerate <= 0 || info.channels <= 0) {
    sf_close(file);
    return std::nullopt;
  }
  LibraryRecord record;
  record.path = path;
  record.name = stemOf(path);
  record.sampleRate = static_cast<float>(info.samplerate);
  record.channels = std::min(info.channels, 64);
  record.duration = static_cast<float>(static_cast<double>(info.frames) / info.samplerate);
  findOnset(file, info, record);
  sf_close(file);
  return record;
}

}  // namespace vn
