#pragma once
// A Recipe is the design of one event saved under a name, to be applied to other
// events or placed anew; a Chain is a Group of events saved with their times
// relative to the earliest of them, to be placed again as a whole.
#include <string>
#include <vector>

#include "core/session.h"

namespace vn {

constexpr int kPresetFormatVersion = 1;

struct Recipe {
  std::string name;  // capacity cap::kPresetName
  std::string createdBy;
  int formatVersion = kPresetFormatVersion;
  Event event;  // the saved design; its time is not part of the recipe
};

struct ChainEvent {
  float relTime = 0.0f;  // seconds after the earliest event of the chain
  Event event;
};

struct Chain {
  std::string name;  // the Group's name
  std::string createdBy;
  int formatVersion = kPresetFormatVersion;
  std::vector<ChainEvent> events;
};

}  // namespace vn
