#include "build_fixtures.h"

#include <sndfile.h>

#include <cmath>
#include <vector>

namespace vn::test {

LibraryRecord referenceRecord(const std::string& name) {
  LibraryRecord r;
  r.name = name;
  r.path = "/sounds/" + name + ".wav";
  r.bandShare = {0.05f, 0.25f, 0.45f, 0.2f, 0.05f};
  r.brightness = 0.6f;
  r.duration = 2.0f;
  r.crestDb = 9.0f;
  r.spectralFlux = 0.2f;
  r.temporalCentroid = 0.3f;
  r.inharmonicity = 0.1f;
  r.zeroCrossRate = 0.2f;
  r.harmonicRatio = 0.4f;
  r.flatness = 0.3f;
  r.pitchConfidence = 0.6f;
  return r;
}

Library syntheticLibrary(const TempDir& dir, const std::string& name, int count, const std::string& stem) {
  Library lib;
  lib.name = name;
  lib.folder = dir.path();
  for (int i = 0; i < count; ++i) {
    LibraryRecord r = referenceRecord(stem + "_" + std::to_string(i));
    r.path = dir.file(name + "_" + r.name + ".wav");
    writeAll(r.path, "");
    // Spread the records over the spectrum and over lengths, so that every
    // weight and duration finds something.
    const float x = count > 1 ? static_cast<float>(i) / static_cast<float>(count - 1) : 0.5f;
    for (int b = 0; b < 5; ++b) r.bandShare[b] = 0.05f + std::exp(-8.0f * (0.1f + 0.2f * b - x) * (0.1f + 0.2f * b - x));
    r.brightness = 0.1f + 0.8f * x;
    r.duration = 0.5f + static_cast<float>(i % 7);
    r.onsetPosition = 0.02f * static_cast<float>(i % 3);
    r.peakPosition = 0.1f;
    r.attackTime = 0.01f;
    r.fileId = "id" + std::to_string(i);
    lib.records.push_back(r);
  }
  return lib;
}

void writeBurstWav(const std::string& path, float seconds, float onsetSeconds) {
  SF_INFO info{};
  info.samplerate = 48000;
  info.channels = 1;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
  const int frames = static_cast<int>(seconds * 48000.0f);
  std::vector<float> samples(frames, 0.0f);
  for (int i = static_cast<int>(onsetSeconds * 48000.0f); i < frames; ++i)
    samples[i] = 0.5f * std::sin(0.05f * static_cast<float>(i)) * std::exp(-2.0f * (i / 48000.0f - onsetSeconds));
  sf_writef_float(f, samples.data(), frames);
  sf_close(f);
}

Event eventAt(float time, float duration, ShapeType shape, const std::string& keywords) {
  Event ev;
  ev.time = time;
  ev.duration = duration;
  ev.shape = shape;
  ev.keywords = keywords;
  return ev;
}

}  // namespace vn::test
