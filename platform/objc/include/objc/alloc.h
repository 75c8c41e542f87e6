// Creating objects of classes found by name: hosts making a bundle's controllers and
// cells, the keyed unarchiver making the classes an archive names.
//
// A class that may be created by name registers a factory under "alloc" in its
// OBJC_CLASS_IMPL, which makes a default object of exactly that class:
//
//   OBJC_CLASS_IMPL(HeaderCell) { objc::registerAlloc<HeaderCell>(cls); ... }
//
// A class without a default constructor names a function that makes a placeholder:
//
//   static id makeURL() { return std::make_shared<NSURL>(std::string(), NSURL::Parts{}); }
//   OBJC_CLASS_IMPL(NSURL) { objc::registerAllocWith<&makeURL>(cls); }
//
// The creator then sends the initialiser it needs ("init", "initWithSpecifier:",
// "initWithCoder:", ...), which answers the object to use: the receiver, or another
// object when the class keeps its values immutable.
#pragma once

#include <memory>

#include "objc/NSObject.h"
#include "objc/ObjCExport.h"

namespace objc {

template <class T>
id allocFactory(NSObject*, SEL) {
  return std::make_shared<T>();
}

template <id (*Make)()>
id allocFactoryWith(NSObject*, SEL) {
  return Make();
}

template <class T>
void registerAlloc(Class cls) {
  class_addMethod(cls, OBJC_SEL("alloc"), objc::method<&allocFactory<T>>());
}

template <id (*Make)()>
void registerAllocWith(Class cls) {
  class_addMethod(cls, OBJC_SEL("alloc"), objc::method<&allocFactoryWith<Make>>());
}

}  // namespace objc

// A new object of exactly `cls`; none when `cls` is none or has no factory of its own
// (an inherited one would make an object of the wrong class).
NIMBRA_OBJC_API id class_createInstance(Class cls);
