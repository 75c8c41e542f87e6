// libnimbra_springboard is built with hidden visibility: only what its public headers mark with
// NIMBRA_SPRINGBOARD_API is exported (for a class: its vtable, typeinfo and out-of-line members).
#pragma once

#define NIMBRA_SPRINGBOARD_API __attribute__((visibility("default")))
