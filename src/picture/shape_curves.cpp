#include "picture/shape_curves.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vn {

void BuildShapeCurves(ShapeType shape, float syncFraction, float weightCenter, float spread, Curve& weight,
                      Curve& intensity) {
  const float sync = std::clamp(std::isfinite(syncFraction) ? syncFraction : 0.5f, 0.0f, 1.0f);
  const float s = std::clamp(std::isfinite(spread) ? spread : 0.3f, 0.0f, 1.0f);
  weight.fill(std::clamp(std::isfinite(weightCenter) ? weightCenter : 0.3f, 0.0f, 1.0f));
  const float last = static_cast<float>(kCurvePoints - 1);
  for (int i = 0; i < kCurvePoints; ++i) {
    const float x = i / last;
    float v = 1.0f;
    if (shape == ShapeType::Spot) {
      // A quick rise into the sync point, then a decay that a wider spread slows.
      if (x < sync) v = std::pow(x / sync, 2.0f);
      else if (sync < 1.0f) v = std::exp(-(x - sync) / (1.0f - sync) * (5.0f - 3.0f * s));
    } else {
      // Half a raised cosine up to the sync point and half down after it; the
      // spread keeps a floor under the ends.
      const float phase = x < sync ? (sync > 0.0f ? x / sync : 1.0f) : (sync < 1.0f ? (1.0f - x) / (1.0f - sync) : 1.0f);
      const float swell = 0.5f - 0.5f * std::cos(std::numbers::pi_v<float> * phase);
      const float floor = 0.5f * s;
      v = floor + (1.0f - floor) * swell;
    }
    intensity[i] = std::clamp(v, 0.0f, 1.0f);
  }
}

}  // namespace vn
