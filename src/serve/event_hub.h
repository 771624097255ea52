// Hands the latest page from the thread that compiles to the threads that answer
// requests: the page being served, and a wait for the next one for every open event
// stream. Closing the hub releases every waiter, so the server can stop.
#ifndef PERCORSO_SERVE_EVENT_HUB_H_
#define PERCORSO_SERVE_EVENT_HUB_H_

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

#include "serve/live_page.h"

namespace percorso {

class EventHub {
 public:
  using Snapshot = std::shared_ptr<const PageSnapshot>;

  // Makes `page` the page served and wakes every waiter.
  void Publish(Snapshot page);

  // The page served now; null before the first Publish.
  Snapshot Current() const;

  enum class Wait { kNewer, kTimeout, kClosed };
  // Waits until a page newer than `generation` is published (it is put in `*page`), the
  // timeout passes, or the hub is closed.
  Wait WaitNewer(uint64_t generation, std::chrono::milliseconds timeout, Snapshot* page) const;

  // Wakes every waiter for good: from now on WaitNewer returns kClosed at once.
  void Close();
  bool closed() const;

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  Snapshot current_;
  bool closed_ = false;
};

}  // namespace percorso

#endif  // PERCORSO_SERVE_EVENT_HUB_H_
