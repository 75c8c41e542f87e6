#include <dlfcn.h>

#include <algorithm>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "objc/runtime.h"

namespace {

struct LoadSteps {
  std::mutex lock;
  std::vector<std::pair<Class, objc_loadStep>> pending;
  std::set<std::pair<Class, objc_loadStep>> seen;  // added once, run at most once
};

// Never destroyed: a library may load while statics are torn down.
LoadSteps& loadSteps() {
  static auto* steps = new LoadSteps;
  return *steps;
}

int depth(Class cls) {
  int n = 0;
  for (Class c = class_getSuperclass(cls); c; c = class_getSuperclass(c)) ++n;
  return n;
}

}  // namespace

void objc_addLoadStep(Class cls, objc_loadStep step) {
  if (!cls || !step) return;
  LoadSteps& steps = loadSteps();
  std::lock_guard guard(steps.lock);
  if (steps.seen.insert({cls, step}).second) steps.pending.emplace_back(cls, step);
}

void objc_runPendingLoadSteps() {
  LoadSteps& steps = loadSteps();
  for (;;) {
    std::vector<std::pair<Class, objc_loadStep>> batch;
    {
      std::lock_guard guard(steps.lock);
      batch.swap(steps.pending);
    }
    if (batch.empty()) return;
    // Superclasses first; otherwise in the order the library added them.
    std::stable_sort(batch.begin(), batch.end(),
                     [](const auto& a, const auto& b) { return depth(a.first) < depth(b.first); });
    // Unlocked: a step may load another library, whose steps join the next batch.
    for (const auto& [cls, step] : batch) step(cls);
  }
}

BOOL objc_loadPlugin(const std::string& path, std::string* error) {
  // Recursive: a library's initialisers or load steps may load another library.
  static std::recursive_mutex lock;
  static auto* loaded = new std::set<void*>;
  std::lock_guard guard(lock);
  // The dynamic loader runs a library's initialisers once, in their declared priority
  // order, and hands back the same handle when it is loaded again; the library's load
  // steps ran from its first initialisers.
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_GLOBAL);
  if (!handle) {
    if (error) {
      const char* why = dlerror();
      *error = why ? why : "cannot load " + path;
    }
    return NO;
  }
  if (!loaded->insert(handle).second) dlclose(handle);  // keep one reference only
  objc_runPendingLoadSteps();
  return YES;
}
