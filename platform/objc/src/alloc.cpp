#include "objc/alloc.h"

id class_createInstance(Class cls) {
  if (!cls) return nullptr;
  SEL alloc = OBJC_SEL("alloc");
  IMP own = class_getMethodImplementation(cls, alloc);
  if (!own || own == class_getMethodImplementation(class_getSuperclass(cls), alloc)) {
    return nullptr;
  }
  id made = objc_callImp<id>(own, nullptr, alloc);
  return made && made->getClass() == cls ? made : nullptr;
}
