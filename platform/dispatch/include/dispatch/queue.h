// Queues: the main queue (served by the main thread's run loop) and the global
// concurrent queues (one pool of worker threads, one per core).
//
//   dispatch_async(dispatch_get_global_queue(DISPATCH_QUEUE_PRIORITY_DEFAULT, 0), [=] {
//     auto found = scan(text);
//     dispatch_sync(dispatch_get_main_queue(), [&] { apply(found); });
//   });
//
// Queues live for the whole process; dispatch_queue_t is a plain pointer to one.
// Passing a null queue or an empty block raises NSInvalidArgumentException.
#pragma once

#include <cstdint>
#include <functional>

#include "dispatch/DispatchExport.h"
#include "dispatch/time.h"

struct dispatch_queue_s;
using dispatch_queue_t = dispatch_queue_s*;
using dispatch_block_t = std::function<void()>;
using dispatch_once_t = intptr_t;

inline constexpr long DISPATCH_QUEUE_PRIORITY_HIGH = 2;
inline constexpr long DISPATCH_QUEUE_PRIORITY_DEFAULT = 0;
inline constexpr long DISPATCH_QUEUE_PRIORITY_LOW = -2;
inline constexpr long DISPATCH_QUEUE_PRIORITY_BACKGROUND = INT16_MIN;

// Quality-of-service classes, accepted where a priority is.
inline constexpr long QOS_CLASS_USER_INTERACTIVE = 0x21;
inline constexpr long QOS_CLASS_USER_INITIATED = 0x19;
inline constexpr long QOS_CLASS_DEFAULT = 0x15;
inline constexpr long QOS_CLASS_UTILITY = 0x11;
inline constexpr long QOS_CLASS_BACKGROUND = 0x09;

NIMBRA_DISPATCH_API dispatch_queue_t dispatch_get_main_queue();

// A global concurrent queue. All priorities share one pool of worker threads, as many
// as the machine has cores, taking blocks in the order they were submitted. An unknown
// identifier or non-zero flags give none (nullptr).
NIMBRA_DISPATCH_API dispatch_queue_t dispatch_get_global_queue(long identifier,
                                                               unsigned long flags);

// "com.apple.main-thread" for the main queue, "com.apple.root.<qos>-qos" for a global one.
NIMBRA_DISPATCH_API const char* dispatch_queue_get_label(dispatch_queue_t queue);

NIMBRA_DISPATCH_API void dispatch_async(dispatch_queue_t queue, dispatch_block_t block);

// Runs `block` on `queue` and waits for it to finish.
// - Main queue from another thread: the block runs when the main thread's run loop next
//   serves the main queue; the caller blocks until then (so the main thread must be
//   running its loop, or this waits for ever, as on the device).
// - Main queue from the main thread itself: the block runs inline, at once. The device
//   deadlocks here; running inline keeps code that cannot know its thread working.
// - A global queue: the block runs inline on the calling thread.
// An exception thrown by the block is rethrown to the caller.
NIMBRA_DISPATCH_API void dispatch_sync(dispatch_queue_t queue, const dispatch_block_t& block);

// Runs `block` on `queue` at `when` or soon after. DISPATCH_TIME_FOREVER never runs.
NIMBRA_DISPATCH_API void dispatch_after(dispatch_time_t when, dispatch_queue_t queue,
                                        dispatch_block_t block);

// Runs `block` once per predicate for the life of the process, however many threads
// race to it; callers that lose the race wait until it has finished. If the block
// throws, the exception reaches the caller and the predicate stays unset, so a later
// call runs it again. A null predicate raises NSInvalidArgumentException.
NIMBRA_DISPATCH_API void dispatch_once(dispatch_once_t* predicate, const dispatch_block_t& block);

namespace nimbra::dispatch {
// Whether the calling thread is the process's initial thread, the one that serves the
// main queue.
NIMBRA_DISPATCH_API bool isMainThread();
}  // namespace nimbra::dispatch
