// Run loops live in dispatch, beneath Foundation; this is their Core Foundation name.
#pragma once

#include "dispatch/CFRunLoop.h"
