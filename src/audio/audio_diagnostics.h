#pragma once
// The audio diagnostics log: at most one line a second, appended to
// "Varnel_audio_diag.log" in the home folder, when something went wrong in
// the last second (a dropout or a reopen).
#include <cstdint>
#include <string>

namespace vn {

struct AudioOutput;

struct AudioDiagnostics {
  int64_t startNanos = 0;
  int64_t lastLineNanos = 0;
  uint64_t callbacks = 0, missed = 0, underflows = 0;  // totals at the last look
  int restores = 0;
  std::string path;     // empty until first needed
  std::string content;  // the file as last written
  bool loaded = false;
};

struct AudioDiagnosticsSample {
  double seconds = 0.0;          // since start
  uint64_t buffers = 0;          // callbacks in the last second
  uint64_t dropouts = 0;         // missed or late buffers in the last second
  int restores = 0;              // reopen attempts so far
  double passLastMs = 0.0, passMaxMs = 0.0;  // time the callback spent on its last and longest pass
  int pendingRestores = 0;       // a reported failure not yet recovered from
  std::string extra;
};

std::string AudioDiagnosticsLine(const AudioDiagnosticsSample& sample);
// "$HOME/Varnel_audio_diag.log", else under USERPROFILE; empty when neither is set.
std::string AudioDiagnosticsPath();

// Looks at the last second and appends a line when it had dropouts or restores.
// Returns true when a line was written.
bool MaybeWriteAudioDiagnostics(AudioDiagnostics& diag, AudioOutput& output, uint64_t missedBuffers,
                                int64_t nowNanos, const std::string& extra = {});

}  // namespace vn
