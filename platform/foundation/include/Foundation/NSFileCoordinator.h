// Serialises read-modify-write cycles on a file across threads and processes.
#pragma once

#include <functional>
#include <string>

#include "Foundation/FoundationExport.h"
#include "Foundation/NSObjCRuntime.h"

class NSString;

class NIMBRA_FOUNDATION_API NSFileCoordinator : public NSObject {
  OBJC_CLASS(NSFileCoordinator, NSObject)

 public:
  // Runs `accessor` while holding an exclusive advisory lock (flock) on a sidecar
  // file ".<name>.lock" in the path's folder; the path itself is replaced by renames,
  // so it cannot carry the lock. When the item does not exist after the accessor ran
  // (a write that failed or never happened), the lock file is removed again. Returns NO without
  // running the accessor when the lock file cannot be opened or locked. Exceptions from the
  // accessor pass through after the lock is released.
  static BOOL coordinateWritingItemAtPath(const std::string& path,
                                          const std::function<void()>& accessor);
  static BOOL coordinateWritingItemAtPath(const Strong<NSString>& path,
                                          const std::function<void()>& accessor);
};
