#include "audio/audio_diagnostics.h"

#include <cstdlib>

#include "audio/audio_output.h"
#include "platform/atomic_write.h"
#include "platform/log.h"
#include "platform/paths.h"

namespace vn {
namespace {

constexpr int64_t kSecond = 1000000000;
// The log keeps its most recent part; older lines fall off the front.
constexpr size_t kMaxLogBytes = 256 * 1024;

void loadExisting(AudioDiagnostics& diag) {
  diag.loaded = true;
  diag.path = AudioDiagnosticsPath();
  if (diag.path.empty()) return;
  if (FILE* f = std::fopen(diag.path.c_str(), "rb")) {
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) diag.content.append(buf, n);
    std::fclose(f);
  }
}

void trimToRecent(std::string& content) {
  if (content.size() <= kMaxLogBytes) return;
  size_t cut = content.find('\n', content.size() - kMaxLogBytes);
  content.erase(0, cut == std::string::npos ? content.size() - kMaxLogBytes : cut + 1);
}

}  // namespace

std::string AudioDiagnosticsLine(const AudioDiagnosticsSample& s) {
  double percent = s.buffers ? 100.0 * static_cast<double>(s.dropouts) / static_cast<double>(s.buffers) : 0.0;
  return format("t=%.1f buffers=%llu dropouts=%llu (%.1f%%) restores=%d evictPass[last=%.2fms max=%.2fms] "
                "pendingRestores=%d%s%s\n",
                s.seconds, static_cast<unsigned long long>(s.buffers), static_cast<unsigned long long>(s.dropouts),
                percent, s.restores, s.passLastMs, s.passMaxMs, s.pendingRestores, s.extra.empty() ? "" : " ",
                s.extra.c_str());
}

std::string AudioDiagnosticsPath() {
  const char* home = std::getenv("HOME");
  if (!home || !*home) home = std::getenv("USERPROFILE");
  if (!home || !*home) return {};
  return pathJoin(home, "Varnel_audio_diag.log");
}

bool MaybeWriteAudioDiagnostics(AudioDiagnostics& diag, AudioOutput& output, uint64_t missedBuffers,
                                int64_t nowNanos, const std::string& extra) {
  if (diag.startNanos == 0) diag.startNanos = diag.lastLineNanos = nowNanos;
  if (nowNanos - diag.lastLineNanos < kSecond) return false;
  const uint64_t callbacks = output.counters.callbacks.load();
  const uint64_t underflows = output.counters.underflows.load();
  AudioDiagnosticsSample s;
  s.seconds = static_cast<double>(nowNanos - diag.startNanos) / kSecond;
  s.buffers = callbacks - diag.callbacks;
  s.dropouts = (missedBuffers - diag.missed) + (underflows - diag.underflows);
  s.restores = output.restoreAttempts;
  s.passLastMs = output.counters.lastCallbackMicros.load() / 1000.0;
  s.passMaxMs = output.counters.maxCallbackMicros.exchange(0) / 1000.0;
  s.pendingRestores = output.failed ? 1 : 0;
  s.extra = extra;
  const bool noteworthy = s.dropouts > 0 || s.restores != diag.restores || s.pendingRestores > 0;
  diag.lastLineNanos = nowNanos;
  diag.callbacks = callbacks;
  diag.missed = missedBuffers;
  diag.underflows = underflows;
  diag.restores = s.restores;
  if (!noteworthy) return false;
  if (!diag.loaded) loadExisting(diag);
  if (diag.path.empty()) return false;
  diag.content += AudioDiagnosticsLine(s);
  trimToRecent(diag.content);
  WriteResult written = writeFileAtomic(diag.path, diag.content);
  return written.ok;
}

}  // namespace vn
