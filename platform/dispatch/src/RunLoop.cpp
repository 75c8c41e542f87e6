#include "RunLoop.h"

#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <thread>

#include "objc/NSException.h"

const CFRunLoopMode kCFRunLoopDefaultMode = "kCFRunLoopDefaultMode";
const CFRunLoopMode kCFRunLoopCommonModes = "kCFRunLoopCommonModes";

namespace {

constexpr uint64_t kWakeId = 0;

bool servesMode(std::string_view mode) {
  return mode == kCFRunLoopDefaultMode || mode == kCFRunLoopCommonModes;
}

// epoll_pwait2 gives nanosecond timeouts; older kernels only have milliseconds.
std::atomic<bool> havePwait2{true};

}  // namespace

CFRunLoop::CFRunLoop(Role role) : main_(role == Role::Main), keepAlive_(role == Role::Service) {
  epfd_ = epoll_create1(EPOLL_CLOEXEC);
  wakefd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (epfd_ < 0 || wakefd_ < 0) {
    int err = errno;
    if (epfd_ >= 0) close(epfd_);
    if (wakefd_ >= 0) close(wakefd_);
    NSException::raise(NSInternalInconsistencyException,
                       std::string("cannot create a run loop: ") + std::strerror(err));
  }
  epoll_event ev{};
  ev.events = EPOLLIN;
  ev.data.u64 = kWakeId;
  epoll_ctl(epfd_, EPOLL_CTL_ADD, wakefd_, &ev);
}

CFRunLoop::~CFRunLoop() {
  for (auto& [id, entry] : fds_) close(entry->fd);
  close(wakefd_);
  close(epfd_);
}

void CFRunLoop::performWithoutWake(Block block) {
  std::lock_guard lock(mutex_);
  blocks_.push_back(std::move(block));
}

void CFRunLoop::perform(Block block) {
  performWithoutWake(std::move(block));
  wake();
}

void CFRunLoop::wake() {
  // A burst of posts costs one write: the flag stays set until the loop has woken.
  if (!wakePending_.exchange(true, std::memory_order_acq_rel)) {
    uint64_t one = 1;
    ssize_t r = write(wakefd_, &one, sizeof one);
    (void)r;
  }
}

void CFRunLoop::stop() {
  stopped_.store(true, std::memory_order_release);
  wake();
}

uint64_t CFRunLoop::addTimer(uint64_t deadline, Block block) {
  uint64_t id;
  {
    std::lock_guard lock(mutex_);
    id = nextId_++;
    timers_.emplace(std::make_pair(deadline, id), std::move(block));
    timerDeadlines_.emplace(id, deadline);
  }
  wake();
  return id;
}

void CFRunLoop::cancelTimer(uint64_t id) {
  Block dropped;  // destroyed outside the lock: it may own the last reference to a source
  std::lock_guard lock(mutex_);
  auto it = timerDeadlines_.find(id);
  if (it == timerDeadlines_.end()) return;
  auto t = timers_.find({it->second, id});
  if (t != timers_.end()) {
    dropped = std::move(t->second);
    timers_.erase(t);
  }
  timerDeadlines_.erase(it);
}

uint64_t CFRunLoop::addFd(int fd, FdHandler handler, bool oneShot) {
  std::lock_guard lock(mutex_);
  uint64_t id = nextId_++;
  epoll_event ev{};
  ev.events = EPOLLIN | (oneShot ? EPOLLONESHOT : 0u);
  ev.data.u64 = id;
  if (epoll_ctl(epfd_, EPOLL_CTL_ADD, fd, &ev) != 0) {
    close(fd);
    return 0;
  }
  fds_.emplace(id, std::make_shared<FdEntry>(FdEntry{fd, oneShot, std::move(handler)}));
  return id;
}

void CFRunLoop::rearmFd(uint64_t id) {
  // Under the lock so that removeFd cannot close the descriptor (and its number be
  // reused) between the lookup and the call.
  std::lock_guard lock(mutex_);
  auto it = fds_.find(id);
  if (it == fds_.end()) return;
  epoll_event ev{};
  ev.events = EPOLLIN | EPOLLONESHOT;
  ev.data.u64 = id;
  epoll_ctl(epfd_, EPOLL_CTL_MOD, it->second->fd, &ev);
}

void CFRunLoop::removeFd(uint64_t id) {
  std::shared_ptr<FdEntry> dropped;
  std::lock_guard lock(mutex_);
  auto it = fds_.find(id);
  if (it == fds_.end()) return;
  dropped = std::move(it->second);
  fds_.erase(it);
  epoll_ctl(epfd_, EPOLL_CTL_DEL, dropped->fd, nullptr);
  close(dropped->fd);
}

bool CFRunLoop::runBlocks() {
  // Only the blocks queued before this pass: blocks that queue more cannot starve the
  // loop's other sources.
  size_t count;
  {
    std::lock_guard lock(mutex_);
    count = blocks_.size();
  }
  for (size_t i = 0; i < count; ++i) {
    Block block;
    {
      std::lock_guard lock(mutex_);
      if (blocks_.empty()) break;
      block = std::move(blocks_.front());
      blocks_.pop_front();
    }
    block();
  }
  return count > 0;
}

void CFRunLoop::fireDueTimers() {
  uint64_t now = nimbra::dispatch::monotonicNow();
  for (;;) {
    Block block;
    {
      std::lock_guard lock(mutex_);
      if (timers_.empty() || timers_.begin()->first.first > now) return;
      auto it = timers_.begin();
      block = std::move(it->second);
      timerDeadlines_.erase(it->first.second);
      timers_.erase(it);
    }
    block();
  }
}

bool CFRunLoop::hasWork() {
  std::lock_guard lock(mutex_);
  return !blocks_.empty() || !timers_.empty() || !fds_.empty();
}

int CFRunLoop::waitMillisOrNs(uint64_t wakeAt, epoll_event* events, int max) {
  uint64_t now = nimbra::dispatch::monotonicNow();
  uint64_t rel = wakeAt > now ? wakeAt - now : 0;
  int n;
  waiting_.store(true, std::memory_order_release);
  if (havePwait2.load(std::memory_order_relaxed)) {
    timespec ts{static_cast<time_t>(rel / 1000000000ull), static_cast<long>(rel % 1000000000ull)};
    n = epoll_pwait2(epfd_, events, max, wakeAt == UINT64_MAX ? nullptr : &ts, nullptr);
    if (n < 0 && errno == ENOSYS) havePwait2.store(false, std::memory_order_relaxed);
  } else {
    n = -1;
    errno = ENOSYS;
  }
  if (n < 0 && errno == ENOSYS) {
    int ms = -1;
    if (wakeAt != UINT64_MAX) {
      uint64_t m = (rel + 999999) / 1000000;
      ms = m > INT32_MAX ? INT32_MAX : static_cast<int>(m);
    }
    n = epoll_wait(epfd_, events, max, ms);
  }
  waiting_.store(false, std::memory_order_release);
  return n < 0 ? 0 : n;  // EINTR: just another pass
}

CFRunLoopRunResult CFRunLoop::run(std::string_view mode, double seconds,
                                  bool returnAfterSourceHandled) {
  if (!servesMode(mode)) return kCFRunLoopRunFinished;
  if (stopped_.exchange(false, std::memory_order_acq_rel)) return kCFRunLoopRunStopped;

  uint64_t start = nimbra::dispatch::monotonicNow();
  uint64_t deadline;
  if (!(seconds > 0)) {
    deadline = start;  // zero, negative and NaN: a single pass
  } else if (seconds > 1e9) {
    deadline = UINT64_MAX;
  } else {
    deadline = start + static_cast<uint64_t>(seconds * 1e9);
  }

  epoll_event events[64];
  for (;;) {
    bool handled = runBlocks();
    if (stopped_.exchange(false, std::memory_order_acq_rel)) return kCFRunLoopRunStopped;
    if (handled && returnAfterSourceHandled) return kCFRunLoopRunHandledSource;
    fireDueTimers();
    if (stopped_.exchange(false, std::memory_order_acq_rel)) return kCFRunLoopRunStopped;
    if (!main_ && !keepAlive_ && !hasWork()) return kCFRunLoopRunFinished;

    uint64_t wakeAt = deadline;
    {
      std::lock_guard lock(mutex_);
      if (!blocks_.empty()) {
        wakeAt = 0;
      } else if (!timers_.empty() && timers_.begin()->first.first < wakeAt) {
        wakeAt = timers_.begin()->first.first;
      }
    }
    int n = waitMillisOrNs(wakeAt, events, 64);
    for (int i = 0; i < n; ++i) {
      uint64_t id = events[i].data.u64;
      if (id == kWakeId) {
        wakePending_.store(false, std::memory_order_release);
        uint64_t count;
        ssize_t r = read(wakefd_, &count, sizeof count);
        (void)r;
        continue;
      }
      std::shared_ptr<FdEntry> entry;
      {
        std::lock_guard lock(mutex_);
        auto it = fds_.find(id);
        if (it != fds_.end()) entry = it->second;
      }
      if (!entry) continue;  // removed while this batch was being served
      entry->handler();
      handled = true;
    }
    if (stopped_.exchange(false, std::memory_order_acq_rel)) return kCFRunLoopRunStopped;
    if (handled && returnAfterSourceHandled) return kCFRunLoopRunHandledSource;
    if (nimbra::dispatch::monotonicNow() >= deadline) return kCFRunLoopRunTimedOut;
  }
}

namespace nimbra::dispatch {

static const CFRunLoopRef& mainLoopRef() {
  // Leaked on purpose: sources and other threads may still reach it during exit.
  static const CFRunLoopRef* loop =
      new CFRunLoopRef(std::make_shared<CFRunLoop>(CFRunLoop::Role::Main));
  return *loop;
}

CFRunLoop& mainLoop() {
  return *mainLoopRef();
}

CFRunLoop& managerLoop() {
  static CFRunLoop* loop = [] {
    auto* l = new CFRunLoop(CFRunLoop::Role::Service);
    std::thread([l] {
      for (;;) l->run(kCFRunLoopDefaultMode, 1e10, false);
    }).detach();
    return l;
  }();
  return *loop;
}

}  // namespace nimbra::dispatch

using nimbra::dispatch::mainLoopRef;

CFRunLoopRef CFRunLoopGetMain() {
  return mainLoopRef();
}

CFRunLoopRef CFRunLoopGetCurrent() {
  if (nimbra::dispatch::isMainThread()) return mainLoopRef();
  thread_local CFRunLoopRef loop = std::make_shared<CFRunLoop>(CFRunLoop::Role::Thread);
  return loop;
}

void CFRunLoopRun() {
  CFRunLoopRef loop = CFRunLoopGetCurrent();
  for (;;) {
    CFRunLoopRunResult r = loop->run(kCFRunLoopDefaultMode, 1e10, false);
    if (r == kCFRunLoopRunStopped || r == kCFRunLoopRunFinished) return;
  }
}

CFRunLoopRunResult CFRunLoopRunInMode(CFRunLoopMode mode, CFTimeInterval seconds,
                                      Boolean returnAfterSourceHandled) {
  if (!mode) return kCFRunLoopRunFinished;
  return CFRunLoopGetCurrent()->run(mode, seconds, returnAfterSourceHandled != 0);
}

void CFRunLoopStop(const CFRunLoopRef& rl) {
  if (rl) rl->stop();
}

void CFRunLoopWakeUp(const CFRunLoopRef& rl) {
  if (rl) rl->wake();
}

Boolean CFRunLoopIsWaiting(const CFRunLoopRef& rl) {
  return rl && rl->isWaiting();
}

void CFRunLoopPerformBlock(const CFRunLoopRef& rl, CFRunLoopMode mode, dispatch_block_t block) {
  if (!rl || !mode || !block || !servesMode(mode)) return;
  rl->performWithoutWake(std::move(block));
}
