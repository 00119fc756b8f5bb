#include "render_output.h"

#include <sndfile.h>

#include <algorithm>
#include <iterator>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

#include "args.h"
#include "layer_rendering.h"
#include "library/libraries.h"
#include "platform/log.h"
#include "progress.h"
#include "render/loudness.h"
#include "render/mixer.h"
#include "render/offline_mix.h"
#include "render/render_pipeline.h"
#include "tools/sound_file_writer.h"

namespace vn::cli {

namespace {

// WAVEX positions of the speaker roles.
constexpr int kRolePosition[kSpeakerRoleCount] = {
    SF_CHANNEL_MAP_LEFT,            SF_CHANNEL_MAP_RIGHT,          SF_CHANNEL_MAP_CENTER,
    SF_CHANNEL_MAP_LFE,             SF_CHANNEL_MAP_SIDE_LEFT,      SF_CHANNEL_MAP_SIDE_RIGHT,
    SF_CHANNEL_MAP_REAR_LEFT,       SF_CHANNEL_MAP_REAR_RIGHT,     SF_CHANNEL_MAP_TOP_FRONT_LEFT,
    SF_CHANNEL_MAP_TOP_FRONT_RIGHT, SF_CHANNEL_MAP_TOP_REAR_LEFT,  SF_CHANNEL_MAP_TOP_REAR_RIGHT};
// A WAVEX file stores its channels in the order of the speaker-position mask bits.
constexpr int kMaskOrder[] = {SF_CHANNEL_MAP_LEFT,           SF_CHANNEL_MAP_RIGHT,          SF_CHANNEL_MAP_CENTER,
                              SF_CHANNEL_MAP_LFE,            SF_CHANNEL_MAP_REAR_LEFT,      SF_CHANNEL_MAP_REAR_RIGHT,
                              SF_CHANNEL_MAP_SIDE_LEFT,      SF_CHANNEL_MAP_SIDE_RIGHT,     SF_CHANNEL_MAP_TOP_FRONT_LEFT,
                              SF_CHANNEL_MAP_TOP_FRONT_RIGHT, SF_CHANNEL_MAP_TOP_REAR_LEFT, SF_CHANNEL_MAP_TOP_REAR_RIGHT};

int maskRank(int position) {
  for (int i = 0; i < static_cast<int>(std::size(kMaskOrder)); ++i)
    if (kMaskOrder[i] == position) return i;
  return static_cast<int>(std::size(kMaskOrder));
}

// Puts the layout's channels in file order and names their positions.
void toFileOrder(SpatialLayout layout, std::vector<std::vector<float>>& planar, std::vector<int>& map) {
  const auto roles = layoutRoles(layout);
  std::vector<int> order(roles.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return maskRank(kRolePosition[roles[a]]) < maskRank(kRolePosition[roles[b]]);
  });
  std::vector<std::vector<float>> sorted;
  map.clear();
  for (int i : order) {
    sorted.push_back(std::move(planar[i]));
    map.push_back(kRolePosition[roles[i]]);
  }
  planar = std::move(sorted);
}

std::vector<std::vector<float>> deinterleave(const MixdownBuffer& mix) {
  std::vector<std::vector<float>> planar(mix.channels, std::vector<float>(mix.frames()));
  for (long f = 0; f < mix.frames(); ++f)
    for (int c = 0; c < mix.channels; ++c) planar[c][f] = mix.samples[f * mix.channels + c];
  return planar;
}

std::vector<float> weightsOf(const RenderFileRequest& r, int channels) {
  std::vector<float> w(channels, 1.0f);
  if (!r.format.binaural && channels > 2) {
    const auto roles = layoutRoles(r.format.layout);
    for (int c = 0; c < channels; ++c) w[c] = loudnessWeightOfRole(roles[c]);
  }
  return w;
}

// Samples beyond full scale would wrap in a fixed-point file: they are held at
// full scale and counted.
long clipToFullScale(std::vector<std::vector<float>>& planar) {
  long clipped = 0;
  for (auto& ch : planar) {
    for (float& v : ch) {
      if (std::fabs(v) > 1.0f) {
        v = std::copysign(1.0f, v);
        ++clipped;
      }
    }
  }
  return clipped;
}

// Files of more than two channels are written as WAVEX in the layout's positions.
bool writeWav24(const std::string& path, std::vector<std::vector<float>> planar, int rate, SpatialLayout layout,
                std::string& error) {
  tools::SoundFileSpec fileSpec;
  fileSpec.sampleRate = rate;
  fileSpec.format = (planar.size() > 2 ? SF_FORMAT_WAVEX : SF_FORMAT_WAV) | SF_FORMAT_PCM_24;
  if (planar.size() > 2) toFileOrder(layout, planar, fileSpec.channelMap);
  return tools::WriteSoundFile(path, fileSpec, planar, error);
}

}  // namespace

std::optional<MonitorFormat> parseRenderLayout(const std::string& text) {
  if (text == "stereo") return MonitorFormat{SpatialLayout::Stereo, false};
  if (text == "5.1") return MonitorFormat{SpatialLayout::Surround51, false};
  if (text == "7.1.4") return MonitorFormat{SpatialLayout::Surround714, false};
  if (text == "binaural") return MonitorFormat{SpatialLayout::Surround714, true};
  return std::nullopt;
}

std::optional<int> parseLoudnessTarget(const std::string& text) {
  const auto value = parseInteger(text);
  for (int i = 1; value && i <= 4; ++i) {
    if (std::lround(mixdownLoudnessTarget(i).lufs) == *value) return i;
  }
  return std::nullopt;
}

bool renderSessionToFiles(Session& session, const RenderFileRequest& request, RenderFileResult& result,
                          std::string& error) {
  RenderPipeline pipeline;
  pipeline.session = &session;
  pipeline.libraries = &AppLibraries();
  if (!renderLayersWithProgress(pipeline, request.showProgress)) {
    error = "Render cancelled - nothing was written.";
    return false;
  }
  result.blocks = pipeline.cache.count.load();
  for (const Layer& l : session.results) result.missingSources += l.sourceMissing;

  OfflineMixRequest mix;
  mix.settings = mixSettingsFromSession(session, request.spatialAmount, request.spatialDiffuse, request.format);
  mix.end = cacheEndSeconds(pipeline.cache, session.settings.totalDuration);
  MixdownBuffer out;
  {
    std::optional<ProgressBar> bar;
    if (request.showProgress) bar.emplace("Mixing");
    const bool done = renderMixdown(pipeline.cache, mix, out, [&](double f) {
      if (bar) bar->update(f);
      return !interrupted();
    });
    if (bar) bar->finish();
    if (!done) {
      error = interrupted() ? "Render cancelled - nothing was written." : "Not enough memory to mix the session.";
      return false;
    }
  }
  result.seconds = static_cast<double>(out.frames()) / out.sampleRate;
  std::vector<std::vector<float>> planar = deinterleave(out);
  std::vector<float*> channels;
  for (auto& ch : planar) channels.push_back(ch.data());
  const std::vector<float> weights = weightsOf(request, out.channels);
  matchMixdownLoudness(channels, weights, out.frames(), out.sampleRate, request.loudnessIndex);
  std::vector<const float*> measured(channels.begin(), channels.end());
  result.loudness = integratedLoudness(measured, weights, out.frames(), out.sampleRate);
  result.clippedSamples = clipToFullScale(planar);
  if (!writeWav24(request.output, std::move(planar), out.sampleRate, request.format.layout, error)) {
    error = format("Could not write %s: %s.", request.output.c_str(), error.c_str());
    return false;
  }

  if (!request.reverbStem.empty()) {
    MixdownBuffer stem;
    if (!renderReverbStem(pipeline.cache, mix, stem)) {
      error = "The reverb stem could not be written (the reverb is off or memory is short).";
      return false;
    }
    std::vector<std::vector<float>> stemPlanar = deinterleave(stem);
    clipToFullScale(stemPlanar);
    if (!writeWav24(request.reverbStem, std::move(stemPlanar), stem.sampleRate, SpatialLayout::Stereo, error)) {
      error = format("Could not write %s: %s.", request.reverbStem.c_str(), error.c_str());
      return false;
    }
    result.stemWritten = true;
  }
  return true;
}

}  // namespace vn::cli
