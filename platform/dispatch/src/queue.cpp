#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

#include "Pool.h"
#include "RunLoop.h"
#include "dispatch/queue.h"
#include "objc/NSException.h"

struct dispatch_queue_s {
  const char* label;
  bool main;
};

namespace nimbra::dispatch {

uint64_t monotonicNow() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * NSEC_PER_SEC + static_cast<uint64_t>(ts.tv_nsec);
}

bool isMainThread() {
  return gettid() == getpid();
}

namespace {

// Workers linger this long after their last block before they sleep: blocks tend to
// come in bursts, and waking a sleeping worker costs the submitter a system call.
constexpr uint64_t kLingerNanos = 50 * 1000;

inline void relax() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#endif
}

class Pool {
 public:
  void async(std::function<void()> block) {
    bool wake;
    {
      std::lock_guard lock(mutex_);
      if (!started_) start();
      queue_.push_back(std::move(block));
      queued_.store(queue_.size(), std::memory_order_release);
      wake = sleepers_ > 0;
    }
    if (wake) ready_.notify_one();
  }

 private:
  void start() {
    started_ = true;
    unsigned n = std::max(1u, std::thread::hardware_concurrency());
    // Detached: the pool lives as long as the process.
    for (unsigned i = 0; i < n; ++i) std::thread([this] { work(); }).detach();
  }

  void work() {
    for (;;) {
      uint64_t until = monotonicNow() + kLingerNanos;
      while (queued_.load(std::memory_order_acquire) == 0 && monotonicNow() < until) relax();
      std::function<void()> block;
      {
        std::unique_lock lock(mutex_);
        ++sleepers_;
        ready_.wait(lock, [this] { return !queue_.empty(); });
        --sleepers_;
        block = std::move(queue_.front());
        queue_.pop_front();
        queued_.store(queue_.size(), std::memory_order_release);
      }
      try {
        block();
      } catch (const std::exception& e) {
        // Nobody waits for an asynchronous block; report and keep the worker.
        std::fprintf(stderr, "dispatch: block on a global queue raised: %s\n", e.what());
      } catch (...) {
        std::fprintf(stderr, "dispatch: block on a global queue raised an exception\n");
      }
    }
  }

  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<std::function<void()>> queue_;
  std::atomic<size_t> queued_{0};  // queue_.size(), for lingering workers to watch
  int sleepers_ = 0;               // workers in ready_.wait
  bool started_ = false;
};

Pool& pool() {
  static Pool* p = new Pool;  // leaked: workers outlive static destruction
  return *p;
}

dispatch_queue_s mainQueue{"com.apple.main-thread", true};
dispatch_queue_s globalQueues[] = {
    {"com.apple.root.user-interactive-qos", false}, {"com.apple.root.user-initiated-qos", false},
    {"com.apple.root.default-qos", false},          {"com.apple.root.utility-qos", false},
    {"com.apple.root.background-qos", false},
};

void requireQueue(dispatch_queue_t queue, const char* fn) {
  if (!queue) NSException::raise(NSInvalidArgumentException, std::string(fn) + ": queue is null");
}

void requireBlock(bool present, const char* fn) {
  if (!present)
    NSException::raise(NSInvalidArgumentException, std::string(fn) + ": block is empty");
}

}  // namespace

void poolAsync(std::function<void()> block) {
  pool().async(std::move(block));
}

}  // namespace nimbra::dispatch

using namespace nimbra::dispatch;

dispatch_time_t dispatch_time(dispatch_time_t when, int64_t delta) {
  if (when == DISPATCH_TIME_FOREVER) return DISPATCH_TIME_FOREVER;
  uint64_t base = when == DISPATCH_TIME_NOW ? monotonicNow() : when;
  if (delta >= 0) {
    uint64_t d = static_cast<uint64_t>(delta);
    return base >= DISPATCH_TIME_FOREVER - d ? DISPATCH_TIME_FOREVER : base + d;
  }
  uint64_t d = static_cast<uint64_t>(-(delta + 1)) + 1;  // |delta| without overflow
  return base <= d ? 1 : base - d;
}

dispatch_queue_t dispatch_get_main_queue() {
  return &mainQueue;
}

dispatch_queue_t dispatch_get_global_queue(long identifier, unsigned long flags) {
  if (flags != 0) return nullptr;
  switch (identifier) {
    case QOS_CLASS_USER_INTERACTIVE:
      return &globalQueues[0];
    case DISPATCH_QUEUE_PRIORITY_HIGH:
    case QOS_CLASS_USER_INITIATED:
      return &globalQueues[1];
    case DISPATCH_QUEUE_PRIORITY_DEFAULT:
    case QOS_CLASS_DEFAULT:
      return &globalQueues[2];
    case DISPATCH_QUEUE_PRIORITY_LOW:
    case QOS_CLASS_UTILITY:
      return &globalQueues[3];
    case DISPATCH_QUEUE_PRIORITY_BACKGROUND:
    case QOS_CLASS_BACKGROUND:
      return &globalQueues[4];
    default:
      return nullptr;
  }
}

const char* dispatch_queue_get_label(dispatch_queue_t queue) {
  return queue ? queue->label : "";
}

void dispatch_async(dispatch_queue_t queue, dispatch_block_t block) {
  requireQueue(queue, "dispatch_async");
  requireBlock(static_cast<bool>(block), "dispatch_async");
  if (queue->main) {
    mainLoop().perform(std::move(block));
  } else {
    poolAsync(std::move(block));
  }
}

void dispatch_sync(dispatch_queue_t queue, const dispatch_block_t& block) {
  requireQueue(queue, "dispatch_sync");
  requireBlock(static_cast<bool>(block), "dispatch_sync");
  if (!queue->main || isMainThread()) {
    block();
    return;
  }
  struct Wait {
    std::mutex mutex;
    std::condition_variable cv;
    bool done = false;
    std::exception_ptr error;
  } wait;
  mainLoop().perform([&block, &wait] {
    std::exception_ptr error;
    try {
      block();
    } catch (...) {
      error = std::current_exception();
    }
    // Notify under the lock: the waiter's frame (and `wait`) is gone once it sees done.
    std::lock_guard lock(wait.mutex);
    wait.error = error;
    wait.done = true;
    wait.cv.notify_one();
  });
  std::unique_lock lock(wait.mutex);
  wait.cv.wait(lock, [&wait] { return wait.done; });
  if (wait.error) std::rethrow_exception(wait.error);
}

void dispatch_after(dispatch_time_t when, dispatch_queue_t queue, dispatch_block_t block) {
  requireQueue(queue, "dispatch_after");
  requireBlock(static_cast<bool>(block), "dispatch_after");
  if (when == DISPATCH_TIME_FOREVER) return;
  if (when == DISPATCH_TIME_NOW) when = monotonicNow();
  if (queue->main) {
    mainLoop().addTimer(when, std::move(block));
  } else {
    managerLoop().addTimer(when,
                           [block = std::move(block)]() mutable { poolAsync(std::move(block)); });
  }
}

namespace {
std::mutex onceMutex;
std::condition_variable onceDone;
constexpr dispatch_once_t kOnceRunning = 1;
constexpr dispatch_once_t kOnceDone = ~dispatch_once_t{0};
}  // namespace

void dispatch_once(dispatch_once_t* predicate, const dispatch_block_t& block) {
  if (!predicate)
    NSException::raise(NSInvalidArgumentException, "dispatch_once: predicate is null");
  std::atomic_ref<dispatch_once_t> state(*predicate);
  if (state.load(std::memory_order_acquire) == kOnceDone) return;
  {
    std::unique_lock lock(onceMutex);
    for (;;) {
      dispatch_once_t s = state.load(std::memory_order_acquire);
      if (s == kOnceDone) return;
      if (s != kOnceRunning) break;
      onceDone.wait(lock);
    }
    state.store(kOnceRunning, std::memory_order_relaxed);
  }
  try {
    requireBlock(static_cast<bool>(block), "dispatch_once");
    block();
  } catch (...) {
    {
      std::lock_guard lock(onceMutex);
      state.store(0, std::memory_order_release);
    }
    onceDone.notify_all();
    throw;
  }
  {
    std::lock_guard lock(onceMutex);
    state.store(kOnceDone, std::memory_order_release);
  }
  onceDone.notify_all();
}
