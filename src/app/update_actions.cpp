#include "app/update_actions.h"

#include <ctime>

#include "app/app_state.h"
#include "app/desktop_open.h"
#include "update/update_check.h"

namespace vn {
namespace {

long long wallClock() { return static_cast<long long>(std::time(nullptr)); }

bool isWebAddress(const std::string& url) {
  return url.rfind("https://", 0) == 0 || url.rfind("http://", 0) == 0;
}

}  // namespace

void checkForUpdatesNow(AppState& app) {
  if (!StartUpdateCheck(app.updateCheck.channel, app.updateSettings)) return;
  app.prefs.lastUpdateCheck = wallClock();
  app.preferencesChanged = true;
}

void tickUpdateCheck(AppState& app) {
  if (const std::optional<UpdateCheckResult> result = takeUpdateResult(*app.updateCheck.channel)) {
    applyUpdateResult(app.prefs, *result);
    app.preferencesChanged = true;
  }
  if (!updateCheckRunning(app) && automaticCheckDue(app.prefs, wallClock())) checkForUpdatesNow(app);
}

bool updateCheckRunning(const AppState& app) { return app.updateCheck.channel->running.load(); }

void finishUpdateCheck(AppState& app) {
  // libcurl looks at the stop request about once a second.
  StopUpdateCheck(*app.updateCheck.channel, 2500);
  if (const std::optional<UpdateCheckResult> result = takeUpdateResult(*app.updateCheck.channel))
    applyUpdateResult(app.prefs, *result);
}

void viewUpdate(AppState& app) {
  const std::optional<ReleaseOffer> offer = visibleOffer(app.prefs);
  if (!offer) return;
  // Only a web page is handed to the opener, whatever the manifest said.
  if (!isWebAddress(offer->pageUrl)) {
    setStatus(app, "The release names no web page to open");
    return;
  }
  setStatus(app, openWithDesktop(offer->pageUrl) ? "Opened the release page"
                                                 : "Could not open the release page: " + offer->pageUrl);
}

void dismissUpdate(AppState& app) {
  if (!visibleOffer(app.prefs)) return;
  dismissOffer(app.prefs);
  app.preferencesChanged = true;
}

}  // namespace vn
