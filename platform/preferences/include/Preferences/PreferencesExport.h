// libnimbra_preferences is built with hidden visibility: only what its public headers mark with
// NIMBRA_PREFERENCES_API is exported (for a class: its vtable, typeinfo and out-of-line members).
#pragma once

#define NIMBRA_PREFERENCES_API __attribute__((visibility("default")))
