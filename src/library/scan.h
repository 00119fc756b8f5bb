#pragma once
// The folder scan: walks a folder, reuses the records of unchanged files, analyses
// the others on a pool of workers, groups, summarises, writes the index file and
// publishes the new Library. The interface polls its status every frame.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vn {

struct ScanFailure {
  std::string path;
  std::string reason;  // one sentence
};

struct ScanStatus {
  ScanStatus() = default;
  ScanStatus(const ScanStatus&) = delete;
  ScanStatus& operator=(const ScanStatus&) = delete;
  ~ScanStatus();  // waits for a scan still running on its thread

  // Set by the caller when a scan starts, cleared by the scan at its end; clearing
  // it from outside cancels the scan, which still publishes what it finished.
  std::atomic<bool> running{false};
  std::atomic<float> progress{0.0f};  // processed / total
  std::atomic<int32_t> processed{0};  // files processed; the number found at the end
  std::atomic<int32_t> total{0};      // sound files found
  std::atomic<int32_t> reused{0};     // old records kept for unchanged files
  std::atomic<int32_t> analysed{0};   // files analysed successfully

  // The texts and the failures, behind their own mutex (copy them with ReadScanTexts).
  mutable std::mutex textMutex;
  std::string name;     // the folder's last component, at most 127 characters
  std::string message;  // "No audio files found." or "Done! %d files indexed."
  std::string error;    // "Scan interrupted: ..." when the walk failed
  std::vector<ScanFailure> failedFiles;

  std::thread thread;  // the scan started by StartScan
};

struct ScanTexts {
  std::string name;
  std::string message;
  std::string error;
  std::vector<ScanFailure> failedFiles;
};
ScanTexts ReadScanTexts(const ScanStatus& status);

struct ScanRequest {
  std::string folder;
  bool rootEnabled = true;  // carried into the Library from its library root
  int32_t rootNumber = -1;  // -1 for a folder added by hand
  bool force = false;       // analyse every file again
  int maxThreads = 0;       // 0 or less: as many workers as the machine has cores
  int channelOrderFallback = 0;
  ScanStatus* status = nullptr;
};

// Starts ScanFolder on the status's own thread; false (and nothing done) while a
// scan is running.
bool StartScan(ScanStatus& status, ScanRequest request);

// Waits for the thread started by StartScan, if any.
void WaitForScan(ScanStatus& status);

// Runs the whole scan on the calling thread; reports through request.status. The
// caller sets status.running first.
void ScanFolder(const ScanRequest& request);

// A scan only appends its Library; a caller that wants one Library per folder drops
// the older ones of that folder afterwards. Returns how many were dropped.
int DropOlderLibrariesOf(const std::string& folder);

}  // namespace vn
