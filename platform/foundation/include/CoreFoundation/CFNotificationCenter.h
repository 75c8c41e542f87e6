// The Darwin notification centre: system-wide named notifications without payload,
// between processes of the same user, with no daemon.
//
// Each name is a file in a private per-user folder ($XDG_RUNTIME_DIR/nimbra-notify,
// else /tmp/nimbra-notify-<uid>). Posting writes one byte to the name's file; observers
// watch their names' files with inotify, and the main run loop serves that descriptor,
// so callbacks run on the main thread while it runs its loop. Consequences:
// - several posts in quick succession may arrive as one callback, never as none;
// - an observer sees only posts made after it was added;
// - observers in the posting process receive its posts too;
// - posting with nobody listening costs one write.
// Observers receive no object and no user info (both arrive as NULL); `object`,
// `userInfo`, `deliverImmediately` and the suspension behaviour are accepted and
// ignored. A null centre, name or callback makes a call do nothing.
//
// If the folder cannot be made safe (not a directory, a symbolic link, not owned by
// the user, or open to others), the centre reports it once on stderr and then neither
// delivers nor posts.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "CoreFoundation/CFBase.h"
#include "Foundation/FoundationExport.h"
#include "dispatch/CFRunLoop.h"

class CFNotificationCenter;
using CFNotificationCenterRef = Strong<CFNotificationCenter>;

using CFNotificationCallback = void (*)(CFNotificationCenterRef center, void* observer,
                                        CFStringRef name, const void* object,
                                        CFDictionaryRef userInfo);

enum CFNotificationSuspensionBehavior : CFIndex {
  CFNotificationSuspensionBehaviorDrop = 1,
  CFNotificationSuspensionBehaviorCoalesce = 2,
  CFNotificationSuspensionBehaviorHold = 3,
  CFNotificationSuspensionBehaviorDeliverImmediately = 4,
};

// The process's one Darwin centre; the same object on every call.
NIMBRA_FOUNDATION_API CFNotificationCenterRef CFNotificationCenterGetDarwinNotifyCenter();

// Adding the same observer, callback and name again changes nothing.
NIMBRA_FOUNDATION_API void CFNotificationCenterAddObserver(
    const CFNotificationCenterRef& center, const void* observer, CFNotificationCallback callBack,
    const CFStringRef& name, const void* object,
    CFNotificationSuspensionBehavior suspensionBehavior);
// A null name removes the observer from every name.
NIMBRA_FOUNDATION_API void CFNotificationCenterRemoveObserver(const CFNotificationCenterRef& center,
                                                              const void* observer,
                                                              const CFStringRef& name,
                                                              const void* object);
NIMBRA_FOUNDATION_API void CFNotificationCenterRemoveEveryObserver(
    const CFNotificationCenterRef& center, const void* observer);
NIMBRA_FOUNDATION_API void CFNotificationCenterPostNotification(
    const CFNotificationCenterRef& center, const CFStringRef& name, const void* object,
    const CFDictionaryRef& userInfo, Boolean deliverImmediately);

namespace nimbra::notify {

// The notification folder for the current environment, created (0700) if missing.
// Empty, with `error` filled, when it is unusable.
NIMBRA_FOUNDATION_API std::string resolveDirectory(std::string* error = nullptr);

// A name's file name in that folder. Any name maps to one file, "/" and ".." included;
// distinct names map to distinct files (very long ones end in a hash of the whole name).
NIMBRA_FOUNDATION_API std::string fileNameForName(std::string_view name);

}  // namespace nimbra::notify

// The centre itself, in plain strings; the functions above are its Core Foundation face.
class NIMBRA_FOUNDATION_API CFNotificationCenter {
 public:
  using Handler = std::function<void(const std::string& name)>;

  explicit CFNotificationCenter(std::string directory);
  ~CFNotificationCenter();
  CFNotificationCenter(const CFNotificationCenter&) = delete;
  CFNotificationCenter& operator=(const CFNotificationCenter&) = delete;

  // The folder in use; empty when the centre is disabled.
  const std::string& directory() const { return directory_; }

  // `key` identifies the callback, for leaving duplicates out.
  void addObserver(const void* observer, const void* key, const std::string& name, Handler handler);
  void removeObserver(const void* observer, const std::string* name);
  void post(const std::string& name);

 private:
  struct State;
  void serve();
  std::string directory_;
  std::unique_ptr<State> state_;
};
