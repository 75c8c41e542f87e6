#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "dispatch/dispatch.h"
#include "objc/NSException.h"

namespace {

// Runs the main loop until `done` holds; the bound only keeps a broken build from hanging.
bool runMainUntil(const std::function<bool()>& done, double limitSeconds = 20) {
  dispatch_time_t limit = dispatch_time(DISPATCH_TIME_NOW, int64_t(limitSeconds * NSEC_PER_SEC));
  while (!done()) {
    if (dispatch_time(DISPATCH_TIME_NOW, 0) > limit) return false;
    CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0.05, true);
  }
  return true;
}

dispatch_queue_t globalQueue() {
  return dispatch_get_global_queue(DISPATCH_QUEUE_PRIORITY_DEFAULT, 0);
}

struct Pipe {
  int r = -1, w = -1;
  Pipe() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0) r = fds[0], w = fds[1];
  }
  ~Pipe() {
    if (r >= 0) close(r);
    if (w >= 0) close(w);
  }
  void put(const char* s) { ASSERT_GT(write(w, s, strlen(s)), 0); }
  std::string drain() const {
    std::string out;
    char buf[256];
    ssize_t n;
    while ((n = read(r, buf, sizeof buf)) > 0) out.append(buf, size_t(n));
    return out;
  }
};

}  // namespace

TEST(DispatchTime, ArithmeticSaturatesAndKeepsForever) {
  dispatch_time_t before = dispatch_time(DISPATCH_TIME_NOW, 0);
  dispatch_time_t later = dispatch_time(DISPATCH_TIME_NOW, NSEC_PER_SEC);
  EXPECT_GE(later, before + NSEC_PER_SEC);
  EXPECT_EQ(dispatch_time(later, -int64_t(NSEC_PER_SEC)), later - NSEC_PER_SEC);
  EXPECT_EQ(dispatch_time(DISPATCH_TIME_FOREVER, -5), DISPATCH_TIME_FOREVER);
  EXPECT_EQ(dispatch_time(later, INT64_MAX), later + uint64_t(INT64_MAX));
  EXPECT_EQ(dispatch_time(DISPATCH_TIME_FOREVER - 10, INT64_MAX), DISPATCH_TIME_FOREVER);
  EXPECT_EQ(dispatch_time(5, INT64_MIN), 1u);  // before the clock's start: already past
}

TEST(DispatchQueue, GlobalQueuesByIdentifierAndBadArguments) {
  EXPECT_EQ(globalQueue(), dispatch_get_global_queue(QOS_CLASS_DEFAULT, 0));
  EXPECT_EQ(dispatch_get_global_queue(DISPATCH_QUEUE_PRIORITY_HIGH, 0),
            dispatch_get_global_queue(QOS_CLASS_USER_INITIATED, 0));
  EXPECT_NE(globalQueue(), dispatch_get_global_queue(DISPATCH_QUEUE_PRIORITY_BACKGROUND, 0));
  EXPECT_EQ(dispatch_get_global_queue(7, 0), nullptr);
  EXPECT_EQ(dispatch_get_global_queue(0, 1), nullptr);
  EXPECT_STREQ(dispatch_queue_get_label(dispatch_get_main_queue()), "com.apple.main-thread");

  EXPECT_THROW(dispatch_async(nullptr, [] {}), NSException);
  EXPECT_THROW(dispatch_async(globalQueue(), dispatch_block_t{}), NSException);
  EXPECT_THROW(dispatch_sync(nullptr, [] {}), NSException);
  EXPECT_THROW(dispatch_after(DISPATCH_TIME_NOW, nullptr, [] {}), NSException);
  EXPECT_THROW(dispatch_once(nullptr, [] {}), NSException);
}

TEST(DispatchQueue, MainQueueRunsOnMainThreadInOrderFromManyThreads) {
  std::vector<int> order;  // touched only on the main thread
  std::atomic<int> fromWorkers{0};
  for (int i = 0; i < 5; ++i) {
    dispatch_async(dispatch_get_main_queue(), [&order, i] {
      EXPECT_TRUE(nimbra::dispatch::isMainThread());
      order.push_back(i);
    });
  }
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&fromWorkers] {
      for (int i = 0; i < 250; ++i) {
        dispatch_async(dispatch_get_main_queue(), [&fromWorkers] {
          EXPECT_TRUE(nimbra::dispatch::isMainThread());
          fromWorkers.fetch_add(1);
        });
      }
    });
  }
  for (auto& t : threads) t.join();
  ASSERT_TRUE(runMainUntil([&] { return fromWorkers.load() == 1000; }));
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST(DispatchQueue, GlobalQueueRunsEverythingOffTheMainThread) {
  std::atomic<int> done{0}, onMain{0};
  for (int i = 0; i < 200; ++i) {
    dispatch_async(globalQueue(), [&] {
      if (nimbra::dispatch::isMainThread()) onMain.fetch_add(1);
      done.fetch_add(1);
    });
  }
  ASSERT_TRUE(runMainUntil([&] { return done.load() == 200; }));
  EXPECT_EQ(onMain.load(), 0);
}

TEST(DispatchQueue, GlobalBlockThatThrowsDoesNotKillItsWorker) {
  std::atomic<int> after{0};
  for (int i = 0; i < 8; ++i) dispatch_async(globalQueue(), [] { throw std::runtime_error("x"); });
  for (int i = 0; i < 8; ++i) dispatch_async(globalQueue(), [&] { after.fetch_add(1); });
  EXPECT_TRUE(runMainUntil([&] { return after.load() == 8; }));
}

TEST(DispatchSync, FromGlobalQueueWaitsForTheMainLoop) {
  // The link scan's pattern: work in the background, hand results to main synchronously.
  std::atomic<bool> finished{false};
  int seenOnMain = 0;      // written on main inside the sync block
  int readAfterSync = -1;  // read by the worker after dispatch_sync returned
  bool ranOnMain = false;
  dispatch_async(globalQueue(), [&] {
    int computed = 42;
    dispatch_sync(dispatch_get_main_queue(), [&] {
      ranOnMain = nimbra::dispatch::isMainThread();
      seenOnMain = computed;
    });
    readAfterSync = seenOnMain;  // the sync block has finished: no race here
    finished.store(true);
  });
  ASSERT_TRUE(runMainUntil([&] { return finished.load(); }));
  EXPECT_TRUE(ranOnMain);
  EXPECT_EQ(readAfterSync, 42);
}

TEST(DispatchSync, RethrowsToTheWaiterAndRunsInlineOnMain) {
  std::atomic<bool> caught{false};
  dispatch_async(globalQueue(), [&] {
    try {
      dispatch_sync(dispatch_get_main_queue(), [] { throw std::runtime_error("boom"); });
    } catch (const std::runtime_error&) {
      caught.store(true);
    }
  });
  ASSERT_TRUE(runMainUntil([&] { return caught.load(); }));

  // On the main thread itself the block runs at once instead of deadlocking.
  bool ran = false;
  dispatch_sync(dispatch_get_main_queue(), [&] { ran = true; });
  EXPECT_TRUE(ran);
  // A global queue runs the block on the caller's thread.
  std::thread::id where;
  dispatch_sync(globalQueue(), [&] { where = std::this_thread::get_id(); });
  EXPECT_EQ(where, std::this_thread::get_id());
}

TEST(DispatchOnce, RacingThreadsRunTheBlockOnceAndAllSeeIt) {
  static dispatch_once_t once = 0;
  std::atomic<int> runs{0};
  int value = 0;
  std::vector<std::thread> threads;
  std::atomic<int> sawValue{0};
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&] {
      dispatch_once(&once, [&] {
        std::this_thread::yield();
        value = 7;
        runs.fetch_add(1);
      });
      if (value == 7) sawValue.fetch_add(1);  // published by dispatch_once
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(runs.load(), 1);
  EXPECT_EQ(sawValue.load(), 8);
  dispatch_once(&once, [&] { runs.fetch_add(1); });
  EXPECT_EQ(runs.load(), 1);
}

TEST(DispatchOnce, AThrowingBlockLeavesThePredicateUnset) {
  dispatch_once_t once = 0;
  EXPECT_THROW(dispatch_once(&once, [] { throw std::runtime_error("no"); }), std::runtime_error);
  int runs = 0;
  dispatch_once(&once, [&] { ++runs; });
  dispatch_once(&once, [&] { ++runs; });
  EXPECT_EQ(runs, 1);
}

TEST(DispatchAfter, RunsInDeadlineOrderOnTheTargetQueue) {
  std::vector<int> order;
  std::atomic<bool> globalRan{false}, globalOnMain{true};
  dispatch_after(dispatch_time(DISPATCH_TIME_NOW, 30 * NSEC_PER_MSEC), dispatch_get_main_queue(),
                 [&] { order.push_back(2); });
  dispatch_after(dispatch_time(DISPATCH_TIME_NOW, 1 * NSEC_PER_MSEC), dispatch_get_main_queue(),
                 [&] { order.push_back(1); });
  dispatch_after(DISPATCH_TIME_FOREVER, dispatch_get_main_queue(), [&] { order.push_back(99); });
  dispatch_after(dispatch_time(DISPATCH_TIME_NOW, NSEC_PER_MSEC), globalQueue(), [&] {
    globalOnMain.store(nimbra::dispatch::isMainThread());
    globalRan.store(true);
  });
  ASSERT_TRUE(runMainUntil([&] { return order.size() >= 2 && globalRan.load(); }));
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
  EXPECT_FALSE(globalOnMain.load());
}

TEST(RunLoop, ResultCodes) {
  EXPECT_EQ(CFRunLoopGetMain(), CFRunLoopGetMain());
  EXPECT_EQ(CFRunLoopGetCurrent(), CFRunLoopGetMain());
  // Nothing to do: the time runs out.
  EXPECT_EQ(CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0, false), kCFRunLoopRunTimedOut);
  // A block counts as a handled source.
  dispatch_async(dispatch_get_main_queue(), [] {});
  EXPECT_EQ(CFRunLoopRunInMode(kCFRunLoopDefaultMode, 10, true), kCFRunLoopRunHandledSource);
  // Stopped from inside a block, and from another thread.
  dispatch_async(dispatch_get_main_queue(), [] { CFRunLoopStop(CFRunLoopGetMain()); });
  EXPECT_EQ(CFRunLoopRunInMode(kCFRunLoopDefaultMode, 10, false), kCFRunLoopRunStopped);
  std::thread stopper([] {
    while (!CFRunLoopIsWaiting(CFRunLoopGetMain())) std::this_thread::yield();
    CFRunLoopStop(CFRunLoopGetMain());
  });
  EXPECT_EQ(CFRunLoopRunInMode(kCFRunLoopDefaultMode, 60, false), kCFRunLoopRunStopped);
  stopper.join();
  // A stop while not running is kept for the next run.
  CFRunLoopStop(CFRunLoopGetMain());
  EXPECT_EQ(CFRunLoopRunInMode(kCFRunLoopDefaultMode, 10, false), kCFRunLoopRunStopped);
  // A mode with nothing in it, and no mode at all.
  EXPECT_EQ(CFRunLoopRunInMode("SomeOtherMode", 10, false), kCFRunLoopRunFinished);
  EXPECT_EQ(CFRunLoopRunInMode(nullptr, 10, false), kCFRunLoopRunFinished);
  // CFRunLoopRun returns once stopped; the main queue keeps it alive until then.
  dispatch_after(dispatch_time(DISPATCH_TIME_NOW, NSEC_PER_MSEC), dispatch_get_main_queue(),
                 [] { CFRunLoopStop(CFRunLoopGetCurrent()); });
  CFRunLoopRun();
}

TEST(RunLoop, BackgroundThreadLoopFinishesWhenEmpty) {
  std::atomic<int> result{0};
  std::atomic<bool> sameLoop{false}, notMain{false}, performed{false};
  std::thread t([&] {
    CFRunLoopRef mine = CFRunLoopGetCurrent();
    sameLoop.store(mine == CFRunLoopGetCurrent());
    notMain.store(mine != CFRunLoopGetMain());
    CFRunLoopPerformBlock(mine, kCFRunLoopDefaultMode, [&] { performed.store(true); });
    CFRunLoopRun();  // serves the block, then finds nothing left
    result.store(CFRunLoopRunInMode(kCFRunLoopDefaultMode, 10, false));
  });
  t.join();
  EXPECT_TRUE(sameLoop.load());
  EXPECT_TRUE(notMain.load());
  EXPECT_TRUE(performed.load());
  EXPECT_EQ(result.load(), kCFRunLoopRunFinished);
}

TEST(RunLoop, AnExceptionFromAMainBlockLeavesTheLoopUsable) {
  dispatch_async(dispatch_get_main_queue(), [] { throw std::runtime_error("main"); });
  bool later = false;
  dispatch_async(dispatch_get_main_queue(), [&] { later = true; });
  EXPECT_THROW(CFRunLoopRunInMode(kCFRunLoopDefaultMode, 10, true), std::runtime_error);
  EXPECT_TRUE(runMainUntil([&] { return later; }));
}

TEST(ReadSource, MainQueueHandlerReadsOnTheMainThread) {
  Pipe p;
  std::string got;
  unsigned long firstData = 0;
  int calls = 0;
  auto src = dispatch_source_create(DISPATCH_SOURCE_TYPE_READ, uintptr_t(p.r), 0,
                                    dispatch_get_main_queue());
  ASSERT_TRUE(src);
  dispatch_source_set_event_handler(src, [&, weak = std::weak_ptr(src)] {
    EXPECT_TRUE(nimbra::dispatch::isMainThread());
    if (calls++ == 0) firstData = dispatch_source_get_data(weak.lock());
    got += p.drain();
  });
  p.put("early");  // before resume: delivered once resumed
  EXPECT_EQ(CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0, false), kCFRunLoopRunTimedOut);
  EXPECT_EQ(calls, 0);
  dispatch_resume(src);
  ASSERT_TRUE(runMainUntil([&] { return got == "early"; }));
  EXPECT_EQ(firstData, 5u);
  p.put("+late");
  ASSERT_TRUE(runMainUntil([&] { return got == "early+late"; }));

  dispatch_source_cancel(src);
  EXPECT_EQ(dispatch_source_testcancel(src), 1);
  int before = calls;
  p.put("ignored");
  CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0.02, false);
  EXPECT_EQ(calls, before);
}

TEST(ReadSource, StaysAliveWithoutOwnerAndSharesADescriptor) {
  Pipe p;
  std::atomic<int> a{0}, b{0};
  bool cancelled = false;
  std::weak_ptr<dispatch_source_s> weakA;
  dispatch_source_t keepB;
  {
    auto srcA = dispatch_source_create(DISPATCH_SOURCE_TYPE_READ, uintptr_t(p.r), 0,
                                       dispatch_get_main_queue());
    auto srcB = dispatch_source_create(DISPATCH_SOURCE_TYPE_READ, uintptr_t(p.r), 0,
                                       dispatch_get_main_queue());
    ASSERT_TRUE(srcA && srcB);
    weakA = srcA;
    keepB = srcB;
    dispatch_source_set_event_handler(srcA, [&] { a.fetch_add(1); });
    // B drains, so A sees each write at most until B has run in the same pass.
    dispatch_source_set_event_handler(srcB, [&] {
      b.fetch_add(1);
      p.drain();
    });
    dispatch_source_set_cancel_handler(srcA, [&] { cancelled = true; });
    dispatch_resume(srcA);
    dispatch_resume(srcB);
  }
  p.put("x");
  ASSERT_TRUE(runMainUntil([&] { return a.load() > 0 && b.load() > 0; }));
  auto a2 = weakA.lock();
  ASSERT_TRUE(a2);  // kept alive by being resumed
  dispatch_source_cancel(a2);
  a2.reset();
  ASSERT_TRUE(runMainUntil([&] { return cancelled; }));
  EXPECT_TRUE(weakA.expired());
  dispatch_source_cancel(keepB);
}

TEST(ReadSource, BadDescriptorsAndTypesGiveNone) {
  EXPECT_EQ(dispatch_source_create(DISPATCH_SOURCE_TYPE_READ, 987654, 0, globalQueue()), nullptr);
  EXPECT_EQ(dispatch_source_create(DISPATCH_SOURCE_TYPE_READ, uintptr_t(-1), 0, globalQueue()),
            nullptr);
  EXPECT_EQ(dispatch_source_create(nullptr, 0, 0, globalQueue()), nullptr);
  char path[] = "/tmp/nimbra-dispatch-XXXXXX";
  int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(dispatch_source_create(DISPATCH_SOURCE_TYPE_READ, uintptr_t(fd), 0, globalQueue()),
            nullptr);
  close(fd);
  unlink(path);
  EXPECT_THROW(dispatch_resume(nullptr), NSException);
}

TEST(ReadSource, GlobalQueueHandlerRunsOneAtATimeOffMain) {
  Pipe p;
  std::atomic<int> inside{0}, overlap{0}, bytes{0}, onMain{0};
  auto src = dispatch_source_create(DISPATCH_SOURCE_TYPE_READ, uintptr_t(p.r), 0, globalQueue());
  ASSERT_TRUE(src);
  dispatch_source_set_event_handler(src, [&] {
    if (inside.fetch_add(1) != 0) overlap.fetch_add(1);
    if (nimbra::dispatch::isMainThread()) onMain.fetch_add(1);
    char c;
    if (read(p.r, &c, 1) == 1) bytes.fetch_add(1);  // one byte a call: forces many calls
    inside.fetch_sub(1);
  });
  dispatch_resume(src);
  for (int i = 0; i < 50; ++i) p.put("z");
  ASSERT_TRUE(runMainUntil([&] { return bytes.load() == 50; }));
  dispatch_source_cancel(src);
  EXPECT_EQ(overlap.load(), 0);
  EXPECT_EQ(onMain.load(), 0);
}

TEST(TimerSource, RepeatsUntilCancelledAndCountsFolds) {
  int fires = 0;
  unsigned long total = 0;
  auto timer = dispatch_source_create(DISPATCH_SOURCE_TYPE_TIMER, 0, 0, dispatch_get_main_queue());
  ASSERT_TRUE(timer);
  dispatch_source_set_event_handler(timer, [&, weak = std::weak_ptr(timer)] {
    EXPECT_TRUE(nimbra::dispatch::isMainThread());
    ++fires;
    total += dispatch_source_get_data(weak.lock());
  });
  dispatch_source_set_timer(timer, DISPATCH_TIME_NOW, NSEC_PER_MSEC, 0);
  dispatch_resume(timer);
  ASSERT_TRUE(runMainUntil([&] { return fires >= 3; }));
  EXPECT_GE(total, unsigned(fires));
  dispatch_source_cancel(timer);
  int atCancel = fires;
  CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0.02, false);
  EXPECT_EQ(fires, atCancel);
}

TEST(TimerSource, OneShotSuspendResumeAndGlobalQueue) {
  int fires = 0;
  auto once = dispatch_source_create(DISPATCH_SOURCE_TYPE_TIMER, 0, 0, dispatch_get_main_queue());
  dispatch_source_set_event_handler(once, [&] { ++fires; });
  dispatch_source_set_timer(once, DISPATCH_TIME_NOW, DISPATCH_TIME_FOREVER, 0);
  dispatch_resume(once);
  EXPECT_THROW(dispatch_resume(once), NSException);  // over-resume
  ASSERT_TRUE(runMainUntil([&] { return fires == 1; }));
  CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0.02, false);
  EXPECT_EQ(fires, 1);
  dispatch_source_cancel(once);

  // Suspended, a due timer waits; resumed, it fires.
  int late = 0;
  auto t = dispatch_source_create(DISPATCH_SOURCE_TYPE_TIMER, 0, 0, dispatch_get_main_queue());
  dispatch_source_set_event_handler(t, [&] { ++late; });
  dispatch_source_set_timer(t, DISPATCH_TIME_NOW, DISPATCH_TIME_FOREVER, 0);
  dispatch_resume(t);
  dispatch_suspend(t);
  CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0.02, false);
  EXPECT_EQ(late, 0);
  dispatch_resume(t);
  ASSERT_TRUE(runMainUntil([&] { return late == 1; }));
  dispatch_source_cancel(t);

  std::atomic<int> globalFires{0};
  auto g = dispatch_source_create(DISPATCH_SOURCE_TYPE_TIMER, 0, 0, globalQueue());
  dispatch_source_set_event_handler(g, [&] {
    EXPECT_FALSE(nimbra::dispatch::isMainThread());
    globalFires.fetch_add(1);
  });
  dispatch_source_set_timer(g, DISPATCH_TIME_NOW, NSEC_PER_MSEC, 0);
  dispatch_resume(g);
  ASSERT_TRUE(runMainUntil([&] { return globalFires.load() >= 3; }));
  dispatch_source_cancel(g);
}
