// Per-object recursive locks. Each locked object gets an entry that lives while some
// thread holds or waits for it, so the table stays as small as the set of objects in use
// and two objects never share a lock.
#include <atomic>
#include <mutex>
#include <thread>
#include <unordered_map>

#include "objc/runtime.h"

namespace {

struct Entry {
  std::recursive_mutex lock;
  std::atomic<std::thread::id> owner{};
  int depth = 0;  // enters of the owner not yet exited; touched only by the owner
  int users = 0;  // enters not yet exited, waiting ones included; under tableLock
};

std::mutex tableLock;
std::unordered_map<const void*, Entry>& table() {
  static auto* t = new std::unordered_map<const void*, Entry>();
  return *t;
}

}  // namespace

int objc_sync_enter(const NSObject* obj) {
  if (!obj) return OBJC_SYNC_SUCCESS;  // a nil object locks nothing, as on the device
  Entry* e;
  {
    std::lock_guard<std::mutex> g(tableLock);
    e = &table()[obj];  // nodes keep their address while the table grows
    ++e->users;
  }
  e->lock.lock();
  e->owner.store(std::this_thread::get_id(), std::memory_order_relaxed);
  ++e->depth;
  return OBJC_SYNC_SUCCESS;
}

int objc_sync_exit(const NSObject* obj) {
  if (!obj) return OBJC_SYNC_SUCCESS;
  std::lock_guard<std::mutex> g(tableLock);
  auto it = table().find(obj);
  if (it == table().end()) return OBJC_SYNC_NOT_OWNING_THREAD_ERROR;
  Entry& e = it->second;
  if (e.owner.load(std::memory_order_relaxed) != std::this_thread::get_id()) {
    return OBJC_SYNC_NOT_OWNING_THREAD_ERROR;
  }
  if (--e.depth == 0) e.owner.store(std::thread::id{}, std::memory_order_relaxed);
  e.lock.unlock();
  if (--e.users == 0) table().erase(it);
  return OBJC_SYNC_SUCCESS;
}
