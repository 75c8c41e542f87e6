// libnimbra_objc is built with hidden visibility: only what its public headers mark with
// NIMBRA_OBJC_API is exported (for a class: its vtable, typeinfo and out-of-line members).
#pragma once

#define NIMBRA_OBJC_API __attribute__((visibility("default")))
