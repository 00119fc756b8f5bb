#include "update/update_check.h"

#include <chrono>
#include <cstdlib>
#include <thread>

#include "core/preferences.h"
#include "platform/log.h"
#include "platform/paths.h"
#include "update/https_get.h"
#include "update/version_compare.h"

namespace vn {
namespace {

bool isHttpsAddress(const std::string& url) { return url.size() > 8 && url.compare(0, 8, "https://") == 0; }

void logSkip(const ReleaseManifest& manifest) {
  switch (manifest.status) {
    case ManifestStatus::NotJson:
    case ManifestStatus::MissingSchema: logErrLine("[Update] manifest missing schemaVersion - skipping.\n"); break;
    case ManifestStatus::SchemaTooNew:
      logErrLine("[Update] manifest schemaVersion %d > supported %d - skipping.\n", manifest.schemaVersion,
                 kManifestSchemaVersion);
      break;
    case ManifestStatus::NoPlatform: logErrLine("[Update] no release found for platform \"%s\".\n", kUpdatePlatform); break;
    case ManifestStatus::NoVersion: logErrLine("[Update] manifest names no version - skipping.\n"); break;
    case ManifestStatus::Release: break;
  }
}

void clearOffer(Preferences& prefs) {
  prefs.updateAvailableVersion.clear();
  prefs.updateAvailablePageUrl.clear();
  prefs.updateAvailableDate.clear();
  prefs.updateAvailableNotes.clear();
}

}  // namespace

UpdateCheckSettings updateCheckSettingsFromEnvironment() {
  UpdateCheckSettings settings;
  if (const char* url = std::getenv("VN_UPDATE_URL"); url && *url) settings.manifestUrl = url;
  if (const char* ca = std::getenv("VN_UPDATE_CA_FILE"); ca && *ca) settings.caFile = ca;
  settings.runningVersion = programVersion();
  return settings;
}

UpdateCheckResult RunUpdateCheck(const UpdateCheckSettings& settings, const std::atomic<bool>* cancel) {
  UpdateCheckResult result;
  if (!isHttpsAddress(settings.manifestUrl)) {
    result.error = "the address \"" + settings.manifestUrl + "\" is not an https:// address";
    return result;
  }
  HttpsGetOptions options;
  options.connectTimeoutMs = settings.connectTimeoutMs;
  options.totalTimeoutMs = settings.totalTimeoutMs;
  options.caFile = settings.caFile;
  options.cancel = cancel;
  options.userAgent = "Varnel/" + settings.runningVersion + " (" + kUpdatePlatform + ")";
  const HttpsResponse response = httpsGet(settings.manifestUrl, options);
  result.httpStatus = response.status;
  if (!response.transportOk) {
    result.error = response.error;
    return result;
  }
  if (response.status < 200 || response.status > 299) {
    result.outcome = UpdateOutcome::HttpFailure;
    return result;
  }
  result.manifest = readReleaseManifest(response.body);
  if (result.manifest.status != ManifestStatus::Release) {
    logSkip(result.manifest);
    result.outcome = UpdateOutcome::BadManifest;
    return result;
  }
  const bool newer = CompareVersions(result.manifest.release.version, settings.runningVersion) > 0;
  result.outcome = newer ? UpdateOutcome::Newer : UpdateOutcome::UpToDate;
  return result;
}

bool applyUpdateResult(Preferences& prefs, const UpdateCheckResult& result) {
  if (result.outcome == UpdateOutcome::UpToDate) {
    const bool had = !prefs.updateAvailableVersion.empty();
    clearOffer(prefs);
    return had;
  }
  if (result.outcome != UpdateOutcome::Newer) return false;
  const ReleaseOffer& offer = result.manifest.release;
  prefs.updateAvailableVersion = offer.version;
  prefs.updateAvailablePageUrl = offer.pageUrl;
  prefs.updateAvailableDate = offer.date;
  prefs.updateAvailableNotes = offer.notes;
  return true;
}

std::optional<ReleaseOffer> visibleOffer(const Preferences& prefs) {
  if (prefs.updateAvailableVersion.empty() || prefs.updateAvailableVersion == prefs.dismissedUpdateVersion)
    return std::nullopt;
  return ReleaseOffer{prefs.updateAvailableVersion, prefs.updateAvailablePageUrl, prefs.updateAvailableDate,
                      prefs.updateAvailableNotes};
}

void dismissOffer(Preferences& prefs) { prefs.dismissedUpdateVersion = prefs.updateAvailableVersion; }

bool automaticCheckDue(const Preferences& prefs, long long now) {
  if (!prefs.updateCheckEnabled) return false;
  return now - prefs.lastUpdateCheck >= kAutomaticCheckInterval || prefs.lastUpdateCheck > now;
}

bool StartUpdateCheck(const std::shared_ptr<UpdateCheckChannel>& channel, UpdateCheckSettings settings) {
  bool idle = false;
  if (!channel->running.compare_exchange_strong(idle, true)) return false;
  channel->cancel = false;
  std::thread([channel, settings = std::move(settings)] {
    UpdateCheckResult result = RunUpdateCheck(settings, &channel->cancel);
    {
      std::lock_guard lock(channel->mutex);
      channel->result = std::move(result);
    }
    channel->resultReady = true;
    channel->running = false;
  }).detach();
  return true;
}

bool StopUpdateCheck(UpdateCheckChannel& channel, int waitMs) {
  channel.cancel = true;
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
  while (channel.running.load() && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return !channel.running.load();
}

std::optional<UpdateCheckResult> takeUpdateResult(UpdateCheckChannel& channel) {
  if (!channel.resultReady.exchange(false)) return std::nullopt;
  std::lock_guard lock(channel.mutex);
  return std::move(channel.result);
}

}  // namespace vn
