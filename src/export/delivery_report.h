#pragma once
// The texts of the delivery: the report written beside a delivery, and the
// bus panel's summary and tooltip of a declaration.
#include <string>

#include "export/delivery_fit.h"

namespace vn {

// "2 x stereo + FX 1 x mono": each slot as its label (and a space), count and format.
std::string busDeclarationSummary(const Bus& bus);
// The summary followed by what the fit made of the bus: ",  3 used → 2 folds, 1 OUT".
std::string busPanelSummary(const Bus& bus, const BusFit& fit);
// The tooltip's warning for layers that won't fit, then the preview hint.
std::string busTooltipTail(const BusFit& fit);

std::string keepSourceChannelsReport(int tracks);
std::string noDeclarationsReport(int tracks);
// A fit that did not line up with the session's layers, which then ships as it is.
std::string unfittedReport(int tracks);
// The full report of a conformed delivery.
std::string deliveryReport(const Session& session, const DeliveryResult& result);

}  // namespace vn
