#pragma once
// The events the user has selected; the inspector shows the primary one.
#include <set>

namespace vn {

struct Selection {
  std::set<int> events;
  int primary = -1;
};

inline void selectOnly(Selection& selection, int event) {
  selection.events.clear();
  selection.primary = event;
  if (event >= 0) selection.events.insert(event);
}

inline void toggleSelected(Selection& selection, int event) {
  if (selection.events.erase(event)) {
    if (selection.primary == event)
      selection.primary = selection.events.empty() ? -1 : *selection.events.begin();
  } else {
    selection.events.insert(event);
    selection.primary = event;
  }
}

// Drops indices at or beyond eventCount (after an undo or a delete).
inline void clampSelection(Selection& selection, int eventCount) {
  selection.events.erase(selection.events.lower_bound(eventCount), selection.events.end());
  if (selection.primary >= eventCount) selection.primary = selection.events.empty() ? -1 : *selection.events.begin();
}

}  // namespace vn
