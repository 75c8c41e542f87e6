// Creating objects of classes found by name, under the names the settings code has
// always used; the facility itself is the runtime's (objc/alloc.h).
//
//   OBJC_CLASS_IMPL(HeaderCell) { PSRegisterAlloc<HeaderCell>(cls); ... }
#pragma once

#include "objc/alloc.h"

template <class T>
void PSRegisterAlloc(Class cls) {
  objc::registerAlloc<T>(cls);
}

// A new object of exactly `cls`; none when `cls` is none or has no factory of its own.
inline id PSAllocInstance(Class cls) {
  return class_createInstance(cls);
}
