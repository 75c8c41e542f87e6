// libnimbra_quartzcore is built with hidden visibility: only what its public headers mark with
// NIMBRA_QUARTZCORE_API is exported (for a class: its vtable, typeinfo and out-of-line members).
#pragma once

#define NIMBRA_QUARTZCORE_API __attribute__((visibility("default")))
