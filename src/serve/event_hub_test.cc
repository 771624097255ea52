// The hand-over between the compiling thread and the streams: a waiter gets the newer
// page, times out when nothing comes, and is released at once when the hub closes.
#include "serve/event_hub.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

namespace percorso {
namespace {

EventHub::Snapshot Page(uint64_t generation) {
  auto p = std::make_shared<PageSnapshot>();
  p->generation = generation;
  return p;
}

TEST(EventHubTest, WaitersGetNewerPagesTimeOutOrAreReleased) {
  using std::chrono::milliseconds;
  EventHub hub;
  EventHub::Snapshot got;
  EXPECT_EQ(hub.Current(), nullptr);
  EXPECT_EQ(hub.WaitNewer(0, milliseconds(1), &got), EventHub::Wait::kTimeout);

  hub.Publish(Page(1));
  EXPECT_EQ(hub.WaitNewer(0, milliseconds(1), &got), EventHub::Wait::kNewer);
  EXPECT_EQ(got->generation, 1u);
  EXPECT_EQ(hub.WaitNewer(1, milliseconds(1), &got), EventHub::Wait::kTimeout);

  // A waiter in another thread is woken by a publication, long before its timeout.
  auto waiter = std::async(std::launch::async, [&] {
    EventHub::Snapshot page;
    EventHub::Wait w = hub.WaitNewer(1, std::chrono::minutes(5), &page);
    return std::make_pair(w, page ? page->generation : 0);
  });
  hub.Publish(Page(2));
  ASSERT_EQ(waiter.wait_for(std::chrono::seconds(30)), std::future_status::ready);
  EXPECT_EQ(waiter.get(), std::make_pair(EventHub::Wait::kNewer, uint64_t{2}));

  // Closing releases every waiter, now and later.
  auto closed = std::async(std::launch::async, [&] {
    EventHub::Snapshot page;
    return hub.WaitNewer(2, std::chrono::minutes(5), &page);
  });
  hub.Close();
  ASSERT_EQ(closed.wait_for(std::chrono::seconds(30)), std::future_status::ready);
  EXPECT_EQ(closed.get(), EventHub::Wait::kClosed);
  EXPECT_EQ(hub.WaitNewer(0, std::chrono::minutes(5), &got), EventHub::Wait::kClosed);
}

}  // namespace
}  // namespace percorso
