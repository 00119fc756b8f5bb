#include "library/analysis/signal_analysis.h"

#include <algorithm>

#include "library/analysis/attack_time.h"
#include "library/analysis/harmonics.h"
#include "library/analysis/pitch_detector.h"
#include "library/channel_layout.h"

namespace vn {
namespace {

void MixBlock(SignalAnalysis& a) {
  const size_t count = a.included.size();
  float* mono = a.mono.data();
  std::copy_n(a.channelBlocks.data(), kAnalysisBlock, mono);
  if (count == 1) return;
  for (size_t c = 1; c < count; ++c) {
    const float* block = &a.channelBlocks[c * kAnalysisBlock];
    for (size_t i = 0; i < kAnalysisBlock; ++i) mono[i] += block[i];
  }
  const float scale = 1.0f / static_cast<float>(count);
  for (size_t i = 0; i < kAnalysisBlock; ++i) mono[i] *= scale;
}

// The first block after the opening one that is loud against everything so far.
void MaybeKeepPitchBlock(SignalAnalysis& a) {
  const std::vector<float>& R = a.time.blockRms;
  if (!a.pitchBlock.empty() || R.size() < 2) return;
  const float current = R.back();
  const float loudest = *std::max_element(R.begin(), R.end());
  if (current > 0.5f * loudest && current > 0.01f) a.pitchBlock = a.mono;
}

void ProcessBlock(SignalAnalysis& a, AnalysisWorkingSet& set, bool full) {
  MixBlock(a);
  AddTimeBlock(a.time, a.mono.data(), kAnalysisBlock);
  if (!full) return;
  std::fill(a.magnitudes.begin(), a.magnitudes.end(), 0.0f);
  for (size_t c = 0; c < a.included.size(); ++c) {
    AddBlockMagnitudes(set, &a.channelBlocks[c * kAnalysisBlock], a.magnitudes.data());
  }
  const float scale = 1.0f / static_cast<float>(a.included.size());
  for (float& m : a.magnitudes) m *= scale;
  AddSpectrumBlock(a.spectrum, a.magnitudes.data());
  MaybeKeepPitchBlock(a);
}

}  // namespace

void BeginSignalAnalysis(SignalAnalysis& a, double sampleRate, const std::vector<int>& roles, int64_t spanFrames) {
  a = SignalAnalysis{};
  a.sampleRate = sampleRate;
  a.channels = static_cast<int>(roles.size());
  a.spanFrames = spanFrames;
  for (size_t c = 0; c < roles.size(); ++c) {
    if (roles[c] != kRoleLFE) a.included.push_back(static_cast<int>(c));
  }
  if (a.included.empty()) {
    for (size_t c = 0; c < roles.size(); ++c) a.included.push_back(static_cast<int>(c));
  }
  a.channelBlocks.assign(a.included.size() * kAnalysisBlock, 0.0f);
  a.mono.assign(kAnalysisBlock, 0.0f);
  a.magnitudes.assign(kSpectrumBins, 0.0f);
  BeginSpectrum(a.spectrum, sampleRate);
}

void AddFrames(SignalAnalysis& a, AnalysisWorkingSet& set, const float* interleaved, size_t frames) {
  if (a.included.empty()) return;
  const int64_t room = std::max<int64_t>(a.spanFrames - a.framesTaken, 0);
  frames = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(frames), room));
  a.framesTaken += static_cast<int64_t>(frames);
  const size_t stride = static_cast<size_t>(a.channels);
  size_t done = 0;
  while (done < frames) {
    const size_t take = std::min(frames - done, kAnalysisBlock - a.fill);
    for (size_t c = 0; c < a.included.size(); ++c) {
      float* block = &a.channelBlocks[c * kAnalysisBlock + a.fill];
      const float* source = interleaved + done * stride + static_cast<size_t>(a.included[c]);
      if (stride == 1) {
        std::copy_n(source, take, block);
      } else {
        for (size_t i = 0; i < take; ++i) block[i] = source[i * stride];
      }
    }
    a.fill += take;
    done += take;
    if (a.fill == kAnalysisBlock) {
      ProcessBlock(a, set, true);
      a.fill = 0;
    }
  }
}

bool FinishSignalAnalysis(SignalAnalysis& a, AnalysisWorkingSet& set, LibraryRecord& record) {
  if (a.fill > 0) {
    for (size_t c = 0; c < a.included.size(); ++c) {
      float* block = &a.channelBlocks[c * kAnalysisBlock];
      std::fill(block + a.fill, block + kAnalysisBlock, 0.0f);
    }
    ProcessBlock(a, set, false);
    a.fill = 0;
  }
  if (a.time.samples == 0 || a.spectrum.fullBlocks == 0) return false;

  FinishTimeMeasures(a.time, a.spanFrames, record);
  FinishSpectrum(a.spectrum, record);
  bool pitched = false;
  if (!a.pitchBlock.empty()) {
    pitched = ApplyPitch(DetectPitch(set, a.pitchBlock.data(), a.pitchBlock.size(), a.sampleRate), record);
  }
  MeasureHarmonics(LongTermSpectrum(a.spectrum), a.spectrum.binHz, pitched ? record.pitchHz : 0.0, record);
  record.attackTime = static_cast<float>(AttackTime(a.time.envelope, a.sampleRate));
  return true;
}

}  // namespace vn
