// libnimbra_uikit is built with hidden visibility: only what its public headers mark with
// NIMBRA_UIKIT_API is exported (for a class: its vtable, typeinfo and out-of-line members).
#pragma once

#define NIMBRA_UIKIT_API __attribute__((visibility("default")))
