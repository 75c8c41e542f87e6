#include "dispatch/source.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <mutex>

#include "Pool.h"
#include "RunLoop.h"
#include "objc/NSException.h"

struct dispatch_source_type_s {
  int kind;
};
const dispatch_source_type_s _dispatch_source_type_read{0};
const dispatch_source_type_s _dispatch_source_type_timer{1};

using Handler = std::shared_ptr<const std::function<void()>>;

struct dispatch_source_s : std::enable_shared_from_this<dispatch_source_s> {
  dispatch_source_type_t type = nullptr;
  uintptr_t handle = 0;
  unsigned long mask = 0;
  dispatch_queue_t queue = nullptr;
  bool onMain = false;
  int fd = -1;  // our own duplicate of a READ source's descriptor

  std::mutex mutex;
  Handler handler;
  Handler cancelHandler;
  int suspendCount = 1;
  std::atomic<bool> cancelled{false};
  uint64_t fdId = 0;
  uint64_t timerId = 0;
  uint64_t generation = 0;  // stale timer fires compare against it
  dispatch_time_t nextDeadline = DISPATCH_TIME_FOREVER;
  uint64_t interval = DISPATCH_TIME_FOREVER;

  std::atomic<unsigned long> data{0};
  std::atomic<unsigned long> pendingData{0};
  std::atomic<bool> deliveryPending{false};

  ~dispatch_source_s() {
    if (fd >= 0) close(fd);
  }

  CFRunLoop& loop() const {
    return onMain ? nimbra::dispatch::mainLoop() : nimbra::dispatch::managerLoop();
  }
  bool isRead() const { return type == DISPATCH_SOURCE_TYPE_READ; }

  // Both with `mutex` held.
  void activate();
  void deactivate();

  void readReady();
  void timerFired(uint64_t gen);
  void deliver(unsigned long count);
  void invokeHandler();
};

void dispatch_source_s::activate() {
  auto self = shared_from_this();
  if (isRead()) {
    int copy = fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (copy < 0) return;
    fdId = loop().addFd(
        copy, [self] { self->readReady(); }, !onMain);
  } else if (nextDeadline != DISPATCH_TIME_FOREVER) {
    uint64_t gen = generation;
    timerId = loop().addTimer(nextDeadline, [self, gen] { self->timerFired(gen); });
  }
}

void dispatch_source_s::deactivate() {
  if (fdId) loop().removeFd(fdId);
  fdId = 0;
  if (timerId) loop().cancelTimer(timerId);
  timerId = 0;
  ++generation;
}

void dispatch_source_s::invokeHandler() {
  Handler h;
  {
    std::lock_guard lock(mutex);
    if (cancelled.load() || suspendCount > 0) return;
    h = handler;
  }
  if (h && *h) (*h)();
}

void dispatch_source_s::readReady() {
  // A READ source's data (bytes available) is asked of the descriptor when read:
  // most handlers never ask, and a system call per event is felt in latency.
  if (onMain) {
    invokeHandler();
    return;
  }
  // The watch is one-shot: nothing more arrives until the handler is done and re-arms.
  nimbra::dispatch::poolAsync([self = shared_from_this()] {
    self->invokeHandler();
    std::lock_guard lock(self->mutex);
    if (self->fdId) self->loop().rearmFd(self->fdId);
  });
}

void dispatch_source_s::timerFired(uint64_t gen) {
  unsigned long count = 1;
  {
    std::lock_guard lock(mutex);
    if (gen != generation || cancelled.load() || suspendCount > 0) return;
    timerId = 0;
    if (interval == DISPATCH_TIME_FOREVER) {
      nextDeadline = DISPATCH_TIME_FOREVER;
    } else {
      uint64_t now = nimbra::dispatch::monotonicNow();
      uint64_t fired = nextDeadline;
      uint64_t missed = now > fired ? (now - fired) / interval : 0;
      count += missed;
      unsigned __int128 next = static_cast<unsigned __int128>(fired) +
                               static_cast<unsigned __int128>(missed + 1) * interval;
      nextDeadline =
          next >= DISPATCH_TIME_FOREVER ? DISPATCH_TIME_FOREVER : static_cast<uint64_t>(next);
      activate();
    }
  }
  deliver(count);
}

void dispatch_source_s::deliver(unsigned long count) {
  if (onMain) {
    data.store(count);
    invokeHandler();
    return;
  }
  pendingData.fetch_add(count);
  // One handler at a time: fires that land while it runs are folded into the next one.
  if (deliveryPending.exchange(true)) return;
  nimbra::dispatch::poolAsync([self = shared_from_this()] {
    for (;;) {
      self->data.store(self->pendingData.exchange(0));
      self->invokeHandler();
      self->deliveryPending.store(false);
      if (self->pendingData.load() == 0 || self->deliveryPending.exchange(true)) return;
    }
  });
}

dispatch_source_t dispatch_source_create(dispatch_source_type_t type, uintptr_t handle,
                                         unsigned long mask, dispatch_queue_t queue) {
  if (type != DISPATCH_SOURCE_TYPE_READ && type != DISPATCH_SOURCE_TYPE_TIMER) return nullptr;
  if (!queue) queue = dispatch_get_global_queue(DISPATCH_QUEUE_PRIORITY_DEFAULT, 0);
  auto source = std::make_shared<dispatch_source_s>();
  source->type = type;
  source->handle = handle;
  source->mask = mask;
  source->queue = queue;
  source->onMain = queue == dispatch_get_main_queue();
  if (type == DISPATCH_SOURCE_TYPE_READ) {
    struct stat st;
    if (handle > INT_MAX || fstat(static_cast<int>(handle), &st) != 0) return nullptr;
    if (S_ISREG(st.st_mode) || S_ISDIR(st.st_mode)) return nullptr;
    source->fd = fcntl(static_cast<int>(handle), F_DUPFD_CLOEXEC, 0);
    if (source->fd < 0) return nullptr;
  }
  return source;
}

static void requireSource(const dispatch_source_t& source, const char* fn) {
  if (!source) {
    NSException::raise(NSInvalidArgumentException, std::string(fn) + ": source is null");
  }
}

void dispatch_source_set_event_handler(const dispatch_source_t& source, dispatch_block_t handler) {
  requireSource(source, "dispatch_source_set_event_handler");
  auto h = std::make_shared<const std::function<void()>>(std::move(handler));
  std::lock_guard lock(source->mutex);
  if (!source->cancelled.load()) source->handler = std::move(h);
}

void dispatch_source_set_cancel_handler(const dispatch_source_t& source, dispatch_block_t handler) {
  requireSource(source, "dispatch_source_set_cancel_handler");
  auto h = std::make_shared<const std::function<void()>>(std::move(handler));
  std::lock_guard lock(source->mutex);
  if (!source->cancelled.load()) source->cancelHandler = std::move(h);
}

void dispatch_source_set_timer(const dispatch_source_t& source, dispatch_time_t start,
                               uint64_t interval, uint64_t leeway) {
  requireSource(source, "dispatch_source_set_timer");
  if (!source->isRead()) {
    std::lock_guard lock(source->mutex);
    if (source->cancelled.load()) return;
    bool active = source->suspendCount == 0;
    if (active) source->deactivate();
    ++source->generation;
    source->nextDeadline = start == DISPATCH_TIME_NOW ? nimbra::dispatch::monotonicNow() : start;
    // An interval of 0 would never advance; the smallest step keeps it repeating.
    source->interval = interval == 0 ? 1 : interval;
    source->pendingData.store(0);
    if (active) source->activate();
  }
}

void dispatch_resume(const dispatch_source_t& source) {
  requireSource(source, "dispatch_resume");
  std::lock_guard lock(source->mutex);
  if (source->suspendCount == 0) {
    NSException::raise(NSInternalInconsistencyException,
                       "dispatch_resume: over-resume of a source that is not suspended");
  }
  if (--source->suspendCount == 0 && !source->cancelled.load()) source->activate();
}

void dispatch_suspend(const dispatch_source_t& source) {
  requireSource(source, "dispatch_suspend");
  std::lock_guard lock(source->mutex);
  if (source->suspendCount++ == 0 && !source->cancelled.load()) source->deactivate();
}

void dispatch_source_cancel(const dispatch_source_t& source) {
  requireSource(source, "dispatch_source_cancel");
  Handler onCancel;
  Handler dropped;
  {
    std::lock_guard lock(source->mutex);
    if (source->cancelled.exchange(true)) return;
    source->deactivate();
    // Handlers often capture the source; letting go of them breaks that cycle.
    dropped = std::move(source->handler);
    onCancel = std::move(source->cancelHandler);
  }
  if (onCancel && *onCancel) dispatch_async(source->queue, [onCancel] { (*onCancel)(); });
}

long dispatch_source_testcancel(const dispatch_source_t& source) {
  return source && source->cancelled.load() ? 1 : 0;
}

uintptr_t dispatch_source_get_handle(const dispatch_source_t& source) {
  return source ? source->handle : 0;
}

unsigned long dispatch_source_get_mask(const dispatch_source_t& source) {
  return source ? source->mask : 0;
}

unsigned long dispatch_source_get_data(const dispatch_source_t& source) {
  if (!source) return 0;
  if (source->isRead()) {
    int avail = 0;
    if (ioctl(source->fd, FIONREAD, &avail) != 0 || avail < 0) avail = 0;
    return static_cast<unsigned long>(avail);
  }
  return source->data.load();
}
