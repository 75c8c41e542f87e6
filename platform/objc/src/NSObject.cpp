#include "objc/NSObject.h"

#include <cstdio>
#include <functional>

#include "objc/NSException.h"

const char* const NSInvalidArgumentException = "NSInvalidArgumentException";
const char* const NSRangeException = "NSRangeException";
const char* const NSInternalInconsistencyException = "NSInternalInconsistencyException";
const char* const NSGenericException = "NSGenericException";

NSObject::~NSObject() = default;

Class NSObject::class_() {
  static const Class cls = objc::registerClass("NSObject", nullptr, nullptr);
  return cls;
}

[[maybe_unused]] static const Class NSObject_objcLoaded = NSObject::class_();

Class NSObject::getClass() const {
  return NSObject::class_();
}

BOOL NSObject::isMemberOfClass(Class cls) const {
  return cls && getClass() == cls;
}

BOOL NSObject::respondsToSelector(SEL sel) const {
  return class_respondsToSelector(getClass(), sel);
}

BOOL NSObject::isEqual(const NSObject* other) const {
  return this == other;
}

std::size_t NSObject::hash() const {
  return std::hash<const void*>()(this);
}

std::string NSObject::description() const {
  char buf[64];
  std::snprintf(buf, sizeof buf, ": %p>", static_cast<const void*>(this));
  return std::string("<") + class_getName(getClass()) + buf;
}
