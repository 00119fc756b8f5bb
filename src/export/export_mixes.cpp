#include "export/export_mixes.h"

#include <algorithm>
#include <cmath>

#include "export/export_wav.h"
#include "render/render_cache.h"

namespace vn {

namespace {

struct MixPass {
  int bus = -1;
  bool reverbOnly = false;
  MixdownBuffer* wetReturn = nullptr;  // the reverb's return of the same pass, when wanted
  double progressFrom = 0.0;           // the share of the stage this pass reports
  double progressTo = 1.0;
};

OfflineMixRequest mixRequest(const ExportContext& ctx, int bus) {
  OfflineMixRequest request;
  request.settings = ctx.mix;
  request.settings.monitor = MonitorFormat{runMixLayout(ctx), false};
  request.start = ctx.start;
  request.end = ctx.end;
  request.busFilter = bus;
  return request;
}

std::optional<Planar> mixPlanar(const ExportContext& ctx, const MixPass& pass) {
  const OfflineMixRequest request = mixRequest(ctx, pass.bus);
  const MixProgress progress = [&](double f) {
    ctx.progress(pass.progressFrom + f * (pass.progressTo - pass.progressFrom));
    return !ctx.cancelled();
  };
  MixdownBuffer out;
  const RenderCache& cache = ctx.pipeline.cache;
  const bool done = pass.reverbOnly ? renderReverbStem(cache, request, out, progress)
                                    : renderMixdown(cache, request, out, progress, pass.wetReturn);
  if (!done) return std::nullopt;
  return std::move(out.channels);
}

bool wantsMixdown(const ExportContext& ctx) { return ctx.run.options.formatWAV && ctx.run.options.wavMixdown; }
bool wantsStems(const ExportContext& ctx) { return ctx.run.options.formatWAV && ctx.run.options.wavStems; }

// Every sounding block lies on one of the busses, so the stems add up to the whole mix.
bool stemsCoverTheMix(const ExportContext& ctx, const std::vector<int>& busses) {
  const RenderCache& cache = ctx.pipeline.cache;
  std::lock_guard lock(cache.mutex);
  for (const RenderedBlock& b : cache.blocks)
    if (!b.muted && std::find(busses.begin(), busses.end(), b.bus) == busses.end()) return false;
  return true;
}

bool stemsFitTogether(const ExportContext& ctx, size_t busCount) {
  const double frames = std::max(0.0, (ctx.end - ctx.start) * ctx.pipeline.cache.sampleRate);
  const double channels = layoutChannelCount(runMixLayout(ctx));
  return frames * channels * sizeof(float) * static_cast<double>(busCount) <= static_cast<double>(kSharedStemBytes);
}

// Each bus once, with the mixdown and the wet return made as their sums alongside.
// Leaves no stems when it fails, so that the stages mix what they need on their own.
void mixStemsTogether(ExportContext& ctx, const std::vector<int>& busses, bool wantMix, bool wantWet) {
  RunMixes& mixes = ctx.mixes;
  const OfflineMixRequest request = mixRequest(ctx, -1);
  const MixProgress progress = [&](double f) {
    ctx.progress(0.9 * f);
    return !ctx.cancelled();
  };
  std::vector<MixdownBuffer> stems;
  MixdownBuffer mix;
  if (!renderBusStems(ctx.pipeline.cache, request, busses, stems, wantMix ? &mix : nullptr,
                      wantWet ? &mixes.wetReturn : nullptr, progress)) {
    mixes.wetReturn.channels.clear();
    return;
  }
  for (MixdownBuffer& stem : stems) mixes.stems.push_back(std::move(stem.channels));
  if (wantMix) mixes.mixdown = std::move(mix.channels);
}

// The first stage that needs a mix makes what the run shares: the stems together
// with their sums, or else the mixdown with its return, so that the AAF stage, the
// mixdown and the reverb stem never mix the same thing twice.
void prepareRunMixes(ExportContext& ctx) {
  RunMixes& mixes = ctx.mixes;
  if (mixes.prepared) return;
  mixes.prepared = true;
  const bool wantMix = wantsMixdown(ctx), wantWet = wantsReverbStem(ctx);
  const std::vector<int> busses = stemBusses(ctx);
  if (wantsStems(ctx) && !busses.empty() && (wantMix || wantWet) && stemsFitTogether(ctx, busses.size()) &&
      stemsCoverTheMix(ctx, busses)) {
    mixStemsTogether(ctx, busses, wantMix, wantWet);
    if (!mixes.stems.empty() || ctx.cancelled()) return;
  }
  if (!wantMix) return;
  MixPass pass;
  pass.wetReturn = wantWet ? &mixes.wetReturn : nullptr;
  pass.progressTo = 0.9;
  mixes.mixdown = mixPlanar(ctx, pass);
}

}  // namespace

SpatialLayout runMixLayout(const ExportContext& ctx) {
  switch (static_cast<ExportLayout>(ctx.run.options.wavLayout)) {
    case ExportLayout::Surround51: return SpatialLayout::Surround51;
    case ExportLayout::Surround714:
    case ExportLayout::AmbiX: return SpatialLayout::Surround714;  // AmbiX is encoded from its speaker mix
    case ExportLayout::Stereo: break;
  }
  return SpatialLayout::Stereo;
}

std::vector<int> stemBusses(const ExportContext& ctx) {
  const Session& session = ctx.session;
  std::vector<int> busses;
  const int count = std::clamp(session.trackLayout.busCount, 0, kMaxBusses);
  for (int k = 0; k < count; ++k) {
    const int bus = session.trackLayout.busOrder[k];
    for (const Layer& l : session.results)
      if (!l.muted && l.group == bus) {
        busses.push_back(bus);
        break;
      }
  }
  return busses;
}

std::optional<Planar> takeMixdown(ExportContext& ctx) {
  prepareRunMixes(ctx);
  std::optional<Planar> mixdown = std::move(ctx.mixes.mixdown);
  ctx.mixes.mixdown.reset();
  return mixdown;
}

std::optional<Planar> takeStem(ExportContext& ctx, size_t index, double progressFrom, double progressTo) {
  prepareRunMixes(ctx);
  if (index < ctx.mixes.stems.size()) {
    ctx.progress(progressTo);
    return std::move(ctx.mixes.stems[index]);
  }
  const std::vector<int> busses = stemBusses(ctx);
  if (index >= busses.size()) return std::nullopt;
  MixPass pass;
  pass.bus = busses[index];
  pass.progressFrom = progressFrom;
  pass.progressTo = progressTo;
  return mixPlanar(ctx, pass);
}

bool mixWetReturn(ExportContext& ctx) {
  prepareRunMixes(ctx);
  if (!ctx.mixes.wetReturn.channels.empty()) return true;
  MixPass pass;
  pass.reverbOnly = true;
  std::optional<Planar> planar = mixPlanar(ctx, pass);
  if (!planar) return false;
  ctx.mixes.wetReturn.sampleRate = ctx.pipeline.cache.sampleRate;
  ctx.mixes.wetReturn.channels = std::move(*planar);
  return true;
}

}  // namespace vn
