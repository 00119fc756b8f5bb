#include <gtest/gtest.h>

#include "audio/audio_diagnostics.h"
#include "audio/audio_output.h"
#include "support/temp_dir.h"

namespace vn {
namespace {

constexpr int64_t kMs = 1000000;

TEST(AudioDiagnostics, OneLineASecondAndOnlyWhenSomethingWentWrong) {
  const std::string path = AudioDiagnosticsPath();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(path.substr(path.size() - 22), "/Varnel_audio_diag.log");

  AudioOutput output;
  AudioDiagnostics diag;
  const int64_t t0 = 5000 * kMs;
  EXPECT_FALSE(MaybeWriteAudioDiagnostics(diag, output, 0, t0));
  output.counters.callbacks = 187;
  EXPECT_FALSE(MaybeWriteAudioDiagnostics(diag, output, 0, t0 + 1100 * kMs));  // a clean second
  EXPECT_EQ(test::readAll(path), "");

  output.counters.callbacks = 287;
  output.counters.underflows = 2;
  output.counters.lastCallbackMicros = 310;
  output.counters.maxCallbackMicros = 1250;
  EXPECT_FALSE(MaybeWriteAudioDiagnostics(diag, output, 1, t0 + 1500 * kMs));  // not a second yet
  EXPECT_TRUE(MaybeWriteAudioDiagnostics(diag, output, 1, t0 + 2200 * kMs, "gen=4"));
  EXPECT_EQ(test::readAll(path),
            "t=2.2 buffers=100 dropouts=3 (3.0%) restores=0 evictPass[last=0.31ms max=1.25ms] pendingRestores=0 "
            "gen=4\n");

  output.restoreAttempts = 1;
  output.failed = true;
  EXPECT_TRUE(MaybeWriteAudioDiagnostics(diag, output, 1, t0 + 3300 * kMs));
  std::string content = test::readAll(path);
  EXPECT_NE(content.find("\nt=3.3 buffers=0 dropouts=0 (0.0%) restores=1 evictPass[last=0.31ms max=0.00ms] "
                         "pendingRestores=1\n"),
            std::string::npos)
      << content;
}

}  // namespace
}  // namespace vn
