#pragma once
// Measures one sound from its interleaved frames: the driver that cuts the span
// into 2048-frame blocks, mixes the channels to mono and feeds every measure.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "library/analysis/spectrum_measures.h"
#include "library/analysis/time_measures.h"
#include "library/analysis/working_set.h"
#include "library/library.h"

namespace vn {

struct SignalAnalysis {
  double sampleRate = 0.0;
  int channels = 0;
  std::vector<int> included;  // channels that enter the mix and the spectrum
  int64_t spanFrames = 0;
  int64_t framesTaken = 0;
  size_t fill = 0;                   // frames gathered in the current block
  std::vector<float> channelBlocks;  // included.size() blocks of kAnalysisBlock samples
  std::vector<float> mono;           // kAnalysisBlock
  std::vector<float> magnitudes;     // kSpectrumBins
  std::vector<float> pitchBlock;     // the block kept for the pitch detector
  TimeMeasures time;
  SpectrumMeasures spectrum;
};

// roles: one ChannelRole per channel; LFE channels stay out of the analysis unless
// every channel is LFE. spanFrames: how many frames the caller will feed at most.
void BeginSignalAnalysis(SignalAnalysis& a, double sampleRate, const std::vector<int>& roles, int64_t spanFrames);

// Feeds interleaved frames; frames beyond the span are ignored.
void AddFrames(SignalAnalysis& a, AnalysisWorkingSet& set, const float* interleaved, size_t frames);

// Finishes the partial block and writes every signal measure into record. False
// when no sample arrived or not one full block was analysed.
bool FinishSignalAnalysis(SignalAnalysis& a, AnalysisWorkingSet& set, LibraryRecord& record);

}  // namespace vn
