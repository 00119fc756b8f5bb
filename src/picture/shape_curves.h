#pragma once
// The weight and intensity curves an event of a shape starts with.
#include "core/session.h"

namespace vn {

// syncFraction: where in the event its sync point lies (0..1). The weight sits at
// the weight centre; the intensity peaks at the sync point: a Spot attacks there
// and decays, other shapes swell towards it and ebb after it, the wider the
// larger the spread.
void BuildShapeCurves(ShapeType shape, float syncFraction, float weightCenter, float spread, Curve& weight,
                      Curve& intensity);

}  // namespace vn
