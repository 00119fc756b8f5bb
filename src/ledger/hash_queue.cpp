#include "ledger/hash_queue.h"

namespace vn {

namespace {

void hashLoop(HashQueue& q) {
  std::unique_lock lock(q.mutex);
  for (;;) {
    q.wake.wait(lock, [&] { return q.closing || !q.pending.empty(); });
    if (q.pending.empty()) return;  // closing with nothing left
    const std::string path = q.pending.front();
    lock.unlock();
    const OutputHashes hashes = ComputeOutputHashes(path);
    lock.lock();
    q.done[path] = hashes;
    q.pending.pop_front();  // popped only now, so an empty queue means every result is in
    q.wake.notify_all();
  }
}

}  // namespace

HashQueue::HashQueue() : worker([this] { hashLoop(*this); }) {}

HashQueue::~HashQueue() {
  {
    std::lock_guard lock(mutex);
    closing = true;
    if (pending.size() > 1) pending.erase(pending.begin() + 1, pending.end());
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
  queue.wake.wait(lock, [&] { return queue.pending.empty(); });
  std::map<std::string, OutputHashes> results = std::move(queue.done);
  queue.done.clear();
  return results;
}

}  // namespace vn
