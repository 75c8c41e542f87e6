#include "PostRecorder.h"

void CFNotificationCenterPostNotification(const CFNotificationCenterRef& center,
                                          const CFStringRef& name, const void* object,
                                          const CFDictionaryRef& userInfo,
                                          Boolean deliverImmediately) {
  if (center && name) postedNames().push_back(name->stdString());
}
