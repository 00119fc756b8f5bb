#pragma once
// Fingerprints written files on a thread of its own while the caller goes on making
// the next ones, so an export's ledger stage does not read every file back at the end.
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "ledger/print_hashes.h"

namespace vn {

struct HashQueue {
  std::mutex mutex;
  std::condition_variable wake;
  std::deque<std::string> pending;
  int inHand = 0;  // taken from pending, not yet done
  std::map<std::string, OutputHashes> done;
  bool closing = false;
  std::thread worker;

  HashQueue();
  ~HashQueue();  // drops what is still pending and waits for the files in hand
  HashQueue(const HashQueue&) = delete;
  HashQueue& operator=(const HashQueue&) = delete;
};

void queueOutputHashes(HashQueue& queue, const std::string& path);
// Waits until every queued file is fingerprinted and hands over the results by path.
std::map<std::string, OutputHashes> takeOutputHashes(HashQueue& queue);

}  // namespace vn
