#include "tools/demo_synth.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "tools/demo_dsp.h"

namespace vn::tools {
namespace {

using Signal = std::vector<double>;

struct Context {
  const DemoVoice& voice;
  DemoRandom random;
  double rate;
  size_t frames;
};

double TimeOf(const Context& c, size_t i) { return static_cast<double>(i) / c.rate; }

// exp(-t / tau) sample by sample, by one multiplication each.
struct Decay {
  Decay(double tau, double rate) : factor(std::exp(-1.0 / (tau * rate))) {}
  double factor;
  double level = 1.0;
};
double Next(Decay& d) {
  const double value = d.level;
  d.level *= d.factor;
  return value;
}

// A pitched body that drops into its note, and a band of noise for the crack.
Signal Impact(Context& c) {
  const DemoVoice& v = c.voice;
  const double body = v.pitchHz > 0.0 ? v.pitchHz : 60.0 + 140.0 * (1.0 - v.colour);
  const double bodyDecay = 0.06 + 0.25 * (1.0 - v.colour);
  const double crackDecay = 0.015 + 0.05 * v.colour;
  const double crackHz = 600.0 + 5000.0 * v.colour;
  StateVariable crack;
  Tune(crack, crackHz, 0.8, c.rate);
  Signal out(c.frames);
  double phase = 0.0;
  Decay drop(0.03, c.rate), bodyLevel(bodyDecay, c.rate), crackLevel(crackDecay, c.rate);
  for (size_t i = 0; i < c.frames; ++i) {
    phase += kTwoPi * body * (1.0 + 0.6 * Next(drop)) / c.rate;
    const double noise = BandPass(crack, Bipolar(c.random));
    out[i] = 0.8 * Next(bodyLevel) * std::sin(phase) + 1.2 * Next(crackLevel) * noise;
  }
  return out;
}

// A band of noise whose centre rises and falls with the level.
Signal Whoosh(Context& c) {
  const double high = 1500.0 + 5000.0 * c.voice.colour;
  StateVariable band;
  OnePole body = MakeOnePole(300.0, c.rate);
  Signal out(c.frames);
  double level = 0.0;
  for (size_t i = 0; i < c.frames; ++i) {
    if (i % 16 == 0) {  // the sweep is slow: retune now and then
      const double u = static_cast<double>(i) / static_cast<double>(c.frames);
      level = std::pow(std::sin(std::numbers::pi * std::pow(u, 0.8)), 2.0);
      Tune(band, 200.0 * std::pow(high / 200.0, level), 1.2, c.rate);
    }
    const double noise = Bipolar(c.random);
    out[i] = level * (BandPass(band, noise) + 0.8 * LowPass(body, noise));
  }
  return out;
}

// Sum of sin(h * phase) / h for h = 1..6 by the Chebyshev recurrence: one sine
// and one cosine per sample instead of six sines.
double Harmonics(double phase) {
  const double twoCos = 2.0 * std::cos(phase);
  double previous = 0.0, current = std::sin(phase), sum = current;
  for (int h = 2; h <= 6; ++h) {
    const double next = twoCos * current - previous;
    previous = current;
    current = next;
    sum += current / h;
  }
  return sum;
}

// Two slightly detuned harmonic tones under a slowly breathing filter.
Signal Drone(Context& c) {
  const double f = c.voice.pitchHz > 0.0 ? c.voice.pitchHz : 55.0;
  const double fade = std::min(1.0, c.voice.seconds / 4.0);
  OnePole tone = MakeOnePole(900.0 + 1500.0 * c.voice.colour, c.rate);
  Signal out(c.frames);
  double phaseA = 0.0, phaseB = 0.0;
  for (size_t i = 0; i < c.frames; ++i) {
    const double t = TimeOf(c, i);
    phaseA = std::fmod(phaseA + kTwoPi * f / c.rate, kTwoPi);
    phaseB = std::fmod(phaseB + kTwoPi * f * 1.004 / c.rate, kTwoPi);
    const double breath = 1.0 + 0.3 * std::sin(kTwoPi * 0.13 * t);
    const double edges = std::min({1.0, t / fade, (c.voice.seconds - t) / fade});
    out[i] = edges * breath * LowPass(tone, Harmonics(phaseA) + Harmonics(phaseB));
  }
  return out;
}

// Decaying partials at the given ratios and strengths. Each partial is a phasor
// turned and shrunk a little every sample, which needs no sine or exponential.
Signal Partials(Context& c, const double* ratios, const double* gains, size_t count, double decay) {
  const double f = c.voice.pitchHz > 0.0 ? c.voice.pitchHz : 440.0;
  Signal out(c.frames);
  for (size_t p = 0; p < count; ++p) {
    const double hz = f * ratios[p];
    if (hz >= c.rate / 2.0) break;
    const double shrink = std::exp(-1.0 / (decay / std::sqrt(ratios[p]) * c.rate));
    const double turnCos = std::cos(kTwoPi * hz / c.rate), turnSin = std::sin(kTwoPi * hz / c.rate);
    double re = gains[p], im = 0.0;
    for (size_t i = 0; i < c.frames; ++i) {
      out[i] += im;
      const double nextRe = (re * turnCos - im * turnSin) * shrink;
      im = (re * turnSin + im * turnCos) * shrink;
      re = nextRe;
    }
  }
  const size_t attack = static_cast<size_t>(0.002 * c.rate);
  for (size_t i = 0; i < attack && i < c.frames; ++i) out[i] *= static_cast<double>(i) / static_cast<double>(attack);
  return out;
}

Signal TonalHit(Context& c) {
  std::array<double, 6> ratios{}, gains{};
  for (size_t h = 0; h < ratios.size(); ++h) {
    ratios[h] = static_cast<double>(h + 1);
    gains[h] = std::pow(static_cast<double>(h + 1), -(1.5 - c.voice.colour));
  }
  return Partials(c, ratios.data(), gains.data(), ratios.size(), 0.4 + 1.2 * c.voice.colour);
}

Signal Metal(Context& c) {
  static constexpr double kRatios[] = {1.0, 2.756, 5.404, 8.933, 13.344};
  static constexpr double kGains[] = {1.0, 0.7, 0.5, 0.35, 0.25};
  Signal out = Partials(c, kRatios, kGains, 5, 1.2 + 2.0 * c.voice.colour);
  OnePole strike = MakeOnePole(2000.0, c.rate);
  Decay level(0.01, c.rate);
  for (size_t i = 0; i < c.frames && level.level > 1e-6; ++i) {
    out[i] += 0.8 * Next(level) * HighPass(strike, Bipolar(c.random));
  }
  return out;
}

// Shards: short high partials scattered over the first third, after a bright crack.
Signal Glass(Context& c) {
  Signal out(c.frames);
  OnePole crack = MakeOnePole(3000.0, c.rate);
  Decay crackLevel(0.02, c.rate);
  for (size_t i = 0; i < c.frames; ++i) out[i] = 1.2 * Next(crackLevel) * HighPass(crack, Bipolar(c.random));
  for (int shard = 0; shard < 14; ++shard) {
    const double onset = 0.35 * c.voice.seconds * std::pow(Uniform(c.random), 2.0);
    const double hz = 2500.0 + 6500.0 * Uniform(c.random);
    Decay level(0.04 + 0.2 * Uniform(c.random), c.rate);
    const double gain = 0.3 + 0.7 * Uniform(c.random);
    double phase = 0.0;
    for (size_t i = static_cast<size_t>(onset * c.rate); i < c.frames && level.level > 1e-3; ++i) {
      phase += kTwoPi * hz / c.rate;
      out[i] += gain * Next(level) * std::sin(phase);
    }
  }
  return out;
}

// Random pops with a heavy-tailed size: the crackle of fire and sparks.
void AddCrackles(Context& c, Signal& out, double perSecond, double gain) {
  OnePole shape = MakeOnePole(1500.0, c.rate);
  const double fall = std::exp(-1.0 / (0.0015 * c.rate));
  double envelope = 0.0;
  for (size_t i = 0; i < c.frames; ++i) {
    if (Uniform(c.random) < perSecond / c.rate) envelope = 0.2 + 0.8 * std::pow(Uniform(c.random), 3.0);
    envelope *= fall;
    out[i] += gain * envelope * HighPass(shape, Bipolar(c.random));
  }
}

Signal Fire(Context& c) {
  OnePole rumble = MakeOnePole(200.0, c.rate);
  Signal out(c.frames);
  for (size_t i = 0; i < c.frames; ++i) {
    const double sway = 0.7 + 0.3 * std::sin(kTwoPi * 0.3 * TimeOf(c, i));
    out[i] = 2.5 * sway * LowPass(rumble, Bipolar(c.random));
  }
  AddCrackles(c, out, 20.0 + 60.0 * c.voice.colour, 1.5);
  return out;
}

// Bubbles: rising chirps at random times over a soft wash; colour sets the density.
Signal Water(Context& c) {
  struct Bubble {
    size_t start;
    double hz;
  };
  StateVariable wash;
  Tune(wash, 500.0, 0.5, c.rate);
  Signal out(c.frames);
  for (size_t i = 0; i < c.frames; ++i) out[i] = 0.15 * BandPass(wash, Bipolar(c.random));
  const double perSecond = 2.0 + 60.0 * c.voice.colour;
  std::vector<Bubble> bubbles;
  for (size_t i = 0; i < c.frames; ++i) {
    if (Uniform(c.random) < perSecond / c.rate) bubbles.push_back({i, 300.0 + 1200.0 * Uniform(c.random)});
  }
  const size_t length = static_cast<size_t>(0.06 * c.rate);
  for (const Bubble& b : bubbles) {
    double phase = 0.0;
    Decay level(0.015, c.rate);
    for (size_t k = 0; k < length && b.start + k < c.frames; ++k) {
      const double t = static_cast<double>(k) / c.rate;
      phase += kTwoPi * b.hz * (1.0 + 25.0 * t) / c.rate;
      out[b.start + k] += 0.6 * Next(level) * std::sin(phase);
    }
  }
  return out;
}

// Overlapping windowed grains of band-limited noise.
Signal Texture(Context& c) {
  Signal out(c.frames);
  const size_t hop = static_cast<size_t>(0.015 * c.rate);
  for (size_t start = 0; start < c.frames; start += hop) {
    const size_t length = static_cast<size_t>((0.03 + 0.06 * Uniform(c.random)) * c.rate);
    const double centre = 300.0 * std::pow(20.0, c.voice.colour + 0.3 * Bipolar(c.random));
    StateVariable grain;
    Tune(grain, centre, 2.0, c.rate);
    for (size_t k = 0; k < length && start + k < c.frames; ++k) {
      const double window = 0.5 - 0.5 * std::cos(kTwoPi * static_cast<double>(k) / static_cast<double>(length));
      out[start + k] += window * BandPass(grain, Bipolar(c.random));
    }
  }
  return out;
}

void AddBirds(Context& c, Signal& out) {
  for (double at = 0.3 + Uniform(c.random); at < c.voice.seconds - 0.2; at += 0.5 + 1.5 * Uniform(c.random)) {
    const double base = 2500.0 + 1500.0 * Uniform(c.random);
    double phase = 0.0;
    const size_t start = static_cast<size_t>(at * c.rate);
    const size_t length = static_cast<size_t>(0.12 * c.rate);
    for (size_t k = 0; k < length && start + k < c.frames; ++k) {
      const double t = static_cast<double>(k) / c.rate;
      phase += kTwoPi * (base + 700.0 * std::sin(kTwoPi * 18.0 * t)) / c.rate;
      out[start + k] += 0.25 * std::sin(std::numbers::pi * t / 0.12) * std::sin(phase);
    }
  }
}

void AddTraffic(Context& c, Signal& out) {
  for (double at = Uniform(c.random) * 2.0; at < c.voice.seconds; at += 2.5 + 3.0 * Uniform(c.random)) {
    OnePole engine = MakeOnePole(400.0 + 500.0 * Uniform(c.random), c.rate);
    const size_t start = static_cast<size_t>(at * c.rate);
    const size_t length = static_cast<size_t>(3.0 * c.rate);
    for (size_t k = 0; k < length && start + k < c.frames; ++k) {
      const double swell = std::sin(std::numbers::pi * static_cast<double>(k) / static_cast<double>(length));
      out[start + k] += 1.5 * swell * swell * LowPass(engine, Bipolar(c.random));
    }
  }
}

// A dark bed; colour picks the place: a quiet room, a forest with birds or a street.
Signal Ambience(Context& c) {
  OnePole dark = MakeOnePole(300.0, c.rate);
  OnePole air = MakeOnePole(2000.0, c.rate);
  Signal out(c.frames);
  for (size_t i = 0; i < c.frames; ++i) {
    out[i] = 0.6 * LowPass(dark, Bipolar(c.random)) + 0.08 * LowPass(air, Bipolar(c.random));
  }
  if (c.voice.colour >= 0.6) {
    AddTraffic(c, out);
  } else if (c.voice.colour >= 0.3) {
    AddBirds(c, out);
  }
  return out;
}

Signal Zap(Context& c) {
  StateVariable buzzBand;
  Tune(buzzBand, 1500.0, 1.5, c.rate);
  Signal out(c.frames);
  double flicker = 1.0;
  const size_t step = static_cast<size_t>(0.01 * c.rate);
  for (size_t i = 0; i < c.frames; ++i) {
    if (i % step == 0) flicker = 0.2 + 0.8 * Uniform(c.random);
    const double t = TimeOf(c, i);
    const double saw = 2.0 * (60.0 * t - std::floor(60.0 * t)) - 1.0;
    const double edges = std::min({1.0, t / 0.01, (c.voice.seconds - t) / 0.05});
    out[i] = edges * flicker * BandPass(buzzBand, saw);
  }
  AddCrackles(c, out, 150.0, 0.8);
  return out;
}

// Noise through a filter that opens with every gust.
Signal Wind(Context& c) {
  OnePole gustSmoother = MakeOnePole(0.7, c.rate);
  OnePole body = MakeOnePole(300.0, c.rate);
  StateVariable whistle;
  Signal out(c.frames);
  double target = 0.5;
  const size_t step = static_cast<size_t>(0.5 * c.rate);
  gustSmoother.state = 0.5;
  for (size_t i = 0; i < c.frames; ++i) {
    if (i % step == 0) target = Uniform(c.random);
    const double gust = LowPass(gustSmoother, target);
    if (i % 16 == 0) {
      body.coefficient = 1.0 - std::exp(-kTwoPi * (250.0 + 900.0 * gust) / c.rate);
      Tune(whistle, 600.0 + 900.0 * gust, 8.0, c.rate);
    }
    const double noise = Bipolar(c.random);
    out[i] = (0.3 + 0.7 * gust) * (LowPass(body, noise) + 0.1 * BandPass(whistle, noise));
  }
  return out;
}

Signal Footsteps(Context& c) {
  Signal out(c.frames);
  OnePole grit = MakeOnePole(1500.0, c.rate);
  for (double at = 0.1; at < c.voice.seconds - 0.2; at += 0.45 + 0.1 * Uniform(c.random)) {
    const double body = 80.0 + 30.0 * Uniform(c.random);
    for (double part : {0.0, 0.03}) {
      const size_t start = static_cast<size_t>((at + part) * c.rate);
      Decay thud(0.04, c.rate), scrape(0.025, c.rate);
      for (size_t k = 0; start + k < c.frames && k < static_cast<size_t>(0.2 * c.rate); ++k) {
        const double t = static_cast<double>(k) / c.rate;
        out[start + k] += (part == 0.0 ? 1.0 : 0.6) * (Next(thud) * std::sin(kTwoPi * body * t) +
                                                       0.5 * Next(scrape) * HighPass(grit, Bipolar(c.random)));
      }
    }
  }
  return out;
}

Signal Explosion(Context& c) {
  OnePole tail = MakeOnePole(5000.0, c.rate);
  Signal out(c.frames);
  double phase = 0.0;
  Decay drop(0.08, c.rate), closing(0.4, c.rate), boom(0.6, c.rate), rumble(1.2, c.rate);
  for (size_t i = 0; i < c.frames; ++i) {
    phase += kTwoPi * 38.0 * (1.0 + 1.1 * Next(drop)) / c.rate;
    const double cutoff = 200.0 + 4800.0 * Next(closing);
    if (i % 16 == 0) tail.coefficient = 1.0 - std::exp(-kTwoPi * cutoff / c.rate);
    out[i] = Next(boom) * std::sin(phase) + 1.5 * Next(rumble) * LowPass(tail, Bipolar(c.random));
  }
  AddCrackles(c, out, 12.0, 0.3);
  return out;
}

Signal Click(Context& c) {
  StateVariable tick;
  Tune(tick, 3000.0 + 3000.0 * c.voice.colour, 1.0, c.rate);
  Signal out(c.frames);
  Decay noise(0.002, c.rate), blip(0.004, c.rate);
  for (size_t i = 0; i < c.frames; ++i) {
    out[i] =
        Next(noise) * BandPass(tick, Bipolar(c.random)) + 0.5 * Next(blip) * std::sin(kTwoPi * 2000.0 * TimeOf(c, i));
  }
  return out;
}

Signal Generate(Context& c) {
  switch (c.voice.kind) {
    case DemoKind::Impact: return Impact(c);
    case DemoKind::Whoosh: return Whoosh(c);
    case DemoKind::Drone: return Drone(c);
    case DemoKind::TonalHit: return TonalHit(c);
    case DemoKind::Metal: return Metal(c);
    case DemoKind::Glass: return Glass(c);
    case DemoKind::Fire: return Fire(c);
    case DemoKind::Water: return Water(c);
    case DemoKind::Texture: return Texture(c);
    case DemoKind::Ambience: return Ambience(c);
    case DemoKind::Zap: return Zap(c);
    case DemoKind::Wind: return Wind(c);
    case DemoKind::Footsteps: return Footsteps(c);
    case DemoKind::Explosion: return Explosion(c);
    case DemoKind::Click: return Click(c);
  }
  return {};
}

Signal GenerateWithSeed(const DemoVoice& voice, uint64_t seed) {
  Context c{voice, DemoRandom{seed}, static_cast<double>(voice.sampleRate),
            static_cast<size_t>(std::max(voice.seconds, 0.0) * voice.sampleRate)};
  return Generate(c);
}

bool IsNoisy(DemoKind kind) {
  switch (kind) {
    case DemoKind::Fire:
    case DemoKind::Water:
    case DemoKind::Texture:
    case DemoKind::Ambience:
    case DemoKind::Wind: return true;
    default: return false;
  }
}

// A whoosh travels from left to right; noisy beds get a take of their own per
// side; other sounds sit in the middle.
std::vector<Signal> Stereo(const DemoVoice& voice, const Signal& main) {
  if (IsNoisy(voice.kind)) return {main, GenerateWithSeed(voice, voice.seed * 31 + 7)};
  Signal left(main.size()), right(main.size());
  for (size_t i = 0; i < main.size(); ++i) {
    const double position = voice.kind == DemoKind::Whoosh ? static_cast<double>(i) / main.size() : 0.5;
    left[i] = main[i] * std::cos(position * std::numbers::pi / 2.0);
    right[i] = main[i] * std::sin(position * std::numbers::pi / 2.0);
  }
  return {left, right};
}

// L R C LFE Ls Rs, or the first three of them (multi-mono sets of three).
std::vector<Signal> Surround(const DemoVoice& voice, const Signal& main) {
  std::vector<Signal> out{GenerateWithSeed(voice, voice.seed * 31 + 1), GenerateWithSeed(voice, voice.seed * 31 + 2),
                          main};
  if (voice.channels == 3) return out;
  Signal lfe(main.size());
  OnePole low = MakeOnePole(120.0, voice.sampleRate);
  for (size_t i = 0; i < main.size(); ++i) lfe[i] = 2.0 * LowPass(low, main[i]);
  out.push_back(lfe);
  for (uint64_t side : {3u, 4u}) {
    Signal rear = GenerateWithSeed(voice, voice.seed * 31 + side);
    for (double& x : rear) x *= 0.5;
    out.push_back(rear);
  }
  return out;
}

}  // namespace

std::vector<std::vector<float>> SynthesiseVoice(const DemoVoice& voice) {
  const Signal main = GenerateWithSeed(voice, voice.seed);
  std::vector<Signal> channels;
  if (voice.channels == 2) {
    channels = Stereo(voice, main);
  } else if (voice.channels == 3 || voice.channels == 6) {
    channels = Surround(voice, main);
  } else {
    channels.assign(static_cast<size_t>(std::max(voice.channels, 1)), main);
  }

  double peak = 0.0;
  for (const Signal& s : channels) {
    for (double x : s) peak = std::max(peak, std::fabs(x));
  }
  DemoRandom levels{voice.seed ^ 0x5eedULL};
  const double scale = peak > 0.0 ? (0.5 + 0.4 * Uniform(levels)) / peak : 0.0;
  std::vector<std::vector<float>> out;
  for (const Signal& s : channels) {
    std::vector<float>& channel = out.emplace_back(s.size());
    for (size_t i = 0; i < s.size(); ++i) channel[i] = static_cast<float>(s[i] * scale);
  }
  return out;
}

}  // namespace vn::tools
