// The object runtime: classes known by name, interned selectors, method tables with
// type encodings, message send through those tables, method replacement and addition.
//
// Only the dynamic parts of the system go through here (hooks on host classes, optional
// delegate methods, classes found by name). An IMP is a type-erased function pointer;
// every implementation takes the receiver as `NSObject*` and the selector first.
//
// There is one way to put a method in a table, `objc::imp<&F>()`, where F is either a free
// (or static member) function `R f(NSObject* self, SEL _cmd, Args...)` or a member function
// of the receiver's C++ class, for which objc::imp makes the forwarding function. Hooks
// (MSHookMessageEx) take their replacement the same way and keep the previous
// implementation as an IMP, called with objc_callImp. objc::method<&F>() gives the IMP
// with the type encoding F's signature has (objc/TypeEncoding.h):
//
//   static BOOL hasBadge(NSObject* self, SEL _cmd);
//   class_addMethod(cls, OBJC_SEL("hasBadge"), objc::method<&hasBadge>());  // "B@:"
//   class_addMethod(cls, OBJC_SEL("setOn:"), objc::method<&UISwitch::setOn>());  // "v@:B"
//   BOOL b = objc_msgSend<BOOL>(view, OBJC_SEL("hasBadge"));
//
// What crosses a table, checked when objc::imp, objc_msgSend and objc_callImp are
// instantiated:
// - Objects go in as borrowed raw pointers (`UIView*`, none as a typed nullptr): the sender
//   keeps them alive for the call, and an implementation that keeps one retains it itself
//   (`retainedSelf<T>()`). Never a Strong<T> (or Weak<T>), never a reference.
// - Objects come out by the device's ownership rule: a method answering an object the
//   receiver (or something longer-lived) already keeps (a property, a part of the receiver,
//   a shared constant) answers a borrowed `T*`, valid while the receiver keeps it, so hot
//   sends touch no reference count; a method that makes what it answers (factories,
//   `init…`, `copy…`, `new…`, cells made by a data source, an unarchived object) answers an
//   owning Strong<T> or id. A result is never a reference: a member function answering
//   `const Strong<T>&` is refused, so that its author chooses borrowed or owning.
#pragma once

#include <atomic>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <typeinfo>
#include <vector>

#include "objc/ObjCExport.h"
#include "objc/TypeEncoding.h"

class NSObject;

struct objc_class;
struct objc_selector;
struct objc_method;

using Class = objc_class*;
using SEL = const objc_selector*;
using Method = objc_method*;
using IMP = void (*)();
using BOOL = bool;
inline constexpr BOOL YES = true;
inline constexpr BOOL NO = false;

// Owning and non-owning references to reference-counted objects. A Weak<> may be
// promoted (`lock()`) on any thread while another drops the last Strong<>: the promotion
// either wins, and the object lives until the promoted reference goes, or it answers none;
// it never sees an object being destroyed. The count is atomic, but one Weak<> object
// itself is not: give each thread its own copy rather than share one being reassigned.
template <class T>
using Strong = std::shared_ptr<T>;
template <class T>
using Weak = std::weak_ptr<T>;
using id = Strong<NSObject>;

extern "C++" {

// Selectors. Equal names give the same SEL for the life of the process.
NIMBRA_OBJC_API SEL sel_registerName(std::string_view name);
NIMBRA_OBJC_API SEL sel_getUid(std::string_view name);
NIMBRA_OBJC_API const char* sel_getName(SEL sel);  // "<null selector>" for none

// Classes. Names are unique; registering a name twice returns the first class.
NIMBRA_OBJC_API Class objc_getClass(std::string_view name);  // none when no class has the name
NIMBRA_OBJC_API Class objc_allocateClassPair(Class superclass, std::string_view name);
NIMBRA_OBJC_API const char* class_getName(Class cls);  // "nil" for none
NIMBRA_OBJC_API Class class_getSuperclass(Class cls);  // none for none or a root class
NIMBRA_OBJC_API BOOL class_isSubclassOf(Class cls,
                                        Class ancestor);  // inclusive; NO when either is none

// Methods. Lookups walk the superclass chain; none of these crash on a missing class
// or selector.
NIMBRA_OBJC_API BOOL class_addMethod(Class cls, SEL name, IMP imp, const char* types);
NIMBRA_OBJC_API IMP class_replaceMethod(Class cls, SEL name, IMP imp, const char* types);
NIMBRA_OBJC_API Method class_getInstanceMethod(Class cls, SEL name);
NIMBRA_OBJC_API IMP class_getMethodImplementation(Class cls,
                                                  SEL name);  // none when not implemented
NIMBRA_OBJC_API BOOL class_respondsToSelector(Class cls, SEL name);
NIMBRA_OBJC_API SEL method_getName(Method m);
NIMBRA_OBJC_API IMP method_getImplementation(Method m);
NIMBRA_OBJC_API const char* method_getTypeEncoding(Method m);
NIMBRA_OBJC_API IMP method_setImplementation(Method m, IMP imp);

// The hooking framework's entry point: from now on `cls` answers `sel` with
// `replacement`; `*result` (when given) receives the previous implementation, the
// class's own or the inherited one.
NIMBRA_OBJC_API void MSHookMessageEx(Class cls, SEL sel, IMP replacement, IMP* result);

// Per-object recursive locks, the semantics of @synchronized: the same thread may enter
// again; another thread waits until every enter of the holder has been exited. None
// locks nothing. objc_sync_exit answers OBJC_SYNC_NOT_OWNING_THREAD_ERROR when the
// calling thread does not hold the object's lock.
inline constexpr int OBJC_SYNC_SUCCESS = 0;
inline constexpr int OBJC_SYNC_NOT_OWNING_THREAD_ERROR = -1;
NIMBRA_OBJC_API int objc_sync_enter(const NSObject* obj);
NIMBRA_OBJC_API int objc_sync_exit(const NSObject* obj);

// Class-load steps, the device's +load: a class's step runs once, when the library that
// defines the class is loaded, before that library's own initialisers (its C++ static
// constructors and constructor functions), the steps of superclasses before those of their
// subclasses. A class declares its step with OBJC_CLASS_LOAD (objc/NSObject.h), which adds
// it from the library's first initialisers and runs it right after; objc_loadPlugin runs
// whatever is still pending once the library is in. A step may use the runtime, its own
// class and anything in the libraries this one links against, but not the statics of its
// own library, which are not made yet. Adding the same step for the same class again does
// nothing.
using objc_loadStep = void (*)(Class cls);
NIMBRA_OBJC_API void objc_addLoadStep(Class cls, objc_loadStep step);
NIMBRA_OBJC_API void objc_runPendingLoadSteps();

// Loads a plug-in library by path. Its initialisers run once, in their declared order,
// however often it is loaded. Returns NO (and fills `error`) when it cannot be loaded.
NIMBRA_OBJC_API BOOL objc_loadPlugin(const std::string& path, std::string* error = nullptr);

}  // extern "C++"

namespace objc {

// What a class test reads of a class without a call: the class's place in its chain of
// superclasses, the root first and the class itself last, at `depth`. Every class starts
// with it and keeps it unchanged from the moment it is made.
struct NIMBRA_OBJC_API ClassHeader {
  std::size_t depth = 0;
  const Class* chain = nullptr;
};

inline const ClassHeader& headerOf(Class cls) {
  return *reinterpret_cast<const ClassHeader*>(cls);
}

// Whether `ancestor` is `cls` or one of its superclasses; both are classes.
inline bool inChain(Class cls, Class ancestor) {
  const ClassHeader& own = headerOf(cls);
  std::size_t at = headerOf(ancestor).depth;
  return at <= own.depth && own.chain[at] == ancestor;
}

}  // namespace objc

// Interns a selector once per call site.
#define OBJC_SEL(name)                                   \
  ([]() -> SEL {                                         \
    static const SEL objc_sel_ = sel_registerName(name); \
    return objc_sel_;                                    \
  }())

namespace objc {

// Thrown when a message reaches an object whose class has no method for it.
[[noreturn]] NIMBRA_OBJC_API void unrecognizedSelector(const NSObject* self, SEL sel);

NIMBRA_OBJC_API IMP lookUpImp(const NSObject* self, SEL sel);

// Every lookup goes through one method cache per thread: sends keyed by the receiver's
// vtable (getClass is virtual, so the vtable decides the class, and it is the object's
// first word: the key costs one load), class_getInstanceMethod and its kin keyed by the
// class. Hits take no lock and touch no shared counter. Each set holds two ways in one
// cache line, the one filled last first, and a send probes both inline, so that two hot
// pairs whose hash meets (a host's vtable and a plug-in's selector, say) neither evict
// each other nor leave one of them to a call on every send: which pairs meet depends on
// where the libraries and selectors happen to lie. A method found missing is cached too,
// as none, under the key's missing-tag (see missingKey): a send's inline probe never
// matches such an entry, so an IMP it finds is never none and the send calls it
// without a test; the miss path finds the tagged entry without taking the lock.
//
// A change to any method table empties every thread's cache while it holds the registry's
// lock for writing; a thread fills its own entries only while it holds that lock for
// reading, so no entry made from a table before a change survives the change. Another
// thread only ever empties a key, so a send that read the key before the change runs the
// method as it was an instant earlier, and one that starts after sees the change.
struct CacheEntry {
  std::atomic<const void*> key{nullptr};
  std::atomic<SEL> sel{nullptr};
  std::atomic<IMP> imp{nullptr};
  std::atomic<Method> method{nullptr};
};
struct alignas(64) CacheSet {
  CacheEntry way[2];
};
inline constexpr std::size_t kCacheSets = 512;
// The runtime library is linked at start-up, never dlopen'ed, so its TLS is static and
// plug-ins may reach it by the initial-exec model.
NIMBRA_OBJC_API extern constinit thread_local CacheSet methodCache[kCacheSets]
    __attribute__((tls_model("initial-exec")));

// The set of a (key, selector) pair: the key's word index xor'ed with the selector's slot.
// The runtime keeps selectors in slabs of 64-byte slots, one slot per set, handed out in
// turn, so the selectors of a class, registered one after another, take sets of their
// own, as the vtables of a library, a few words apart, do; a pair of a vtable and a
// selector shares a set with another only where both differences cancel. It is worked
// out as the set's byte offset, ((key << 3) ^ selector) masked to whole sets, which is
// the same set: the division by a set's size then folds into the address. Nothing here
// multiplies or loads: the set's address is ready three instructions after the key, and
// that chain, from the receiver to its IMP, is what a send costs.
inline constexpr std::size_t kSelectorSlot = 64;
inline std::size_t cacheSet(const void* key, SEL sel) {
  static_assert(sizeof(CacheSet) == kSelectorSlot && kSelectorSlot == 8 << 3);
  auto a = reinterpret_cast<std::uintptr_t>(key);
  auto b = reinterpret_cast<std::uintptr_t>(sel);
  constexpr std::uintptr_t kSetBytes = (kCacheSets - 1) * sizeof(CacheSet);
  return static_cast<std::size_t>((((a << 3) ^ b) & kSetBytes) / sizeof(CacheSet));
}

// Whether `e` is the entry of (key, sel). Both halves are compared before one branch
// (their differences or'ed): the entry is in one cache line, and a hit then costs a
// single predicted jump.
[[gnu::always_inline]] inline bool holds(const CacheEntry& e, const void* key, SEL sel) {
  auto k = reinterpret_cast<std::uintptr_t>(e.key.load(std::memory_order_relaxed));
  auto s = reinterpret_cast<std::uintptr_t>(e.sel.load(std::memory_order_relaxed));
  return ((k ^ reinterpret_cast<std::uintptr_t>(key)) |
          (s ^ reinterpret_cast<std::uintptr_t>(sel))) == 0;
}

// The key under which a missing method is cached, in the set of `key` itself: vtables and
// classes are word-aligned, so a tagged key never equals a real one.
inline const void* missingKey(const void* key) {
  return reinterpret_cast<const void*>(reinterpret_cast<std::uintptr_t>(key) | 1);
}

// The miss path of a lookup: the tagged entry of a missing method, else the tables. None
// when `self`'s class has no method for `sel`.
NIMBRA_OBJC_API IMP sendMiss(const NSObject* self, SEL sel, const void* vtable);
// The miss path of a send, which raises NSInvalidArgumentException instead of answering
// none.
[[gnu::returns_nonnull]] NIMBRA_OBJC_API IMP sendMissOrRaise(const NSObject* self, SEL sel,
                                                             const void* vtable);

// The Itanium ABI puts a polymorphic object's vtable pointer first.
template <class Object>
const void* vtableOf(const Object* self) {
  const void* vtable;
  __builtin_memcpy(&vtable, static_cast<const void*>(self), sizeof vtable);
  return vtable;
}

// A template so that NSObject need only be complete where a message is sent. Always
// inlined: a call here would cost as much as the probe. A null selector never matches a
// filled entry, so it reaches the miss path. A hit's IMP is never none; what a miss
// answers is `Miss`'s.
template <IMP (*Miss)(const NSObject*, SEL, const void*), class Object>
[[gnu::always_inline]] inline IMP cachedImp(const Object* self, SEL sel) {
  static_assert(std::is_polymorphic_v<Object>);
  const void* vtable = vtableOf(self);
  const CacheSet& set = methodCache[cacheSet(vtable, sel)];
  if (__builtin_expect(holds(set.way[0], vtable, sel), 1))
    return set.way[0].imp.load(std::memory_order_relaxed);
  if (holds(set.way[1], vtable, sel)) return set.way[1].imp.load(std::memory_order_relaxed);
  return Miss(self, sel, vtable);
}

template <class T>
NSObject* receiver(T* p) {
  return p;
}
template <class T>
NSObject* receiver(const Strong<T>& p) {
  return p.get();
}
inline NSObject* receiver(std::nullptr_t) {
  return nullptr;
}

// The parameter and result types allowed across a method table (see the top of this file).
template <class T>
struct IsReferenceCounted : std::false_type {};
template <class T>
struct IsReferenceCounted<std::shared_ptr<T>> : std::true_type {};
template <class T>
struct IsReferenceCounted<std::weak_ptr<T>> : std::true_type {};

template <class T>
inline constexpr bool isBorrowedArgument =
    !std::is_reference_v<T> && !IsReferenceCounted<std::remove_cv_t<T>>::value &&
    !std::is_same_v<std::remove_cv_t<T>, std::nullptr_t>;

template <class R, class... Args>
constexpr void checkCrossing() {
  static_assert((isBorrowedArgument<Args> && ...),
                "an object crosses a method table as a borrowed raw pointer (T*), not as "
                "Strong<T>, Weak<T> or a reference; pass none as a typed null pointer");
  static_assert(!std::is_reference_v<R>,
                "a method table result is never a reference: answer a borrowed T* for an "
                "object the receiver keeps, an owning Strong<T> for one the method makes");
}

}  // namespace objc

// Sends `sel` to `self` through its class's method table. A message to none answers a
// zero value, as on the device; an unimplemented selector raises
// NSInvalidArgumentException.
template <class R = void, class Receiver, class... Args>
[[gnu::always_inline]] inline R objc_msgSend(const Receiver& self, SEL sel, Args... args) {
  objc::checkCrossing<R, Args...>();
  NSObject* obj = objc::receiver(self);
  if (!obj) {
    if constexpr (std::is_void_v<R>) {
      return;
    } else {
      return R{};
    }
  }
  IMP imp = objc::cachedImp<objc::sendMissOrRaise>(obj, sel);
  return reinterpret_cast<R (*)(NSObject*, SEL, Args...)>(imp)(obj, sel, args...);
}

// Calls an IMP taken from a slot or a lookup, with its real signature.
template <class R = void, class... Args>
R objc_callImp(IMP imp, NSObject* self, SEL sel, Args... args) {
  objc::checkCrossing<R, Args...>();
  return reinterpret_cast<R (*)(NSObject*, SEL, Args...)>(imp)(self, sel, args...);
}

namespace objc {

// The forwarding function objc::imp makes for a member function of the receiver's class.
template <auto MemFn>
struct ImpOf;

template <class C, class R, class... A, R (C::*MemFn)(A...)>
struct ImpOf<MemFn> {
  static R call(NSObject* self, SEL, A... a) { return (static_cast<C*>(self)->*MemFn)(a...); }
};
template <class C, class R, class... A, R (C::*MemFn)(A...) const>
struct ImpOf<MemFn> {
  static R call(NSObject* self, SEL, A... a) { return (static_cast<const C*>(self)->*MemFn)(a...); }
};
template <class C, class R, class... A, R (C::*MemFn)(A...) noexcept>
struct ImpOf<MemFn> {
  static R call(NSObject* self, SEL, A... a) { return (static_cast<C*>(self)->*MemFn)(a...); }
};
template <class C, class R, class... A, R (C::*MemFn)(A...) const noexcept>
struct ImpOf<MemFn> {
  static R call(NSObject* self, SEL, A... a) { return (static_cast<const C*>(self)->*MemFn)(a...); }
};

// What a free function must look like to be an implementation as it is.
template <class Fn>
struct ImplementationShape {
  static constexpr bool matches = false;
};
template <class R, class... A>
struct ImplementationShape<R (*)(NSObject*, SEL, A...)> {
  static constexpr bool matches = true;
  static constexpr void check() { checkCrossing<R, A...>(); }
};
template <class R, class... A>
struct ImplementationShape<R (*)(NSObject*, SEL, A...) noexcept>
    : ImplementationShape<R (*)(NSObject*, SEL, A...)> {};

// The one way to put a method in a table: a free or static member function of the form
// `R f(NSObject* self, SEL _cmd, Args...)`, as it is, or a member function of the
// receiver's C++ class, through a forwarding function.
template <auto F>
IMP imp() {
  using Fn = decltype(F);
  if constexpr (std::is_member_function_pointer_v<Fn>) {
    ImplementationShape<decltype(&ImpOf<F>::call)>::check();
    return reinterpret_cast<IMP>(&ImpOf<F>::call);
  } else {
    static_assert(ImplementationShape<Fn>::matches,
                  "an implementation is a member function of the receiver's class or a "
                  "function R f(NSObject* self, SEL _cmd, Args...)");
    if constexpr (ImplementationShape<Fn>::matches) ImplementationShape<Fn>::check();
    return reinterpret_cast<IMP>(F);
  }
}

// An implementation with the type encoding its signature gives (objc/TypeEncoding.h).
struct NIMBRA_OBJC_API TypedImp {
  IMP imp;
  const char* types;
};
template <auto F>
TypedImp method() {
  return {imp<F>(), types<F>()};
}

// Registers a class with the runtime and runs `methods` once to fill its table.
NIMBRA_OBJC_API Class registerClass(const char* name, Class superclass, void (*methods)(Class));

}  // namespace objc

// class_addMethod and class_replaceMethod with the encoding taken from the signature:
// class_addMethod(cls, OBJC_SEL("hasBadge"), objc::method<&hasBadge>()).
inline BOOL class_addMethod(Class cls, SEL name, objc::TypedImp m) {
  return class_addMethod(cls, name, m.imp, m.types);
}
inline IMP class_replaceMethod(Class cls, SEL name, objc::TypedImp m) {
  return class_replaceMethod(cls, name, m.imp, m.types);
}
