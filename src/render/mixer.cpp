#include "render/mixer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "render/block_gain.h"
#include "render/fades.h"
#include "render/mixer_state.h"
#include "render/placement.h"
#include "render/reverb_macro.h"

namespace vn {

namespace {

constexpr int kCacheLockAttempts = 4096;
// The stem render scales the summed send by 1/16; the live send does the same
// so that the live return and the stem match in level.
constexpr float kSendScale = 0.0625f;

// Direction of each reverb channel: even channels to the left. Pairs alternate
// between a low and a high elevation, used only when the layout has heights.
constexpr std::array<float, 4> kReverbAzimuthDeg{22.5f, 67.5f, 112.5f, 157.5f};
constexpr std::array<float, 4> kReverbElevationDeg{12.0f, 28.0f, 12.0f, 28.0f};

void placeReverbChannels(Mixer& m) {
  constexpr float deg = std::numbers::pi_v<float> / 180.0f;
  for (int i = 0; i < kReverbLines; ++i) {
    auto& g = m.reverbChannelGains[i];
    g.fill(0.0f);
    const float az = kReverbAzimuthDeg[i / 2] * (i % 2 == 0 ? 1.0f : -1.0f) * deg;
    panWithElevation(m.configured.layout, az, kReverbElevationDeg[i / 2] * deg, 0.5f, g);
  }
}

struct BlockSpan {
  int64_t firstSample;  // index into the block's buffers
  int offset;           // first output frame
  int frames;
};

bool activeSpan(const RenderedBlock& b, int rate, int64_t position, int frames, BlockSpan& span) {
  const int64_t start = std::llround(static_cast<double>(b.start) * rate);
  const int64_t length = static_cast<int64_t>(std::min(b.left.size(), b.right.size()));
  const int64_t from = std::max(position, start);
  const int64_t to = std::min(position + frames, start + length);
  if (to <= from) return false;
  span = {from - start, static_cast<int>(from - position), static_cast<int>(to - from)};
  return true;
}

void mixStereoBlock(Mixer& m, const RenderedBlock& b, const BlockSpan& s, const StereoGains& pan, float send,
                    bool dry) {
  const float* l = b.left.data() + s.firstSample;
  const float* r = b.right.data() + s.firstSample;
  const float* g = m.blockGain.data();
  float* out = m.layoutMix.data() + 2L * s.offset;
  float* sl = m.sendLeft.data() + s.offset;
  float* sr = m.sendRight.data() + s.offset;
  const float rl = b.stereoSource ? pan.rl : 0.0f, rr = b.stereoSource ? pan.rr : 0.0f;
  for (int f = 0; f < s.frames; ++f) {
    const float x = l[f], y = b.stereoSource ? r[f] : 0.0f;
    const float outL = g[f] * (pan.ll * x + rl * y);
    const float outR = g[f] * (pan.lr * x + rr * y);
    if (dry) {
      out[2 * f] += outL;
      out[2 * f + 1] += outR;
    }
    sl[f] += send * outL;
    sr[f] += send * outR;
  }
}

void mixMultichannelBlock(Mixer& m, const RenderedBlock& b, const BlockSpan& s, const StereoGains& pan,
                          const ChannelGains& gains, float share, float send, bool dry) {
  const int n = layoutChannelCount(m.configured.layout);
  const float* l = b.left.data() + s.firstSample;
  const float* r = b.right.data() + s.firstSample;
  const float* g = m.blockGain.data();
  float* out = m.layoutMix.data() + static_cast<long>(s.offset) * n;
  const float direct = 1.0f - share;
  const float rl = b.stereoSource ? pan.rl : 0.0f, rr = b.stereoSource ? pan.rr : 0.0f;
  for (int f = 0; f < s.frames; ++f) {
    const float x = g[f] * l[f], y = b.stereoSource ? g[f] * r[f] : 0.0f;
    if (dry) {
      float* frame = out + static_cast<long>(f) * n;
      for (int c = 0; c < n; ++c) frame[c] += direct * (gains.left[c] * x + gains.right[c] * y);
    }
    const float pl = pan.ll * x + rl * y, pr = pan.lr * x + rr * y;
    m.diffuseLeft[s.offset + f] += share * pl;
    m.diffuseRight[s.offset + f] += share * pr;
    m.sendLeft[s.offset + f] += send * pl;
    m.sendRight[s.offset + f] += send * pr;
  }
}

void addReverbReturn(Mixer& m, int frames) {
  const int n = layoutChannelCount(m.configured.layout);
  float* out = m.layoutMix.data();
  if (n == 2) {
    for (int f = 0; f < frames; ++f) {
      out[2 * f] += m.returnLeft[f];
      out[2 * f + 1] += m.returnRight[f];
    }
    return;
  }
  for (int i = 0; i < kReverbLines; ++i) {
    const auto& g = m.reverbChannelGains[i];
    const float* x = m.reverbChannels[i].data();
    for (int c = 0; c < n; ++c) {
      if (g[c] == 0.0f) continue;
      for (int f = 0; f < frames; ++f) out[static_cast<long>(f) * n + c] += g[c] * x[f];
    }
  }
}

void takePendingSettings(Mixer& m) {
  if (!m.settingsChanged.load(std::memory_order_acquire)) return;
  std::unique_lock lock(m.settingsMutex, std::try_to_lock);
  if (!lock.owns_lock()) return;
  m.active = m.pending;
  m.settingsChanged.store(false, std::memory_order_release);
}

}  // namespace

MixSettings mixSettingsFromSession(const Session& session, float spatialAmount, float spatialDiffuse,
                                   MonitorFormat monitor) {
  MixSettings s;
  s.masterGain = session.masterGain;
  s.busGain = session.groupGain;
  s.busSend.fill(0.0f);
  for (size_t i = 0; i < session.reverb.groupSends.size(); ++i) s.busSend[i] = session.reverb.groupSends[i];
  s.refGain = session.refGain;
  s.reverb = session.reverb;
  s.spatialAmount = spatialAmount;
  s.spatialDiffuse = spatialDiffuse;
  s.monitor = monitor;
  return s;
}

MixerPtr createMixer(int sampleRate, int maxFramesPerCall) {
  MixerPtr m(new Mixer());
  m->sampleRate = std::max(1, sampleRate);
  m->maxFrames = std::max(16, maxFramesPerCall);
  m->reverb = allocateReverb();
  if (!m->reverb) return nullptr;
  initialiseReverb(*m->reverb, m->sampleRate);
  const size_t n = static_cast<size_t>(m->maxFrames);
  m->layoutMix.assign(n * kMaxLayoutChannels, 0.0f);
  m->folded.assign(n * 2, 0.0f);
  for (auto* v : {&m->sendLeft, &m->sendRight, &m->diffuseLeft, &m->diffuseRight, &m->returnLeft, &m->returnRight,
                  &m->blockGain})
    v->assign(n, 0.0f);
  for (auto& v : m->reverbChannels) v.assign(n, 0.0f);
  initialiseMasterStage(m->master, m->sampleRate);
  initialiseGate(m->gate, m->sampleRate, 0.0f);
  m->configured = {SpatialLayout::Surround714, true};  // forces the first configureLayout to run
  configureLayout(*m, MonitorFormat{});
  return m;
}

void destroyMixer(Mixer* mixer) { delete mixer; }

void setMixSettings(Mixer& mixer, const MixSettings& settings) {
  std::lock_guard lock(mixer.settingsMutex);
  mixer.pending = settings;
  mixer.settingsChanged.store(true, std::memory_order_release);
}

void setMixGate(Mixer& mixer, bool open) { mixer.gateOpen.store(open, std::memory_order_relaxed); }

void requestMixReset(Mixer& mixer) { mixer.resetRequested.store(true, std::memory_order_release); }

uint64_t missedBuffers(const Mixer& mixer) { return mixer.missed.load(std::memory_order_relaxed); }

void configureLayout(Mixer& m, MonitorFormat format) {
  if (format.layout == m.configured.layout && format.binaural == m.configured.binaural) return;
  m.configured = format;
  initialiseDiffuseBed(m.bed, format.layout, m.sampleRate);
  initialiseSpeakerFold(m.fold, format.layout, format.binaural, m.sampleRate);
  placeReverbChannels(m);
}

void resetMixerState(Mixer& m) {
  clearReverb(*m.reverb);
  clearDiffuseBed(m.bed);
  clearSpeakerFold(m.fold);
  initialiseMasterStage(m.master, m.sampleRate);
}

void mixLayout(Mixer& m, const RenderCache& cache, int64_t position, int frames, int busFilter, MixPart part) {
  const MixSettings& st = m.active;
  const int n = layoutChannelCount(m.configured.layout);
  const bool multichannel = n > 2;
  std::fill_n(m.layoutMix.begin(), static_cast<size_t>(frames) * n, 0.0f);
  for (auto* v : {&m.sendLeft, &m.sendRight, &m.diffuseLeft, &m.diffuseRight}) std::fill_n(v->begin(), frames, 0.0f);
  const bool dry = part == MixPart::Full;
  const bool reverbOn = st.reverb.enabled;
  const float rate = static_cast<float>(cache.sampleRate);

  for (size_t i = 0; i < cache.blocks.size(); ++i) {
    const RenderedBlock& b = cache.blocks[i];
    if (b.muted || (busFilter >= 0 && b.bus != busFilter)) continue;
    BlockSpan span;
    if (!activeSpan(b, cache.sampleRate, position, frames, span)) continue;
    const float send = reverbOn ? reverbSendLevel(b.reverbSend, b.bus, st.busSend) * kSendScale : 0.0f;
    if (!dry && send == 0.0f) continue;
    const int bus = std::clamp(b.bus, 0, kMaxBusses - 1);
    const float level = b.mixGain * b.normGain * b.eventGain * st.busGain[bus];
    const FadeLengths fades =
        effectiveFades(i < cache.fadeIns.size() ? cache.fadeIns[i] : 0.0f,
                       i < cache.fadeOuts.size() ? cache.fadeOuts[i] : 0.0f, b.duration);
    blockGains(b, fades, level, span.firstSample, span.frames, rate, m.blockGain.data());
    const float amount = panAmount(b.placement, st.spatialAmount);
    const StereoGains pan = stereoPanGains(b.placement.azimuth, b.placement.width, b.stereoSource, amount);
    if (!multichannel) {
      mixStereoBlock(m, b, span, pan, send, dry);
      continue;
    }
    const ChannelGains gains = multichannelGains(m.configured.layout, b.placement, b.stereoSource, amount);
    const float share = st.spatialDiffuse > 0.0f ? diffuseShare(b.placement, st.spatialDiffuse) : 0.0f;
    mixMultichannelBlock(m, b, span, pan, gains, share, send, dry);
  }

  if (reverbOn) {
    setReverbParameters(*m.reverb, st.reverb);
    float* channels[kReverbLines];
    for (int i = 0; i < kReverbLines; ++i) channels[i] = m.reverbChannels[i].data();
    processReverb(*m.reverb, m.sendLeft.data(), m.sendRight.data(), m.returnLeft.data(), m.returnRight.data(),
                  multichannel && dry ? channels : nullptr, frames, kReverbLines);
    if (dry) addReverbReturn(m, frames);
  }
  if (!dry) return;
  if (multichannel && st.spatialDiffuse > 0.0f)
    addDiffuseBed(m.bed, m.diffuseLeft.data(), m.diffuseRight.data(), frames, std::min(1.0f, st.spatialDiffuse),
                  m.layoutMix.data());
  const float master = st.masterGain;
  if (master != 1.0f) {
    for (long i = 0; i < static_cast<long>(frames) * n; ++i) m.layoutMix[i] *= master;
  }
}

void writeOutputChannels(Mixer& m, int frames, float* out, int outChannels) {
  const int n = layoutChannelCount(m.configured.layout);
  const float* src = m.layoutMix.data();
  if (outChannels >= n && !m.configured.binaural) {
    for (int f = 0; f < frames; ++f) {
      float* frame = out + static_cast<long>(f) * outChannels;
      std::memcpy(frame, src + static_cast<long>(f) * n, sizeof(float) * n);
      std::fill(frame + n, frame + outChannels, 0.0f);
    }
    return;
  }
  if (n > 2 || m.configured.binaural) {
    foldToStereo(m.fold, src, frames, m.folded.data());
    src = m.folded.data();
  }
  for (int f = 0; f < frames; ++f) {
    float* frame = out + static_cast<long>(f) * outChannels;
    const float l = src[2 * f], r = src[2 * f + 1];
    if (outChannels == 1) {
      frame[0] = 0.5f * (l + r);
      continue;
    }
    frame[0] = l;
    frame[1] = r;
    std::fill(frame + 2, frame + outChannels, 0.0f);
  }
}

bool renderLiveMix(Mixer& m, const RenderCache& cache, int64_t position, int frames, float* out, int outChannels,
                   const float* refLeft, const float* refRight) {
  if (frames <= 0 || outChannels <= 0) return true;
  takePendingSettings(m);
  configureLayout(m, m.active.monitor);
  if (m.resetRequested.exchange(false, std::memory_order_acq_rel)) resetMixerState(m);

  std::unique_lock lock(cache.mutex, std::defer_lock);
  for (int attempt = 0; attempt < kCacheLockAttempts && !lock.owns_lock(); ++attempt) lock.try_lock();
  const bool gotCache = lock.owns_lock();
  if (!gotCache) m.missed.fetch_add(1, std::memory_order_relaxed);

  const float gateTarget = m.gateOpen.load(std::memory_order_relaxed) ? 1.0f : 0.0f;
  const float refGain = m.active.refGain;
  for (int done = 0; done < frames;) {
    const int chunk = std::min(m.maxFrames, frames - done);
    float* dst = out + static_cast<long>(done) * outChannels;
    if (gotCache) {
      mixLayout(m, cache, position + done, chunk, -1, MixPart::Full);
      writeOutputChannels(m, chunk, dst, outChannels);
    } else {
      std::fill_n(dst, static_cast<long>(chunk) * outChannels, 0.0f);
    }
    if (refLeft || refRight) {
      for (int f = 0; f < chunk; ++f) {
        const float l = refLeft ? refLeft[done + f] : 0.0f, r = refRight ? refRight[done + f] : l;
        float* frame = dst + static_cast<long>(f) * outChannels;
        if (outChannels == 1) {
          frame[0] += refGain * 0.5f * (l + r);
        } else {
          frame[0] += refGain * l;
          frame[1] += refGain * r;
        }
      }
    }
    processMasterStage(m.master, dst, chunk, outChannels, m.active.limiterThreshold);
    applyGate(m.gate, gateTarget, dst, chunk, outChannels);
    done += chunk;
  }
  return gotCache;
}

}  // namespace vn
