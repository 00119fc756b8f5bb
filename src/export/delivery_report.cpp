#include "export/delivery_report.h"

#include "export/delivery_traits.h"
#include "platform/text.h"
#include "render/spatial_layout.h"

namespace vn {

std::string busDeclarationSummary(const Bus& bus) {
  std::string out;
  for (const BusSlot& slot : bus.slots) {
    if (!out.empty()) out += " + ";
    const std::string label = slot.label.empty() ? std::string() : slot.label + " ";
    out += format("%s%d x %s", label.c_str(), slot.count, channelFormatName(slot.fmt));
  }
  return out;
}

std::string busPanelSummary(const Bus& bus, const BusFit& fit) {
  std::string out = busDeclarationSummary(bus);
  if (fit.notFitting > 0) {
    out += format(",  %d used \u2192 %d fold%s, %d OUT", fit.used, fit.folds, plural(fit.folds), fit.notFitting);
  } else if (fit.folds > 0) {
    out += format(",  %d used \u2192 %d fold%s", fit.used, fit.folds, plural(fit.folds));
  } else {
    out += format(",  %d used", fit.used);
  }
  return out;
}

std::string busTooltipTail(const BusFit& fit) {
  if (fit.notFitting <= 0) return "\n\nClick to preview the delivery";
  return format("\n\n%d layer%s won't fit - add tracks.\nClick to preview the delivery", fit.notFitting,
                plural(fit.notFitting));
}

std::string keepSourceChannelsReport(int tracks) {
  return "Delivery: Channels = \"Keep source channels\" - every layer ships with its own channels, at full width (" +
         std::to_string(tracks) +
         " tracks). Nothing folded, nothing converted. Bus declarations apply to \"Conform to layout\" deliveries "
         "and are not used by this export.\n";
}

std::string noDeclarationsReport(int tracks) {
  return "Delivery: no bus declares tracks - the session ships at full width (" + std::to_string(tracks) +
         " tracks).\n";
}

std::string unfittedReport(int tracks) {
  return "Delivery: the fit to the declared tracks did not line up with the session's layers - the session ships "
         "unfitted, at full width (" +
         std::to_string(tracks) + " tracks).\n";
}

std::string deliveryReport(const Session& session, const DeliveryResult& result) {
  const TrackLayout& layout = session.trackLayout;
  int declaring = 0;
  for (const BusFit& b : result.busses) declaring += b.declares ? 1 : 0;
  std::string out = format("Delivery: %d bus%s declare%s tracks\n", declaring, declaring == 1 ? "" : "ses",
                           declaring == 1 ? "s" : "");
  out += format("Session %d tracks -> delivery %d tracks, %d fold%s\n\n", result.tracksBefore, result.tracksAfter,
                result.folds, plural(result.folds));
  out += "Busses\n";
  for (int k = 0; k < static_cast<int>(result.busses.size()); ++k) {
    const int bus = layout.busOrder[k];
    if (bus < 0 || bus >= static_cast<int>(result.busses.size())) continue;
    const BusFit& fit = result.busses[bus];
    const Bus& b = layout.busses[bus];
    if (fit.declares) {
      out += format("  %-20s declares %-24s  %d used\n", b.name.c_str(), busDeclarationSummary(b).c_str(), fit.used);
    } else {
      out += format("  %-20s free  (%d track%s, as the session)\n", b.name.c_str(), fit.sessionTracks,
                    plural(fit.sessionTracks));
    }
  }
  if (!result.comps.empty()) {
    out += "\nFolds\n";
    for (const FoldComp& comp : result.comps) {
      out += format("  %s  (%s, %d layers)\n", comp.name.c_str(), foldReasonText(comp.reason),
                    static_cast<int>(comp.members.size()));
      for (int m : comp.members) {
        const Layer& l = session.results[m];
        out += format("      %-40s  %7.2fs  %5.2fs\n", l.name.c_str(), deliveryStart(l), l.duration);
      }
    }
    out += "\nEvery folded clip carries the Revert-to-Source manifest of its\nmembers, so it can be exploded back "
           "into them - in-project, or from\nthe exported BWAV after a round trip through Pro Tools.\n";
  }
  if (result.notFitting > 0) {
    out += format("\n*** WARNING: %d layer%s could not be placed and are NOT in this\ndelivery. Raise the declaration "
                  "on the bus that is full, or bounce\nevents together on the timeline.\n",
                  result.notFitting, plural(result.notFitting));
  }
  return out;
}

}  // namespace vn
