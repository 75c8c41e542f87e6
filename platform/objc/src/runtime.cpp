#include "objc/runtime.h"

#include <atomic>
#include <cstdio>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <unordered_map>

#include "objc/NSException.h"
#include "objc/NSObject.h"

struct objc_selector {
  std::string name;
};

struct objc_method {
  SEL name;
  std::atomic<IMP> imp;
  std::string types;
};

struct objc_class {
  std::string name;
  Class superclass;
  std::unordered_map<SEL, std::unique_ptr<objc_method>> methods;
};

namespace {

// Process-wide tables. They are never destroyed: plug-ins and hosts may still send
// messages while static destructors run at exit.
struct Registry {
  std::shared_mutex lock;
  std::unordered_map<std::string, std::unique_ptr<objc_selector>> selectors;
  std::unordered_map<std::string, std::unique_ptr<objc_class>> classes;
};

Registry& registry() {
  static Registry* r = new Registry;
  return *r;
}


// Own method of `cls` only; caller holds the lock.
objc_method* ownMethod(Class cls, SEL sel) {
  auto it = cls->methods.find(sel);
  return it == cls->methods.end() ? nullptr : it->second.get();
}

// Own or inherited; caller holds the lock.
objc_method* findMethod(Class cls, SEL sel) {
  for (Class c = cls; c; c = c->superclass) {
    if (objc_method* m = ownMethod(c, sel)) return m;
  }
  return nullptr;
}

objc_method* addOwnMethod(Class cls, SEL sel, IMP imp, const char* types) {
  auto m = std::make_unique<objc_method>();
  m->name = sel;
  m->imp.store(imp);
  m->types = types ? types : "";
  objc_method* raw = m.get();
  cls->methods.emplace(sel, std::move(m));
  return raw;
}

}  // namespace

SEL sel_registerName(std::string_view name) {
  Registry& r = registry();
  std::string key(name);
  {
    std::shared_lock read(r.lock);
    auto it = r.selectors.find(key);
    if (it != r.selectors.end()) return it->second.get();
  }
  std::unique_lock write(r.lock);
  auto& slot = r.selectors[key];
  if (!slot) slot.reset(new objc_selector{key});
  return slot.get();
}

SEL sel_getUid(std::string_view name) { return sel_registerName(name); }

const char* sel_getName(SEL sel) { return sel ? sel->name.c_str() : "<null selector>"; }

Class objc_getClass(std::string_view name) {
  Registry& r = registry();
  std::shared_lock read(r.lock);
  auto it = r.classes.find(std::string(name));
  return it == r.classes.end() ? nullptr : it->second.get();
}

Class objc_allocateClassPair(Class superclass, std::string_view name) {
  Registry& r = registry();
  std::unique_lock write(r.lock);
  auto& slot = r.classes[std::string(name)];
  if (!slot) slot.reset(new objc_class{std::string(name), superclass, {}});
  return slot.get();
}

const char* class_getName(Class cls) { return cls ? cls->name.c_str() : "nil"; }

Class class_getSuperclass(Class cls) { return cls ? cls->superclass : nullptr; }

BOOL class_isSubclassOf(Class cls, Class ancestor) {
  if (!ancestor) return NO;
  for (Class c = cls; c; c = c->superclass) {
    if (c == ancestor) return YES;
  }
  return NO;
}

BOOL class_addMethod(Class cls, SEL name, IMP imp, const char* types) {
  if (!cls || !name) return NO;
  std::unique_lock write(registry().lock);
  if (ownMethod(cls, name)) return NO;
  addOwnMethod(cls, name, imp, types);
  return YES;
}

IMP class_replaceMethod(Class cls, SEL name, IMP imp, const char* types) {
  if (!cls || !name) return nullptr;
  std::unique_lock write(registry().lock);
  if (objc_method* m = ownMethod(cls, name)) return m->imp.exchange(imp);
  addOwnMethod(cls, name, imp, types);
  return nullptr;
}

Method class_getInstanceMethod(Class cls, SEL name) {
  if (!cls || !name) return nullptr;
  std::shared_lock read(registry().lock);
  return findMethod(cls, name);
}

IMP class_getMethodImplementation(Class cls, SEL name) {
  Method m = class_getInstanceMethod(cls, name);
  return m ? m->imp.load() : nullptr;
}

BOOL class_respondsToSelector(Class cls, SEL name) {
  return class_getInstanceMethod(cls, name) != nullptr;
}

SEL method_getName(Method m) { return m ? m->name : nullptr; }
IMP method_getImplementation(Method m) { return m ? m->imp.load() : nullptr; }
const char* method_getTypeEncoding(Method m) { return m ? m->types.c_str() : nullptr; }
IMP method_setImplementation(Method m, IMP imp) { return m ? m->imp.exchange(imp) : nullptr; }

void MSHookMessageEx(Class cls, SEL sel, IMP replacement, IMP* result) {
  if (!cls || !sel || !replacement) {
    if (result) *result = nullptr;
    return;
  }
  std::unique_lock write(registry().lock);
  if (objc_method* own = ownMethod(cls, sel)) {
    // The slot is filled before the replacement can run, since it calls through it.
    if (result) *result = own->imp.load();
    own->imp.store(replacement);
    return;
  }
  objc_method* inherited = findMethod(cls, sel);
  if (result) *result = inherited ? inherited->imp.load() : nullptr;
  addOwnMethod(cls, sel, replacement, inherited ? inherited->types.c_str() : "");
}

namespace objc {

IMP lookUpImp(const NSObject* self, SEL sel) {
  if (!self || !sel) return nullptr;
  std::shared_lock read(registry().lock);
  objc_method* m = findMethod(self->getClass(), sel);
  return m ? m->imp.load() : nullptr;
}

void unrecognizedSelector(const NSObject* self, SEL sel) {
  char address[32];
  std::snprintf(address, sizeof address, "%p", static_cast<const void*>(self));
  NSException::raise(NSInvalidArgumentException,
                     std::string("-[") + class_getName(self ? self->getClass() : nullptr) + " " +
                         sel_getName(sel) + "]: unrecognized selector sent to instance " + address);
}

Class registerClass(const char* name, Class superclass, void (*methods)(Class)) {
  if (Class existing = objc_getClass(name)) return existing;
  Class cls = objc_allocateClassPair(superclass, name);
  if (methods) methods(cls);
  return cls;
}

}  // namespace objc
