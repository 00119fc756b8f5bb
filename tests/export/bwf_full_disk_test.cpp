// A disk that fills up mid-write, for real: the writers run in a child process whose
// file-size limit is far below the file they write. With SIGXFSZ ignored the
// kernel fails the write that crosses the limit, as a full disk would.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <regex>
#include <vector>

#include "export/bwf_failure_reason.h"
#include "export/bwf_writer.h"
#include "export_fixtures.h"
#include "platform/paths.h"
#include "support/log_capture.h"
#include "support/temp_dir.h"

namespace vn {
namespace {

// What the child saw, one line each: the writer's result, the failure reason and
// the writer's own diagnostic line.
std::string writeUnderLimit(const std::string& folder) {
  test::LogCapture log;
  test::FakeFreeSpace plenty(1ull << 40);  // the disk-full wording would hide the reason
  const std::vector<float> x(400000, 0.25f);
  std::string report;
  auto record = [&](bool ok) {
    report += ok ? "written\n" : "refused\n";
    report += exportFailureReason() + "\n";
    std::string writerLine;
    for (const std::string& line : log.out)
      if (line.find("short write") != std::string::npos) writerLine = line;
    report += writerLine;
    log.out.clear();
    resetExportFailureReason();
  };
  resetExportFailureReason();
  record(WriteBWFClipMono(folder + "/mono.wav", x.data(), 400000, 48000, 0.0, nullptr));
  record(WriteBWFStereo(folder + "/stereo.wav", x.data(), x.data(), 400000, 48000, 0.0, nullptr, {}));
  record(WriteBWFMulti(folder + "/multi.wav", {x, x, x, x, x, x}, kMask51, 48000, 0.0, nullptr, false, true, {}));
  // With the volume nearly full the same failure is called what it most likely is.
  test::FakeFreeSpace low(100ull << 20);
  record(WriteBWFClipMono(folder + "/full.wav", x.data(), 400000, 48000, 0.0, nullptr));
  return report;
}

TEST(BwfFullDisk, AWriteCutShortIsDeletedWithItsReason) {
  test::TempDir dir;
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    ::close(fds[0]);
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{300000, 300000};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    const std::string report = writeUnderLimit(dir.path());
    const bool sent = ::write(fds[1], report.data(), report.size()) == static_cast<ssize_t>(report.size());
    ::_exit(sent ? 0 : 1);
  }
  ::close(fds[1]);
  std::string report;
  char buf[4096];
  ssize_t n;
  while ((n = ::read(fds[0], buf, sizeof buf)) > 0) report.append(buf, static_cast<size_t>(n));
  ::close(fds[0]);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;

  std::vector<std::string> lines;
  for (size_t at = 0; at < report.size();) {
    const size_t nl = report.find('\n', at);
    lines.push_back(report.substr(at, nl - at));
    at = nl == std::string::npos ? report.size() : nl + 1;
  }
  ASSERT_EQ(lines.size(), 12u) << report;
  const std::string frames = "[0-9]+";
  const struct {
    const char* file;
    const char* reason;
    std::string line;
  } expected[] = {
      {"mono.wav", "an essence file was cut short mid-write",
       "\\[Export\\] WriteBWFClipMono: short write \\(" + frames + "/400000\\) - disk full\\? Deleting .*/mono.wav"},
      {"stereo.wav", "a stereo file was cut short mid-write",
       "\\[Export\\] WriteBWFStereo: short write at frame " + frames + "/400000 - disk full\\? Deleting .*/stereo.wav"},
      {"multi.wav", "a multichannel file was cut short mid-write",
       "\\[Export\\] WriteBWFMulti: short write - deleting .*/multi.wav"},
      {"full.wav", "disk full (100 MB free)",
       "\\[Export\\] WriteBWFClipMono: short write \\(" + frames + "/400000\\) - disk full\\? Deleting .*/full.wav"},
  };
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(expected[i].file);
    EXPECT_EQ(lines[3 * i], "refused");
    EXPECT_EQ(lines[3 * i + 1], expected[i].reason);
    EXPECT_TRUE(std::regex_match(lines[3 * i + 2], std::regex(expected[i].line))) << lines[3 * i + 2];
    EXPECT_FALSE(fileExists(dir.file(expected[i].file)));
    EXPECT_FALSE(fileExists(dir.file(std::string(expected[i].file) + ".tmp")));
  }
}

}  // namespace
}  // namespace vn
