#include "objc/runtime.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <new>
#include <shared_mutex>
#include <string>
#include <typeinfo>
#include <unordered_map>
#include <vector>

#include <unistd.h>

#include "objc/NSException.h"
#include "objc/NSObject.h"
#include "objc/report.h"

struct objc_selector {
  std::string name;
};

struct objc_method {
  SEL name;
  std::atomic<IMP> imp;
  std::string types;
};

struct objc_class : objc::ClassHeader {
  std::string name;
  Class superclass;
  std::unordered_map<SEL, std::unique_ptr<objc_method>> methods;
  // The storage of the header's chain; fixed when the class is made, so a class test is
  // one comparison at the ancestor's depth rather than a walk.
  std::vector<Class> chainStorage;
  // What objc::registerClass filled the table with: another registration of the name
  // with something else is a second implementation.
  void (*registeredMethods)(Class) = nullptr;
  bool registered = false;
};

namespace {

// Process-wide tables. They are never destroyed: plug-ins and hosts may still send
// messages while static destructors run at exit.
struct Registry {
  std::shared_mutex lock;
  std::unordered_map<std::string, objc_selector*> selectors;  // in selectorSlabs
  std::vector<std::byte*> selectorSlabs;                      // never freed, as the registry is not
  std::size_t slotsTaken = 0;                                 // of the last slab
  std::unordered_map<std::string, std::unique_ptr<objc_class>> classes;
};

Registry& registry() {
  static Registry* r = new Registry;
  return *r;
}

static_assert(sizeof(objc_selector) <= objc::kSelectorSlot);

// A selector in the next slot of the last slab, one slot per cache set (see
// objc::cacheSet); caller holds the write lock. Selectors are never freed.
objc_selector* newSelector(Registry& r, std::string name) {
  constexpr std::size_t kSlabBytes = objc::kCacheSets * objc::kSelectorSlot;
  if (r.selectorSlabs.empty() || r.slotsTaken == objc::kCacheSets) {
    // Aligned to its size, so that a slot's address tells its place in the slab: the
    // slots of a run that straddles two slabs still take different sets.
    r.selectorSlabs.push_back(
        static_cast<std::byte*>(::operator new (kSlabBytes, std::align_val_t{kSlabBytes})));
    r.slotsTaken = 0;
  }
  std::size_t slot = r.slotsTaken++;
  return new (r.selectorSlabs.back() + slot * objc::kSelectorSlot) objc_selector{std::move(name)};
}

// The method caches of the threads that have filled one, each listed while its thread
// lives; guarded by the registry's lock.
std::vector<objc::CacheSet*>& threadCaches() {
  static auto* caches = new std::vector<objc::CacheSet*>;
  return *caches;
}

// Caller holds the write lock and has just changed a table: no thread may keep an entry
// made before.
void tablesChanged() {
  for (objc::CacheSet* cache : threadCaches()) {
    for (std::size_t s = 0; s < objc::kCacheSets; ++s) {
      for (objc::CacheEntry& e : cache[s].way) e.key.store(nullptr, std::memory_order_relaxed);
    }
  }
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

namespace {

// A thread's cache is listed from its first fill until the thread ends; after that, as
// its other thread-local objects are destroyed, lookups go to the tables without filling.
enum class CacheState : unsigned char { Unlisted, Listed, Gone };
constinit thread_local CacheState cacheState __attribute__((tls_model("initial-exec"))) =
    CacheState::Unlisted;

struct CacheListing {
  ~CacheListing() {
    std::unique_lock write(registry().lock);
    auto& caches = threadCaches();
    std::erase(caches, objc::methodCache);
    cacheState = CacheState::Gone;
  }
};

struct Found {
  IMP imp;
  Method method;
};

// The entry of (key, sel) in `set`, either way, the one used last first; none when neither
// holds it.
const objc::CacheEntry* entryIn(const objc::CacheSet& set, const void* key, SEL sel) {
  for (const objc::CacheEntry& e : set.way) {
    if (objc::holds(e, key, sel)) return &e;
  }
  return nullptr;
}

// A hit for (key, sel), found or found missing. A method is never cached both ways: a
// change to a method table empties the caches.
const objc::CacheEntry* probe(const void* key, SEL sel) {
  const objc::CacheSet& set = objc::methodCache[objc::cacheSet(key, sel)];
  if (const objc::CacheEntry* e = entryIn(set, key, sel)) return e;
  return entryIn(set, objc::missingKey(key), sel);
}

// Whether (key, sel) is cached as missing.
bool foundMissing(const void* key, SEL sel) {
  return entryIn(objc::methodCache[objc::cacheSet(key, sel)], objc::missingKey(key), sel) !=
         nullptr;
}

// Caller holds the read lock, which keeps every other thread from emptying the set while
// its ways are moved. A method without an IMP is kept under the missing-tag, where sends
// do not look.
void fill(const void* key, SEL sel, Found found) {
  if (cacheState != CacheState::Listed) return;  // the thread is ending
  objc::CacheSet& set = objc::methodCache[objc::cacheSet(key, sel)];
  if (!found.imp) key = objc::missingKey(key);
  objc::CacheEntry& first = set.way[0];
  objc::CacheEntry& second = set.way[1];
  if (first.key.load(std::memory_order_relaxed)) {
    second.sel.store(first.sel.load(std::memory_order_relaxed), std::memory_order_relaxed);
    second.imp.store(first.imp.load(std::memory_order_relaxed), std::memory_order_relaxed);
    second.method.store(first.method.load(std::memory_order_relaxed), std::memory_order_relaxed);
    second.key.store(first.key.load(std::memory_order_relaxed), std::memory_order_relaxed);
  }
  first.sel.store(sel, std::memory_order_relaxed);
  first.imp.store(found.imp, std::memory_order_relaxed);
  first.method.store(found.method, std::memory_order_relaxed);
  first.key.store(key, std::memory_order_relaxed);
}

void listThisThreadsCache() {
  static thread_local CacheListing listing;
  std::unique_lock write(registry().lock);
  if (cacheState != CacheState::Unlisted) return;
  threadCaches().push_back(objc::methodCache);
  cacheState = CacheState::Listed;
}

// A miss in both ways: the method from the tables under the read lock, then cached.
Found fromTables(const void* key, Class cls, SEL sel) {
  if (cacheState == CacheState::Unlisted) listThisThreadsCache();
  std::shared_lock read(registry().lock);
  objc_method* m = cls ? findMethod(cls, sel) : nullptr;
  Found found{m ? m->imp.load() : nullptr, m};
  fill(key, sel, found);
  return found;
}

// The method `cls` answers `sel` with (own or inherited), through the thread's cache under
// `key`: the class itself, or the vtable of its instances.
Found lookUp(const void* key, Class cls, SEL sel) {
  if (const objc::CacheEntry* e = probe(key, sel)) {
    return {e->imp.load(std::memory_order_relaxed), e->method.load(std::memory_order_relaxed)};
  }
  return fromTables(key, cls, sel);
}

}  // namespace

SEL sel_registerName(std::string_view name) {
  Registry& r = registry();
  std::string key(name);
  {
    std::shared_lock read(r.lock);
    auto it = r.selectors.find(key);
    if (it != r.selectors.end()) return it->second;
  }
  std::unique_lock write(r.lock);
  auto& slot = r.selectors[key];
  if (!slot) slot = newSelector(r, key);
  return slot;
}

SEL sel_getUid(std::string_view name) {
  return sel_registerName(name);
}

const char* sel_getName(SEL sel) {
  return sel ? sel->name.c_str() : "<null selector>";
}

namespace {

// A class not yet in the table; the caller holds the write lock and keeps it.
objc_class* newClass(Class superclass, std::string_view name) {
  auto* cls = new objc_class{{}, std::string(name), superclass, {}, {}};
  if (superclass) cls->chainStorage = superclass->chainStorage;
  cls->chainStorage.push_back(cls);
  cls->depth = cls->chainStorage.size() - 1;
  cls->chain = cls->chainStorage.data();
  // Class tests in headers read the header through the class pointer itself.
  if (static_cast<objc::ClassHeader*>(cls) != reinterpret_cast<objc::ClassHeader*>(cls)) {
    std::abort();
  }
  return cls;
}

}  // namespace

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
  if (!slot) slot.reset(newClass(superclass, name));
  return slot.get();
}

const char* class_getName(Class cls) {
  return cls ? cls->name.c_str() : "nil";
}

Class class_getSuperclass(Class cls) {
  return cls ? cls->superclass : nullptr;
}

BOOL class_isSubclassOf(Class cls, Class ancestor) {
  return cls && ancestor && objc::inChain(cls, ancestor);
}

BOOL class_addMethod(Class cls, SEL name, IMP imp, const char* types) {
  if (!cls || !name) return NO;
  std::unique_lock write(registry().lock);
  if (ownMethod(cls, name)) return NO;
  addOwnMethod(cls, name, imp, types);
  tablesChanged();
  return YES;
}

IMP class_replaceMethod(Class cls, SEL name, IMP imp, const char* types) {
  if (!cls || !name) return nullptr;
  std::unique_lock write(registry().lock);
  IMP previous = nullptr;
  if (objc_method* m = ownMethod(cls, name)) {
    previous = m->imp.exchange(imp);
  } else {
    addOwnMethod(cls, name, imp, types);
  }
  tablesChanged();
  return previous;
}

Method class_getInstanceMethod(Class cls, SEL name) {
  if (!cls || !name) return nullptr;
  return lookUp(cls, cls, name).method;
}

IMP class_getMethodImplementation(Class cls, SEL name) {
  if (!cls || !name) return nullptr;
  return lookUp(cls, cls, name).imp;
}

BOOL class_respondsToSelector(Class cls, SEL name) {
  return class_getInstanceMethod(cls, name) != nullptr;
}

SEL method_getName(Method m) {
  return m ? m->name : nullptr;
}
IMP method_getImplementation(Method m) {
  return m ? m->imp.load() : nullptr;
}
const char* method_getTypeEncoding(Method m) {
  return m ? m->types.c_str() : nullptr;
}
IMP method_setImplementation(Method m, IMP imp) {
  if (!m) return nullptr;
  std::unique_lock write(registry().lock);
  IMP previous = m->imp.exchange(imp);
  tablesChanged();
  return previous;
}

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
    tablesChanged();
    return;
  }
  objc_method* inherited = findMethod(cls, sel);
  if (result) *result = inherited ? inherited->imp.load() : nullptr;
  addOwnMethod(cls, sel, replacement, inherited ? inherited->types.c_str() : "");
  tablesChanged();
}

namespace objc {

constinit thread_local CacheSet methodCache[kCacheSets] __attribute__((tls_model("initial-exec")));

IMP sendMiss(const NSObject* self, SEL sel, const void* vtable) {
  // The inlined probe missed both ways; it does not look for the missing-tag.
  if (!sel || foundMissing(vtable, sel)) return nullptr;
  return fromTables(vtable, self->getClass(), sel).imp;
}

IMP sendMissOrRaise(const NSObject* self, SEL sel, const void* vtable) {
  IMP imp = sendMiss(self, sel, vtable);
  if (!imp) unrecognizedSelector(self, sel);
  return imp;
}

IMP lookUpImp(const NSObject* self, SEL sel) {
  if (!self || !sel) return nullptr;
  return cachedImp<sendMiss>(self, sel);
}

void unrecognizedSelector(const NSObject* self, SEL sel) {
  char address[32];
  std::snprintf(address, sizeof address, "%p", static_cast<const void*>(self));
  NSException::raise(NSInvalidArgumentException,
                     std::string("-[") + class_getName(self ? self->getClass() : nullptr) + " " +
                         sel_getName(sel) + "]: unrecognized selector sent to instance " + address);
}

namespace {

void reportToStandardError(std::string_view line) {
  std::string text = "objc[" + std::to_string(getpid()) + "]: ";
  text.append(line);
  text += '\n';
  std::fwrite(text.data(), 1, text.size(), stderr);
}

std::atomic<ReportHandler> gReport{&reportToStandardError};

void report(const std::string& line) {
  gReport.load(std::memory_order_acquire)(line);
}

}  // namespace

ReportHandler setReportHandler(ReportHandler handler) {
  return gReport.exchange(handler ? handler : &reportToStandardError, std::memory_order_acq_rel);
}

Class registerClass(const char* name, Class superclass, void (*methods)(Class)) {
  Class cls = nullptr;
  bool made = false;
  {
    Registry& r = registry();
    std::unique_lock write(r.lock);
    auto& slot = r.classes[name];
    if (!slot) {
      slot.reset(newClass(superclass, name));
      slot->registered = true;
      slot->registeredMethods = methods;
      made = true;
    }
    cls = slot.get();
  }
  if (made) {
    if (methods) methods(cls);
  } else if (!cls->registered || cls->registeredMethods != methods ||
             cls->superclass != superclass) {
    // A class made at run time under the name counts as another implementation too.
    report(std::string("class ") + name +
           " is registered twice with different implementations (two copies of its code in "
           "one process?); the first is kept, the second is not used");
  }
  return cls;
}

}  // namespace objc
