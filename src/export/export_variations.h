#pragma once
// Export Variations: takes of the selected events, each built afresh against the
// Libraries, rendered on its own at the variation settings, peak-normalised and
// written with its own recipe, so a designer can hand over several versions of one
// sound.
#include <functional>
#include <string>
#include <vector>

#include "core/preferences.h"
#include "core/session.h"

namespace vn {

struct VariationWatch {
  // done takes of total; name: the take being made.
  std::function<void(int done, int total, const std::string& name)> progress;
  std::function<bool()> cancelled;
};

struct VariationRun {
  std::vector<std::string> written;  // in the order they were made
  std::string failure;               // the first take that could not be written, and why
  bool cancelled = false;
  std::string resultText;
};

// Takes k = 1..varCount of every event in events (session positions) into folder,
// named "<base>_<k>[_reverb].wav" after each event's recipe name; events of the same
// name get " 2", " 3"... The settings are the var* keys of prefs.
VariationRun exportVariations(const Session& session, const std::vector<int>& events, const Preferences& prefs,
                              const std::string& folder, const VariationWatch& watch = {});

}  // namespace vn
