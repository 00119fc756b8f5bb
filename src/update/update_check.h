#pragma once
// The update check: fetches the release manifest, compares its newest release for
// this platform with the running version, and keeps an offer in the preferences.
// It never downloads or installs anything.
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "update/release_manifest.h"

namespace vn {

struct Preferences;

// Where the manifest is asked for when VN_UPDATE_URL does not say otherwise.
constexpr const char* kDefaultManifestUrl = "https://releases.varnel.org/manifest.json";
// Automatic checks come at most this often.
constexpr long long kAutomaticCheckInterval = 86400;

struct UpdateCheckSettings {
  std::string manifestUrl = kDefaultManifestUrl;
  std::string runningVersion;
  std::string caFile;  // extra trusted certificates (a private test or mirror server); empty for none
  long connectTimeoutMs = 5000;
  long totalTimeoutMs = 15000;
};

// The built-in address replaced by VN_UPDATE_URL, trust extended by VN_UPDATE_CA_FILE,
// and the version of this build.
UpdateCheckSettings updateCheckSettingsFromEnvironment();

enum class UpdateOutcome {
  Newer,         // offer holds a newer release
  UpToDate,      // the manifest's newest release is not newer than the running one
  NoAnswer,      // transport failure: no connection, time-out, certificate refused
  HttpFailure,   // an answer outside 200..299
  BadManifest,   // the manifest could not be used (manifest.status says why)
};

struct UpdateCheckResult {
  UpdateOutcome outcome = UpdateOutcome::NoAnswer;
  ReleaseManifest manifest;  // what was read, for Newer, UpToDate and BadManifest
  long httpStatus = 0;
  std::string error;  // the transport's reason, for NoAnswer
};

// Runs one check in the calling thread: fetch, then the manifest rules with their
// log lines. Does not touch the preferences. A cancel flag that becomes true ends the
// exchange as a transport failure.
UpdateCheckResult RunUpdateCheck(const UpdateCheckSettings& settings, const std::atomic<bool>* cancel = nullptr);

// The offer kept in the preferences: a newer release stores it, an up-to-date answer
// clears it, and a failure leaves it as it was. True when the preferences changed.
bool applyUpdateResult(Preferences& prefs, const UpdateCheckResult& result);

// The offer the Settings panel shows: none when nothing is known or the user dismissed it.
std::optional<ReleaseOffer> visibleOffer(const Preferences& prefs);
// Hides the offer now shown until a later release comes.
void dismissOffer(Preferences& prefs);

// True when an automatic check is allowed and the last one started a day or more ago
// (or, after the clock was set back, in the future).
bool automaticCheckDue(const Preferences& prefs, long long now);

// A check running on its own thread hands its result over through this.
struct UpdateCheckChannel {
  std::atomic<bool> running{false};
  std::atomic<bool> resultReady{false};
  std::atomic<bool> cancel{false};
  std::mutex mutex;
  UpdateCheckResult result;
};

// Starts RunUpdateCheck on a detached thread and returns at once; false (and nothing
// started) while an earlier check on the channel still runs. The thread shares the
// channel, so the caller may drop it at any time.
bool StartUpdateCheck(const std::shared_ptr<UpdateCheckChannel>& channel, UpdateCheckSettings settings);
// Asks a running check to end and waits up to waitMs for it; true when none runs any more.
bool StopUpdateCheck(UpdateCheckChannel& channel, int waitMs);
// The result of a finished check, once.
std::optional<UpdateCheckResult> takeUpdateResult(UpdateCheckChannel& channel);

// The channel of one owner (the window). When the owner ends, a check still out is
// stopped, so that it never runs on while the process tears down the TLS library.
struct UpdateCheckHandle {
  std::shared_ptr<UpdateCheckChannel> channel = std::make_shared<UpdateCheckChannel>();
  UpdateCheckHandle() = default;
  UpdateCheckHandle(const UpdateCheckHandle&) = delete;
  UpdateCheckHandle& operator=(const UpdateCheckHandle&) = delete;
  ~UpdateCheckHandle() { StopUpdateCheck(*channel, 3000); }
};

}  // namespace vn
