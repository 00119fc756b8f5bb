#pragma once
// Records, libraries and sessions for the build engine's tests.
#include <string>
#include <vector>

#include "core/session.h"
#include "library/library.h"
#include "support/temp_dir.h"

namespace vn::test {

// The reference record of the scoring figures: shares 0.05 0.25 0.45 0.2 0.05,
// brightness 0.6, 2 s, crest 9 dB, flux 0.2, energy centre 0.3, inharmonicity
// 0.1, zero crossings 0.2, harmonic ratio 0.4, flatness 0.3, pitch confidence 0.6.
LibraryRecord referenceRecord(const std::string& name = "Reference");

// A Library of `count` varied records whose files exist (empty) in dir, so that
// the build accepts them. Names are "<stem>_<i>".
Library syntheticLibrary(const TempDir& dir, const std::string& name, int count, const std::string& stem = "Sound");

// A mono 48 kHz WAV of silence with a burst starting at onsetSeconds.
void writeBurstWav(const std::string& path, float seconds, float onsetSeconds);

Event eventAt(float time, float duration, ShapeType shape, const std::string& keywords = {});

}  // namespace vn::test
