// Creating objects of classes found by name. A class that a host creates by name (a
// bundle's controllers and cells) registers a factory under "alloc" in its OBJC_CLASS_IMPL:
//
//   OBJC_CLASS_IMPL(HeaderCell) { PSRegisterAlloc<HeaderCell>(cls); ... }
//
// and the host then sends the initialiser it needs ("init", "initWithSpecifier:", ...).
#pragma once

#include "objc/NSObject.h"

template <class T>
id PSAllocFactory(NSObject*, SEL) {
  return std::make_shared<T>();
}

template <class T>
void PSRegisterAlloc(Class cls) {
  class_addMethod(cls, OBJC_SEL("alloc"), reinterpret_cast<IMP>(&PSAllocFactory<T>), "@@:");
}

// A new object of exactly `cls`; none when `cls` is none or has no factory of its own
// (an inherited one would make an object of the wrong class).
id PSAllocInstance(Class cls);
