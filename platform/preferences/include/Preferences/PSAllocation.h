// Creating objects of classes found by name, under the name the settings code has always
// used; the facility itself is the runtime's (objc/alloc.h), and a class that may be
// created so registers its factory there:
//
//   OBJC_CLASS_IMPL(HeaderCell) { objc::registerAlloc<HeaderCell>(cls); ... }
#pragma once

#include "objc/alloc.h"

// A new object of exactly `cls`; none when `cls` is none or has no factory of its own.
inline id PSAllocInstance(Class cls) {
  return class_createInstance(cls);
}
