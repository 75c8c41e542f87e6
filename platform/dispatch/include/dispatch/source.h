// Event sources: a descriptor that becomes readable, or a timer, whose handler runs on
// a queue. A source on the main queue is served by the main run loop itself; one on a
// global queue is watched by a manager thread and its handler runs on the pool, one
// invocation at a time.
//
//   auto src = dispatch_source_create(DISPATCH_SOURCE_TYPE_READ, fd, 0,
//                                     dispatch_get_main_queue());
//   dispatch_source_set_event_handler(src, [fd] { drain(fd); });
//   dispatch_resume(src);
//   ...
//   dispatch_source_cancel(src);
//
// A source is created suspended and starts with its first dispatch_resume. While
// resumed and not cancelled it stays alive even when its creator lets go of it;
// dispatch_source_cancel ends it (no handler starts after cancel returns on the
// source's own queue thread; one already running elsewhere may finish).
#pragma once

#include <cstdint>
#include <memory>

#include "dispatch/DispatchExport.h"
#include "dispatch/queue.h"

struct dispatch_source_type_s;
using dispatch_source_type_t = const dispatch_source_type_s*;

NIMBRA_DISPATCH_API extern const dispatch_source_type_s _dispatch_source_type_read;
NIMBRA_DISPATCH_API extern const dispatch_source_type_s _dispatch_source_type_timer;
#define DISPATCH_SOURCE_TYPE_READ (&_dispatch_source_type_read)
#define DISPATCH_SOURCE_TYPE_TIMER (&_dispatch_source_type_timer)

struct dispatch_source_s;
using dispatch_source_t = std::shared_ptr<dispatch_source_s>;

// READ: `handle` is an open descriptor (pipe, socket, eventfd, inotify, terminal...);
// the handler runs while it has data to read. The source watches a duplicate of the
// descriptor, so the caller keeps ownership of its own. TIMER: `handle` and `mask`
// are ignored; nothing fires until dispatch_source_set_timer.
// Gives none for an unknown type, a descriptor that is not open, or a regular file or
// directory (which cannot be waited on). A null queue means the default global queue.
NIMBRA_DISPATCH_API dispatch_source_t dispatch_source_create(dispatch_source_type_t type,
                                                             uintptr_t handle, unsigned long mask,
                                                             dispatch_queue_t queue);

NIMBRA_DISPATCH_API void dispatch_source_set_event_handler(const dispatch_source_t& source,
                                                           dispatch_block_t handler);
// Runs on the source's queue once the source is cancelled.
NIMBRA_DISPATCH_API void dispatch_source_set_cancel_handler(const dispatch_source_t& source,
                                                            dispatch_block_t handler);

// First fire at `start` (DISPATCH_TIME_NOW: at once; DISPATCH_TIME_FOREVER: never), then
// every `interval` nanoseconds; an interval of DISPATCH_TIME_FOREVER fires once. Fires
// missed while the queue was busy are folded into one, counted by
// dispatch_source_get_data. `leeway` is accepted and ignored.
NIMBRA_DISPATCH_API void dispatch_source_set_timer(const dispatch_source_t& source,
                                                   dispatch_time_t start, uint64_t interval,
                                                   uint64_t leeway);

// Suspension counts. A source starts suspended once. Resuming a source that is not
// suspended raises NSInternalInconsistencyException.
NIMBRA_DISPATCH_API void dispatch_resume(const dispatch_source_t& source);
NIMBRA_DISPATCH_API void dispatch_suspend(const dispatch_source_t& source);

NIMBRA_DISPATCH_API void dispatch_source_cancel(const dispatch_source_t& source);
NIMBRA_DISPATCH_API long dispatch_source_testcancel(const dispatch_source_t& source);

NIMBRA_DISPATCH_API uintptr_t dispatch_source_get_handle(const dispatch_source_t& source);
NIMBRA_DISPATCH_API unsigned long dispatch_source_get_mask(const dispatch_source_t& source);
// Inside the handler: bytes available (READ) or fires since the last handler (TIMER).
NIMBRA_DISPATCH_API unsigned long dispatch_source_get_data(const dispatch_source_t& source);
