#include "serve/event_hub.h"

#include <utility>

namespace percorso {

void EventHub::Publish(Snapshot page) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    current_ = std::move(page);
  }
  changed_.notify_all();
}

EventHub::Snapshot EventHub::Current() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return current_;
}

EventHub::Wait EventHub::WaitNewer(uint64_t generation, std::chrono::milliseconds timeout,
                                   Snapshot* page) const {
  std::unique_lock<std::mutex> lock(mutex_);
  const bool woken = changed_.wait_for(lock, timeout, [&] {
    return closed_ || (current_ != nullptr && current_->generation > generation);
  });
  if (closed_) return Wait::kClosed;
  if (!woken) return Wait::kTimeout;
  *page = current_;
  return Wait::kNewer;
}

void EventHub::Close() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
  }
  changed_.notify_all();
}

bool EventHub::closed() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return closed_;
}

}  // namespace percorso
