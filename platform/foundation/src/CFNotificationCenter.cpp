#include "CoreFoundation/CFNotificationCenter.h"

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "Foundation/NSString.h"
#include "dispatch/source.h"
#include "dispatch/time.h"

namespace nimbra::notify {

std::string resolveDirectory(std::string* error) {
  auto fail = [error](std::string why) {
    if (error) *error = std::move(why);
    return std::string();
  };
  std::string path;
  struct stat st;
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && runtime[0] == '/' && stat(runtime, &st) == 0 && S_ISDIR(st.st_mode)) {
    path = std::string(runtime) + "/nimbra-notify";
  } else {
    path = "/tmp/nimbra-notify-" + std::to_string(geteuid());
  }
  if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
    return fail("cannot create " + path + ": " + std::strerror(errno));
  }
  // Another user could otherwise see, plant or replace our names' files.
  if (lstat(path.c_str(), &st) != 0) return fail("cannot examine " + path);
  if (!S_ISDIR(st.st_mode)) return fail(path + " is not a directory");
  if (st.st_uid != geteuid()) return fail(path + " belongs to another user");
  if (st.st_mode & 077) return fail(path + " is open to other users");
  return path;
}

std::string fileNameForName(std::string_view name) {
  static const char hex[] = "0123456789ABCDEF";
  // The prefix keeps "." and ".." (and the empty name) from being special.
  std::string out = "n.";
  for (unsigned char c : name) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
        c == '_' || c == '-') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  if (out.size() > 200) {
    // File names stop at 255 bytes. '~' never appears in an escaped name, so a hashed
    // name cannot equal a short one.
    uint64_t h = 1469598103934665603ull;
    for (unsigned char c : name) h = (h ^ c) * 1099511628211ull;
    out.resize(160);
    out += '~';
    for (int shift = 60; shift >= 0; shift -= 4) out += hex[(h >> shift) & 15];
  }
  return out;
}

}  // namespace nimbra::notify

namespace {

struct Observation {
  const void* observer;
  const void* key;
  CFNotificationCenter::Handler handler;
  std::atomic<bool> removed{false};
};

struct Watch {
  int wd = -1;
  std::vector<std::shared_ptr<Observation>> observations;
};

struct PostFile {
  int fd;
  uint64_t checked;  // when its link count was last looked at
};

constexpr uint32_t kWatchMask = IN_MODIFY | IN_ATTRIB | IN_DONT_FOLLOW;
constexpr size_t kMaxCachedPostFiles = 64;

}  // namespace

struct CFNotificationCenter::State {
  std::mutex mutex;
  int inotify = -1;
  dispatch_source_t source;
  std::unordered_map<std::string, Watch> watches;  // name -> its watch and observers
  std::unordered_map<int, std::string> names;      // watch descriptor -> name
  std::unordered_map<std::string, PostFile> postFiles;

  std::string pathFor(const std::string& directory, const std::string& name) const {
    return directory + "/" + nimbra::notify::fileNameForName(name);
  }

  // With `mutex` held. The file must exist to be watched; observers create it.
  int watchFile(const std::string& directory, const std::string& name) {
    std::string path = pathFor(directory, name);
    int fd = open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd >= 0) close(fd);
    return inotify_add_watch(inotify, path.c_str(), kWatchMask);
  }
};

CFNotificationCenter::CFNotificationCenter(std::string directory)
    : directory_(std::move(directory)), state_(std::make_unique<State>()) {}

CFNotificationCenter::~CFNotificationCenter() {
  if (state_->source) dispatch_source_cancel(state_->source);
  if (state_->inotify >= 0) close(state_->inotify);
  for (auto& [name, file] : state_->postFiles) close(file.fd);
}

void CFNotificationCenter::addObserver(const void* observer, const void* key,
                                       const std::string& name, Handler handler) {
  if (directory_.empty() || !handler) return;
  std::lock_guard lock(state_->mutex);
  if (state_->inotify < 0) {
    state_->inotify = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (state_->inotify < 0) {
      std::fprintf(stderr, "CFNotificationCenter: inotify unavailable: %s\n", std::strerror(errno));
      return;
    }
    state_->source =
        dispatch_source_create(DISPATCH_SOURCE_TYPE_READ, static_cast<uintptr_t>(state_->inotify),
                               0, dispatch_get_main_queue());
    dispatch_source_set_event_handler(state_->source, [this] { serve(); });
    dispatch_resume(state_->source);
  }
  Watch& watch = state_->watches[name];
  for (const auto& o : watch.observations) {
    if (o->observer == observer && o->key == key) return;
  }
  if (watch.wd < 0) {
    watch.wd = state_->watchFile(directory_, name);
    if (watch.wd < 0) {
      std::fprintf(stderr, "CFNotificationCenter: cannot watch \"%s\": %s\n", name.c_str(),
                   std::strerror(errno));
      state_->watches.erase(name);
      return;
    }
    state_->names[watch.wd] = name;
  }
  auto o = std::make_shared<Observation>();
  o->observer = observer;
  o->key = key;
  o->handler = std::move(handler);
  watch.observations.push_back(std::move(o));
}

void CFNotificationCenter::removeObserver(const void* observer, const std::string* name) {
  std::lock_guard lock(state_->mutex);
  for (auto it = state_->watches.begin(); it != state_->watches.end();) {
    if (name && it->first != *name) {
      ++it;
      continue;
    }
    auto& list = it->second.observations;
    std::erase_if(list, [observer](const std::shared_ptr<Observation>& o) {
      if (o->observer != observer) return false;
      o->removed.store(true);  // a delivery already under way skips it
      return true;
    });
    if (list.empty()) {
      inotify_rm_watch(state_->inotify, it->second.wd);
      state_->names.erase(it->second.wd);
      it = state_->watches.erase(it);
    } else {
      ++it;
    }
  }
}

void CFNotificationCenter::post(const std::string& name) {
  if (directory_.empty()) return;
  std::lock_guard lock(state_->mutex);
  for (int attempt = 0; attempt < 2; ++attempt) {
    auto it = state_->postFiles.find(name);
    if (it == state_->postFiles.end()) {
      if (state_->postFiles.size() >= kMaxCachedPostFiles) {
        for (auto& [n, f] : state_->postFiles) close(f.fd);
        state_->postFiles.clear();
      }
      std::string path = state_->pathFor(directory_, name);
      int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
      if (fd < 0) return;
      it = state_->postFiles.emplace(name, PostFile{fd, 0}).first;
    }
    PostFile& file = it->second;
    // Rewriting the same byte keeps the file at one byte; the write is what observers see.
    ssize_t r = pwrite(file.fd, "!", 1, 0);
    (void)r;
    // If someone removed the file, observers have moved on to a new one: write that too.
    // Checked after the write, and at most once a millisecond: the check competes with
    // the observers that the write is waking.
    uint64_t now = nimbra::dispatch::monotonicNow();
    if (now - file.checked < NSEC_PER_MSEC) return;
    file.checked = now;
    struct stat st;
    if (fstat(file.fd, &st) == 0 && st.st_nlink > 0) return;
    close(file.fd);
    state_->postFiles.erase(it);
  }
}

void CFNotificationCenter::serve() {
  alignas(inotify_event) char buffer[16384];
  std::vector<std::string> fired;
  std::vector<std::pair<int, std::string>> lost;  // watches whose file went away
  bool overflow = false;
  constexpr ssize_t kFull = sizeof buffer - (sizeof(inotify_event) + NAME_MAX + 1);
  for (ssize_t n = sizeof buffer; n > kFull;) {
    // A read that left room for another event has drained the queue; asking again
    // would only cost a system call.
    n = read(state_->inotify, buffer, sizeof buffer);
    if (n <= 0) break;
    std::lock_guard lock(state_->mutex);
    for (char* p = buffer; p < buffer + n;) {
      auto* ev = reinterpret_cast<inotify_event*>(p);
      p += sizeof(inotify_event) + ev->len;
      if (ev->mask & IN_Q_OVERFLOW) {
        overflow = true;
        continue;
      }
      auto name = state_->names.find(ev->wd);
      if (name == state_->names.end()) continue;
      if (ev->mask & (IN_MODIFY | IN_ATTRIB)) {
        if (std::find(fired.begin(), fired.end(), name->second) == fired.end()) {
          fired.push_back(name->second);
        }
      }
      if (ev->mask & IN_IGNORED) lost.emplace_back(ev->wd, name->second);
    }
  }
  std::vector<std::pair<std::string, std::vector<std::shared_ptr<Observation>>>> deliveries;
  {
    std::lock_guard lock(state_->mutex);
    for (auto& [wd, name] : lost) {
      state_->names.erase(wd);
      auto w = state_->watches.find(name);
      if (w == state_->watches.end() || w->second.wd != wd) continue;
      w->second.wd = state_->watchFile(directory_, name);
      if (w->second.wd >= 0) state_->names[w->second.wd] = name;
    }
    if (overflow) {
      // Events were dropped: which names they were is unknown, so every name fires.
      fired.clear();
      for (auto& [name, w] : state_->watches) fired.push_back(name);
    }
    for (auto& name : fired) {
      auto w = state_->watches.find(name);
      if (w != state_->watches.end()) deliveries.emplace_back(name, w->second.observations);
    }
  }
  for (auto& [name, observations] : deliveries) {
    for (auto& o : observations) {
      if (!o->removed.load()) o->handler(name);
    }
  }
}

CFNotificationCenterRef CFNotificationCenterGetDarwinNotifyCenter() {
  // Leaked: observers' callbacks may run until the process ends.
  static const CFNotificationCenterRef* center = new CFNotificationCenterRef([] {
    std::string error;
    std::string directory = nimbra::notify::resolveDirectory(&error);
    if (directory.empty()) {
      std::fprintf(stderr, "CFNotificationCenter: %s; Darwin notifications are off\n",
                   error.c_str());
    }
    return std::make_shared<CFNotificationCenter>(directory);
  }());
  return *center;
}

void CFNotificationCenterAddObserver(const CFNotificationCenterRef& center, const void* observer,
                                     CFNotificationCallback callBack, const CFStringRef& name,
                                     const void* object,
                                     CFNotificationSuspensionBehavior suspensionBehavior) {
  if (!center || !callBack || !name) return;
  Weak<CFNotificationCenter> weak = center;
  std::string n = name->UTF8String();
  // One immutable copy of the name serves every delivery.
  CFStringRef delivered = NSString::stringWithUTF8String(std::string_view(n));
  center->addObserver(observer, reinterpret_cast<const void*>(callBack), n,
                      [weak, observer, callBack, delivered](const std::string&) {
                        callBack(weak.lock(), const_cast<void*>(observer), delivered, nullptr,
                                 nullptr);
                      });
}

void CFNotificationCenterRemoveObserver(const CFNotificationCenterRef& center, const void* observer,
                                        const CFStringRef& name, const void* object) {
  if (!center) return;
  if (name) {
    std::string n = name->UTF8String();
    center->removeObserver(observer, &n);
  } else {
    center->removeObserver(observer, nullptr);
  }
}

void CFNotificationCenterRemoveEveryObserver(const CFNotificationCenterRef& center,
                                             const void* observer) {
  if (center) center->removeObserver(observer, nullptr);
}

void CFNotificationCenterPostNotification(const CFNotificationCenterRef& center,
                                          const CFStringRef& name, const void* object,
                                          const CFDictionaryRef& userInfo,
                                          Boolean deliverImmediately) {
  if (center && name) center->post(name->UTF8String());
}
