// How a running home screen follows changes made by other processes.
#include <cstdio>

#include "CoreFoundation/CFNotificationCenter.h"
#include "SpringBoard/SBHomeScreen.h"
#include "dispatch/queue.h"

namespace {

void afterChange(SBHomeScreen* screen, bool badges) {
  Strong<SBHomeScreen> retained = screen->retainedSelf<SBHomeScreen>();
  dispatch_async(dispatch_get_main_queue(), [retained, badges] {
    std::string error;
    if (badges && !retained->reloadBadges(&error)) {
      std::fprintf(stderr, "home screen: badges kept: %s\n", error.c_str());
    }
    retained->layoutPass();
    retained->notifyChanged();
  });
}

void relayoutRequested(CFNotificationCenterRef, void* observer, CFStringRef, const void*,
                       CFDictionaryRef) {
  afterChange(static_cast<SBHomeScreen*>(observer), false);
}

void badgesChanged(CFNotificationCenterRef, void* observer, CFStringRef, const void*,
                   CFDictionaryRef) {
  afterChange(static_cast<SBHomeScreen*>(observer), true);
}

}  // namespace

void SBHomeScreen::observeChanges(const std::vector<std::string>& relayoutNotifications,
                                  std::function<void()> changed) {
  changed_ = std::move(changed);
  auto center = CFNotificationCenterGetDarwinNotifyCenter();
  for (const std::string& name : relayoutNotifications) {
    CFNotificationCenterAddObserver(center, this, &relayoutRequested,
                                    NSString::stringWithUTF8String(name.c_str()), nullptr,
                                    CFNotificationSuspensionBehaviorDeliverImmediately);
  }
  CFNotificationCenterAddObserver(center, this, &badgesChanged,
                                  NSString::stringWithUTF8String(SBBadgeChangedNotification),
                                  nullptr, CFNotificationSuspensionBehaviorDeliverImmediately);
}

void SBHomeScreen::notifyChanged() {
  if (changed_) changed_();
}
