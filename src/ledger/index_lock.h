#pragma once
// The lock between processes over index.tsv and sources.tsv: a directory whose
// creation is atomic. A busy lock never blocks: the caller appends without it and a
// later rebuild heals what a collision could have torn. A lock left by a crashed
// process is taken over once it is older than kIndexLockStaleSeconds.
#include <string>

namespace vn {

constexpr int kIndexLockStaleSeconds = 30;

class IndexLock {
 public:
  // Tries to take the lock in the Prints folder; logs when it is busy.
  explicit IndexLock(const std::string& printsFolder);
  ~IndexLock();
  IndexLock(const IndexLock&) = delete;
  IndexLock& operator=(const IndexLock&) = delete;

  bool held() const { return held_; }

 private:
  std::string path_;
  bool held_ = false;
};

}  // namespace vn
