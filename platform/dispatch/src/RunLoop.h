// The run loop behind CFRunLoopRef: blocks to perform, timers and descriptors, served
// on the thread that runs it. Everything but run() may be called from any thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string_view>
#include <unordered_map>

#include "dispatch/CFRunLoop.h"

class CFRunLoop {
 public:
  using Block = std::function<void()>;
  using FdHandler = std::function<void()>;

  // The main thread's loop serves the main queue and so never runs out of things to
  // serve; an internal service thread's loop likewise keeps running; any other thread's
  // loop returns when it has nothing left.
  enum class Role { Thread, Main, Service };
  explicit CFRunLoop(Role role);
  ~CFRunLoop();
  CFRunLoop(const CFRunLoop&) = delete;
  CFRunLoop& operator=(const CFRunLoop&) = delete;

  bool isMain() const { return main_; }

  void perform(Block block);  // queued for the next pass; wakes the loop
  void performWithoutWake(Block block);

  uint64_t addTimer(uint64_t deadline, Block block);
  void cancelTimer(uint64_t id);

  // Watches a descriptor for input. With `oneShot` the watch pauses after each event
  // until rearm(); otherwise it fires on every pass while input is pending.
  // Returns 0 when epoll refuses the descriptor.
  uint64_t addFd(int fd, FdHandler handler, bool oneShot);
  void rearmFd(uint64_t id);
  void removeFd(uint64_t id);

  CFRunLoopRunResult run(std::string_view mode, double seconds, bool returnAfterSourceHandled);
  void stop();
  void wake();
  bool isWaiting() const { return waiting_.load(std::memory_order_acquire); }

 private:
  struct FdEntry {
    int fd;
    bool oneShot;
    FdHandler handler;
  };

  bool runBlocks();
  void fireDueTimers();
  bool hasWork();
  int waitMillisOrNs(uint64_t deadline, struct epoll_event* events, int max);

  const bool main_;
  const bool keepAlive_;
  int epfd_ = -1;
  int wakefd_ = -1;
  std::atomic<bool> wakePending_{false};
  std::atomic<bool> stopped_{false};
  std::atomic<bool> waiting_{false};

  std::mutex mutex_;
  std::deque<Block> blocks_;
  uint64_t nextId_ = 1;
  std::map<std::pair<uint64_t, uint64_t>, Block> timers_;  // (deadline, id)
  std::unordered_map<uint64_t, uint64_t> timerDeadlines_;  // id -> deadline
  std::unordered_map<uint64_t, std::shared_ptr<FdEntry>> fds_;
};

namespace nimbra::dispatch {
// The loop of the hidden thread that watches sources and timers for the global queues.
CFRunLoop& managerLoop();
CFRunLoop& mainLoop();
}  // namespace nimbra::dispatch
