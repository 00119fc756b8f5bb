#include "builder/layering.h"

namespace vn {

void runLayeringPasses(Session& session, bool protectSilencePref, bool destructiveEQ) {
  if (protectSilencePref) protectSilence(session);
  duckDensity(session);
  staggerAndDeconflict(session);
  if (destructiveEQ) {
    carveSpectrum(session);
  } else {
    for (auto& l : session.results) l.eqGains.reset();  // no carving is left from an earlier run
  }
}

}  // namespace vn
