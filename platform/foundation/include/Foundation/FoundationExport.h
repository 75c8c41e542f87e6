// libnimbra_foundation is built with hidden visibility: only what its public headers mark with
// NIMBRA_FOUNDATION_API is exported (for a class: its vtable, typeinfo and out-of-line members).
#pragma once

#define NIMBRA_FOUNDATION_API __attribute__((visibility("default")))
