#include "UIKit/UIApplication.h"

#include "Foundation/NSURL.h"

OBJC_CLASS_IMPL(UIApplication) {
  class_addMethod(cls, OBJC_SEL("openURL:"), objc::method<&UIApplication::openURL>());
}

Strong<UIApplication> UIApplication::sharedApplication() {
  // Never destroyed: controllers may open pages while statics are torn down.
  static auto* app = new Strong<UIApplication>(std::make_shared<UIApplication>());
  return *app;
}

BOOL UIApplication::openURL(NSURL* url) {
  if (!url) return NO;
  auto kept = url->retainedSelf<NSURL>();
  opened_.push_back(kept);
  return handler_ ? handler_(kept) : NO;
}
