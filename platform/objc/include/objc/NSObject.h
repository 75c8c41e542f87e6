// The root class. Every runtime-visible object derives from NSObject and is owned through
// Strong<> (std::shared_ptr); `self` inside methods is a plain pointer, and
// `retainedSelf<T>()` turns it back into an owning reference.
//
// A C++ class becomes a runtime class with two macros:
//
//   // header
//   class SBIconView : public UIView {
//     OBJC_CLASS(SBIconView, UIView)
//    public: ...
//   };
//   // source: registered when the library loads, so objc_getClass finds it at once
//   OBJC_CLASS_IMPL(SBIconView) {
//     class_addMethod(cls, OBJC_SEL("layoutSubviews"),
//                     objc::imp<&SBIconView::layoutSubviewsImpl>(), "v@:");
//   }
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "objc/runtime.h"

class NSObject : public std::enable_shared_from_this<NSObject> {
 public:
  NSObject() = default;
  NSObject(const NSObject&) = delete;
  NSObject& operator=(const NSObject&) = delete;
  virtual ~NSObject();

  static Class class_();
  virtual Class getClass() const;

  // isKindOfClass: answers NO for none.
  BOOL isKindOfClass(Class cls) const;
  BOOL isMemberOfClass(Class cls) const;
  BOOL respondsToSelector(SEL sel) const;

  // Value equality where a class defines it; identity otherwise.
  virtual BOOL isEqual(const NSObject* other) const;
  BOOL isEqual(const id& other) const { return isEqual(other.get()); }
  virtual std::size_t hash() const;

  // A UTF-8 description, as %@ in formats and NSLog show it.
  virtual std::string description() const;

  template <class T = NSObject>
  Strong<T> retainedSelf() {
    return std::static_pointer_cast<T>(shared_from_this());
  }
  template <class T = NSObject>
  Strong<const T> retainedSelf() const {
    return std::static_pointer_cast<const T>(shared_from_this());
  }
};

// Casts an object to a class it is known or tested to be; none when it is not one.
template <class T, class U>
Strong<T> objc_cast(const Strong<U>& p) {
  return std::dynamic_pointer_cast<T>(p);
}
template <class T>
T* objc_cast(NSObject* p) {
  return dynamic_cast<T*>(p);
}
template <class T>
const T* objc_cast(const NSObject* p) {
  return dynamic_cast<const T*>(p);
}

#define OBJC_CLASS(Name, Super)                                 \
 public:                                                        \
  using super = Super;                                          \
  static Class class_();                                        \
  Class getClass() const override { return Name::class_(); }   \
                                                                \
 private:

#define OBJC_CLASS_IMPL(Name)                                                         \
  static void Name##_objcMethods(Class cls);                                          \
  Class Name::class_() {                                                              \
    static const Class cls = objc::registerClass(#Name, super::class_(), &Name##_objcMethods); \
    return cls;                                                                       \
  }                                                                                   \
  [[maybe_unused]] static const Class Name##_objcLoaded = Name::class_();             \
  static void Name##_objcMethods([[maybe_unused]] Class cls)
