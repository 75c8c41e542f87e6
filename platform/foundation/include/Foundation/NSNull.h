#pragma once

#include "Foundation/NSObjCRuntime.h"

// The one object that stands for "nothing" inside collections.
class NSNull : public NSObject {
  OBJC_CLASS(NSNull, NSObject)

 public:
  static Strong<NSNull> null();
  std::string description() const override { return "<null>"; }
};
