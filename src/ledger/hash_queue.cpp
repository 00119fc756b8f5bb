#include "ledger/hash_queue.h"

namespace vn {

namespace {

// Files are taken a few at a time, as the sample hashes are made side by side.
void hashLoop(HashQueue& q) {
  const NextPath next = [&]() -> std::optional<std::string> {
    std::lock_guard lock(q.mutex);
    if (q.closing || q.pending.empty()) return std::nullopt;
    std::string path = std::move(q.pending.front());
    q.pending.pop_front();
    ++q.inHand;
    return path;
  };
  const PcmHashDone done = [&](const std::string& path, uint64_t pcmHash) {
    OutputHashes hashes = ComputeFileFingerprints(path);
    hashes.pcmHash = pcmHash;
    std::lock_guard lock(q.mutex);
    q.done[path] = hashes;
    --q.inHand;
    q.wake.notify_all();
  };
  std::unique_lock lock(q.mutex);
  for (;;) {
    q.wake.wait(lock, [&] { return q.closing || !q.pending.empty(); });
    if (q.closing) return;
    lock.unlock();
    ComputePcmHashes(next, done);
    lock.lock();
  }
}

}  // namespace

HashQueue::HashQueue() : worker([this] { hashLoop(*this); }) {}

HashQueue::~HashQueue() {
  {
    std::lock_guard lock(mutex);
    closing = true;
    pending.clear();
  }
  wake.notify_all();
  worker.join();
}

void queueOutputHashes(HashQueue& queue, const std::string& path) {
  {
    std::lock_guard lock(queue.mutex);
    queue.pending.push_back(path);
  }
  queue.wake.notify_all();
}

std::map<std::string, OutputHashes> takeOutputHashes(HashQueue& queue) {
  std::unique_lock lock(queue.mutex);
  queue.wake.wait(lock, [&] { return queue.pending.empty() && queue.inHand == 0; });
  std::map<std::string, OutputHashes> results = std::move(queue.done);
  queue.done.clear();
  return results;
}

}  // namespace vn
