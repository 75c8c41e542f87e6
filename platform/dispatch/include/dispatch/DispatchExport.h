// libnimbra_dispatch is built with hidden visibility: only what its public headers mark with
// NIMBRA_DISPATCH_API is exported (for a class: its vtable, typeinfo and out-of-line members).
#pragma once

#define NIMBRA_DISPATCH_API __attribute__((visibility("default")))
