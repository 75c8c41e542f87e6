// Dispatch: queues, once, after, event sources, and the run loops that serve them.
#pragma once

#include "dispatch/CFRunLoop.h"
#include "dispatch/queue.h"
#include "dispatch/source.h"
#include "dispatch/time.h"
