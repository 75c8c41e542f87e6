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
//                     objc::method<&SBIconView::layoutSubviewsImpl>());
//   }
//
// A class-load step (the device's +load; see objc_addLoadStep) goes beside it:
//
//   OBJC_CLASS_LOAD(TTTAttributedLabel) {
//     ... runs once when this library loads, before its static constructors ...
//   }
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>

#include "objc/ObjCExport.h"
#include "objc/runtime.h"

class NIMBRA_OBJC_API NSObject : public std::enable_shared_from_this<NSObject> {
 public:
  NSObject() : keptClass_(class_()) {}
  NSObject(const NSObject&) = delete;
  NSObject& operator=(const NSObject&) = delete;
  virtual ~NSObject();

  static Class class_();
  virtual Class getClass() const;

  // isKindOfClass: answers NO for none. Inline: objc_cast and the hot paths that test
  // badge and attribute values ask it on every read.
  BOOL isKindOfClass(Class cls) const {
    return cls && (keptClass_ == cls || objc::inChain(keptClass_, cls));
  }
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

 protected:
  // The class getClass answers, kept in the object when it is made, so that a class test
  // reads it rather than calling. OBJC_CLASS keeps each level's class as the object is
  // built, the most derived last; a class that answers getClass otherwise keeps its own.
  void keepClass(Class cls) { keptClass_ = cls; }

 private:
  Class keptClass_;
};

namespace objc {

// True when T declares its own runtime class, so that T::class_() is T's and not an
// ancestor's; only then does the runtime's class chain answer for T.
template <class T, class = void>
struct HasOwnClass : std::false_type {};
template <class T>
struct HasOwnClass<T, std::void_t<typename T::objc_self>> : std::is_same<typename T::objc_self, T> {
};

template <class T, class U>
constexpr bool fastCast = HasOwnClass<T>::value&& std::is_base_of_v<U, T>;

}  // namespace objc

// Casts an object to a class it is known or tested to be; none when it is not one.
// Runtime classes are tested through their class chain, which is cheaper than the C++
// type information on the hot paths that test badge values and attribute values.
template <class T, class U>
Strong<T> objc_cast(const Strong<U>& p) {
  if constexpr (objc::fastCast<T, U>) {
    if (p && p->isKindOfClass(T::class_())) return std::static_pointer_cast<T>(p);
    return nullptr;
  } else {
    return std::dynamic_pointer_cast<T>(p);
  }
}
template <class T>
T* objc_cast(NSObject* p) {
  if constexpr (objc::fastCast<T, NSObject>) {
    return p && p->isKindOfClass(T::class_()) ? static_cast<T*>(p) : nullptr;
  } else {
    return dynamic_cast<T*>(p);
  }
}
template <class T>
const T* objc_cast(const NSObject* p) {
  if constexpr (objc::fastCast<T, NSObject>) {
    return p && p->isKindOfClass(T::class_()) ? static_cast<const T*>(p) : nullptr;
  } else {
    return dynamic_cast<const T*>(p);
  }
}

#define OBJC_CLASS(Name, Super)                                                   \
 public:                                                                          \
  using super = Super;                                                            \
  using objc_self = Name;                                                         \
  /* Inline, as objc_cast asks for it on every test: one load once registered. */ \
  static Class class_() {                                                         \
    Class cls = objc_class_.load(std::memory_order_acquire);                      \
    return cls ? cls : objc_registerClass_();                                     \
  }                                                                               \
  Class getClass() const override {                                               \
    return Name::class_();                                                        \
  }                                                                               \
                                                                                  \
 private:                                                                         \
  static Class objc_registerClass_();                                             \
  static std::atomic<Class> objc_class_;                                          \
  struct objc_keep_class_ {                                                       \
    explicit objc_keep_class_(Name* self) { self->keepClass(Name::class_()); }    \
  };                                                                              \
  [[no_unique_address]] objc_keep_class_ objc_kept_{this};

#define OBJC_CLASS_IMPL(Name)                                                                  \
  static void Name##_objcMethods(Class cls);                                                   \
  /* Defined once, beside the registration that fills it: a copy in each library that          \
     reads it would miss the fill. */                                                          \
  constinit std::atomic<Class> Name::objc_class_{nullptr};                                     \
  Class Name::objc_registerClass_() {                                                          \
    static const Class cls = objc::registerClass(#Name, super::class_(), &Name##_objcMethods); \
    objc_class_.store(cls, std::memory_order_release);                                         \
    return cls;                                                                                \
  }                                                                                            \
  [[maybe_unused]] static const Class Name##_objcLoaded = Name::class_();                      \
  static void Name##_objcMethods([[maybe_unused]] Class cls)

// Initialiser priorities up to 100 are the toolchain's own; the load steps use two of them
// so that they come before every initialiser the library declares itself.
#if defined(__clang__)
#define OBJC_LOAD_PRIORITIES_BEGIN                                     \
  _Pragma("clang diagnostic push")                                     \
      _Pragma("clang diagnostic ignored \"-Wunknown-warning-option\"") \
          _Pragma("clang diagnostic ignored \"-Wprio-ctor-dtor\"")
#define OBJC_LOAD_PRIORITIES_END _Pragma("clang diagnostic pop")
#else
#define OBJC_LOAD_PRIORITIES_BEGIN \
  _Pragma("GCC diagnostic push") _Pragma("GCC diagnostic ignored \"-Wprio-ctor-dtor\"")
#define OBJC_LOAD_PRIORITIES_END _Pragma("GCC diagnostic pop")
#endif

#define OBJC_CLASS_LOAD(Name)                                           \
  static void Name##_objcLoad(Class cls);                               \
  OBJC_LOAD_PRIORITIES_BEGIN                                            \
  __attribute__((constructor(99))) static void Name##_objcAddLoad() {   \
    objc_addLoadStep(Name::class_(), &Name##_objcLoad);                 \
  }                                                                     \
  __attribute__((constructor(100))) static void Name##_objcRunLoads() { \
    objc_runPendingLoadSteps();                                         \
  }                                                                     \
  OBJC_LOAD_PRIORITIES_END                                              \
  static void Name##_objcLoad([[maybe_unused]] Class cls)
