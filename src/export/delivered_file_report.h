#pragma once
// The inspection record of a delivered file as text for a person and as one JSON
// object for a script; both carry the same facts.
#include <string>
#include <vector>

#include "export/delivered_file_inspect.h"

namespace vn {

// Said of a file that carries neither payload.
constexpr const char* kNoPayloadsNote = "No recipe or manifest in this file.";

// Lines without line ends.
std::vector<std::string> deliveredFileLines(const DeliveredFileReport& report);

std::string deliveredFileJson(const DeliveredFileReport& report);

// A layer's static gain (layer, user volume and normalisation) in dB.
double layerGainDb(const Layer& layer);

}  // namespace vn
