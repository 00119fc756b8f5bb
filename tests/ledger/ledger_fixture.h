#pragma once
// Every ledger test gets its own application data folder (so its own Prints
// folder), and small sound files and sessions to record.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/session.h"
#include "support/temp_dir.h"

namespace vn::test {

class LedgerTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Points the application data folder somewhere else (another machine's).
  void useAppData(const std::string& folder);
  std::string printsFolder() const;

  TempDir dir;

 private:
  std::string savedAppData_;
};

// A mono noise file of frames samples from seed (16-bit WAV unless format says otherwise).
void writeNoise(const std::string& path, int frames, unsigned seed, int format = 0);
// A 16-bit WAV whose bext block holds the two texts.
void writeWithBext(const std::string& path, const std::string& originatorReference, const std::string& codingHistory);

// Two events with one layer each from the given source files (registered with the
// file-identity registry), the second an alloy layer, and a pinned file on the first.
Session sessionWithSources(const std::vector<std::string>& sources);

// Whole lines of a text file.
std::vector<std::string> linesOf(const std::string& path);

}  // namespace vn::test
