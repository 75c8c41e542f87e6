// Run loops in Core Foundation's names. Each thread has one; the main thread's is the
// host's main loop and the one place the main queue, main-queue sources and
// main-queue timers are served. A loop is built on epoll: it sleeps until a descriptor
// is ready, a timer is due or another thread wakes it.
//
// Modes: sources live in the default mode (kCFRunLoopCommonModes counts as the same).
// Running in any other mode finds nothing to serve and returns kCFRunLoopRunFinished at
// once. Mode names are compared by their text.
#pragma once

#include <memory>

#include "dispatch/DispatchExport.h"
#include "dispatch/queue.h"

using Boolean = bool;  // as CoreFoundation/CFBase.h has it
using CFTimeInterval = double;
using CFRunLoopMode = const char*;

class CFRunLoop;
using CFRunLoopRef = std::shared_ptr<CFRunLoop>;

NIMBRA_DISPATCH_API extern const CFRunLoopMode kCFRunLoopDefaultMode;
NIMBRA_DISPATCH_API extern const CFRunLoopMode kCFRunLoopCommonModes;

enum : int32_t {
  kCFRunLoopRunFinished = 1,  // nothing left to serve (never, for the main loop)
  kCFRunLoopRunStopped = 2,
  kCFRunLoopRunTimedOut = 3,
  kCFRunLoopRunHandledSource = 4,
};
using CFRunLoopRunResult = int32_t;

// The same object on every call.
NIMBRA_DISPATCH_API CFRunLoopRef CFRunLoopGetMain();
NIMBRA_DISPATCH_API CFRunLoopRef CFRunLoopGetCurrent();

// Runs the current thread's loop until it is stopped (or, off the main thread, until
// it has nothing left to serve).
NIMBRA_DISPATCH_API void CFRunLoopRun();

// Runs the current thread's loop for at most `seconds` (0: one pass over what is ready).
// With `returnAfterSourceHandled` it returns after the first pass that ran main-queue
// blocks or a descriptor source's handler; timers do not count. A stop requested while
// the loop was not running makes the next run return kCFRunLoopRunStopped at once.
NIMBRA_DISPATCH_API CFRunLoopRunResult CFRunLoopRunInMode(CFRunLoopMode mode,
                                                          CFTimeInterval seconds,
                                                          Boolean returnAfterSourceHandled);

// Makes the innermost run of `rl` return kCFRunLoopRunStopped. Callable from any thread.
NIMBRA_DISPATCH_API void CFRunLoopStop(const CFRunLoopRef& rl);
NIMBRA_DISPATCH_API void CFRunLoopWakeUp(const CFRunLoopRef& rl);
// Whether the loop is blocked waiting for something to happen.
NIMBRA_DISPATCH_API Boolean CFRunLoopIsWaiting(const CFRunLoopRef& rl);
// Queues a block for `rl`'s next pass (from any thread; wake it with CFRunLoopWakeUp).
NIMBRA_DISPATCH_API void CFRunLoopPerformBlock(const CFRunLoopRef& rl, CFRunLoopMode mode,
                                               dispatch_block_t block);
