// Every test program runs with APPDATA and HOME pointing into a private temporary
// folder, so that no test reads or writes a real user's preferences or libraries,
// and no update check leaves the machine.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "support/temp_dir.h"

namespace {

class IsolatedHome : public ::testing::Environment {
 public:
  void SetUp() override {
    dir_ = std::make_unique<vn::test::TempDir>();
    std::filesystem::create_directories(dir_->file("home"));
    std::filesystem::create_directories(dir_->file("appdata"));
    ::setenv("HOME", dir_->file("home").c_str(), 1);
    ::setenv("APPDATA", dir_->file("appdata").c_str(), 1);
    ::unsetenv("XDG_DATA_HOME");
    ::unsetenv("XDG_DOCUMENTS_DIR");
    // Update checks go to a closed local port unless a test names its own server.
    ::setenv("VN_UPDATE_URL", "https://127.0.0.1:1/manifest.json", 1);
    ::unsetenv("VN_UPDATE_CA_FILE");
  }
  void TearDown() override { dir_.reset(); }

 private:
  std::unique_ptr<vn::test::TempDir> dir_;
};

const auto* const kIsolatedHome = ::testing::AddGlobalTestEnvironment(new IsolatedHome);

}  // namespace
