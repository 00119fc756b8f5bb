#include "core/session.h"

namespace vn {

const char* shapeName(ShapeType shape) {
  switch (shape) {
    case ShapeType::Spot: return "Spot";
    case ShapeType::Bloom: return "Bloom";
    case ShapeType::Contour: return "Contour";
    case ShapeType::Fill: return "Fill";
    case ShapeType::Scatter: return "Scatter";
    case ShapeType::Clip: return "Clip";
    case ShapeType::Bed: return "Bed";
  }
  return "Spot";
}

bool isAlwaysLocked(ShapeType shape) { return shape == ShapeType::Clip || shape == ShapeType::Bed; }

std::array<Bus, kMaxBusses> defaultBusses() {
  std::array<Bus, kMaxBusses> busses{};
  for (int i = 0; i < kMaxBusses; ++i) {
    busses[i].busId = i;
    busses[i].colorIdx = i;
  }
  // The default shape homes send Fill and Bed to bus 0, Spot and Clip to bus 1,
  // Bloom and Contour to bus 2.
  busses[0].name = "Backgrounds";
  busses[1].name = "Spots";
  busses[2].name = "Design";
  return busses;
}

std::array<int, kMaxBusses> identityBusOrder() {
  std::array<int, kMaxBusses> order{};
  for (int i = 0; i < kMaxBusses; ++i) order[i] = i;
  return order;
}

}  // namespace vn
