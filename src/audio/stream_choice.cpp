#include "audio/stream_choice.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace vn {
namespace {

constexpr std::array<int, 7> kBufferSizes{32, 64, 128, 256, 512, 1024, 2048};
constexpr std::array<int, 4> kChannelChoices{1, 2, 6, 8};

}  // namespace

int ChooseStreamRate(int projectRate, const AudioDeviceInfo& device) {
  const auto& rates = device.sampleRates;
  if (std::find(rates.begin(), rates.end(), projectRate) != rates.end()) return projectRate;
  if (device.preferredRate > 0) return device.preferredRate;
  if (!rates.empty()) return rates.front();
  return projectRate;
}

int ChooseStreamChannels(int requestedChannels, int deviceChannels) {
  int channels = std::max(2, requestedChannels);
  if (channels > deviceChannels) channels = std::min(deviceChannels, 2);
  return channels;
}

int SnapBufferFrames(int frames) {
  int best = kBufferSizes.front();
  for (int size : kBufferSizes)
    if (std::abs(size - frames) < std::abs(best - frames)) best = size;
  return best;
}

int OutputChannelsForChoice(int choice) {
  if (choice < 0 || choice >= static_cast<int>(kChannelChoices.size())) return 2;
  return kChannelChoices[static_cast<size_t>(choice)];
}

int ChoiceForOutputChannels(int channels) {
  for (size_t i = 0; i < kChannelChoices.size(); ++i)
    if (kChannelChoices[i] == channels) return static_cast<int>(i);
  return 1;
}

}  // namespace vn
