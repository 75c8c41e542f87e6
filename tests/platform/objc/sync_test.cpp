// The per-object recursive locks behind @synchronized.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "objc/NSObject.h"

TEST(Sync, TheHolderMayEnterAgainAndOnlyItMayExit) {
  auto obj = std::make_shared<NSObject>();
  EXPECT_EQ(objc_sync_enter(obj.get()), OBJC_SYNC_SUCCESS);
  EXPECT_EQ(objc_sync_enter(obj.get()), OBJC_SYNC_SUCCESS);
  int fromOther = 0;
  std::thread([&] { fromOther = objc_sync_exit(obj.get()); }).join();
  EXPECT_EQ(fromOther, OBJC_SYNC_NOT_OWNING_THREAD_ERROR);
  EXPECT_EQ(objc_sync_exit(obj.get()), OBJC_SYNC_SUCCESS);
  // Still held once: another thread cannot take it yet.
  std::atomic<bool> entered{false};
  std::thread waiter([&] {
    objc_sync_enter(obj.get());
    entered = true;
    objc_sync_exit(obj.get());
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(entered.load());
  EXPECT_EQ(objc_sync_exit(obj.get()), OBJC_SYNC_SUCCESS);
  waiter.join();
  EXPECT_TRUE(entered.load());
  // Exiting more often than entered is refused, and none locks nothing.
  EXPECT_EQ(objc_sync_exit(obj.get()), OBJC_SYNC_NOT_OWNING_THREAD_ERROR);
  EXPECT_EQ(objc_sync_enter(nullptr), OBJC_SYNC_SUCCESS);
  EXPECT_EQ(objc_sync_exit(nullptr), OBJC_SYNC_SUCCESS);
}

// Several threads take one object's lock, nested, and update unguarded state inside it:
// mutual exclusion shows as an exact total (and as silence from ThreadSanitizer). A second
// object's lock is independent: holding it never blocks the first.
TEST(Sync, ContendedLocksExcludeEachOtherPerObject) {
  auto shared = std::make_shared<NSObject>();
  auto other = std::make_shared<NSObject>();
  constexpr int kThreads = 4, kRounds = 2000;
  long counter = 0;  // deliberately not atomic
  int inside = 0, overlap = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < kRounds; ++i) {
        objc_sync_enter(shared.get());
        objc_sync_enter(shared.get());  // the recursive case, under contention
        overlap += ++inside != 1;
        ++counter;
        --inside;
        objc_sync_exit(shared.get());
        objc_sync_exit(shared.get());
      }
    });
  }
  objc_sync_enter(other.get());
  for (auto& t : threads) t.join();
  objc_sync_exit(other.get());
  EXPECT_EQ(counter, long{kThreads} * kRounds);
  EXPECT_EQ(overlap, 0);
}
