// notify_peer post NAME COUNT   posts NAME COUNT times
// notify_peer observe NAME      prints "ready", then "got NAME" at the first delivery
//                               (exit 0), or exits 2 if nothing comes within 20 s
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "CoreFoundation/CFNotificationCenter.h"
#include "CoreFoundation/CFRunLoop.h"
#include "Foundation/NSString.h"
#include "dispatch/dispatch.h"

static void received(CFNotificationCenterRef, void*, CFStringRef name, const void*,
                     CFDictionaryRef) {
  std::printf("got %s\n", name->UTF8String());
  std::fflush(stdout);
  std::exit(0);
}

int main(int argc, char** argv) {
  if (argc < 3) return 64;
  auto center = CFNotificationCenterGetDarwinNotifyCenter();
  CFStringRef name = NSString::stringWithUTF8String(argv[2]);
  if (std::strcmp(argv[1], "post") == 0) {
    long count = argc > 3 ? std::strtol(argv[3], nullptr, 10) : 1;
    for (long i = 0; i < count; ++i) {
      CFNotificationCenterPostNotification(center, name, nullptr, nullptr, true);
    }
    return 0;
  }
  if (std::strcmp(argv[1], "observe") == 0) {
    CFNotificationCenterAddObserver(center, nullptr, received, name, nullptr,
                                    CFNotificationSuspensionBehaviorDeliverImmediately);
    std::printf("ready\n");
    std::fflush(stdout);
    dispatch_after(dispatch_time(DISPATCH_TIME_NOW, 20 * int64_t(NSEC_PER_SEC)),
                   dispatch_get_main_queue(), [] { std::exit(2); });
    CFRunLoopRun();
  }
  return 64;
}
