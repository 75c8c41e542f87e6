#include <dlfcn.h>

#include <mutex>
#include <set>
#include <string>

#include "objc/runtime.h"

BOOL objc_loadPlugin(const std::string& path, std::string* error) {
  static std::mutex lock;
  static auto* loaded = new std::set<void*>;
  std::lock_guard guard(lock);
  // The dynamic loader runs a library's initialisers once, in their declared priority
  // order, and hands back the same handle when it is loaded again.
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_GLOBAL);
  if (!handle) {
    if (error) {
      const char* why = dlerror();
      *error = why ? why : "cannot load " + path;
    }
    return NO;
  }
  if (!loaded->insert(handle).second) dlclose(handle);  // keep one reference only
  return YES;
}
