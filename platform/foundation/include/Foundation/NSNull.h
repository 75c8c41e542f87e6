#pragma once

#include "Foundation/FoundationExport.h"
#include "Foundation/NSObjCRuntime.h"

// The one object that stands for "nothing" inside collections.
class NIMBRA_FOUNDATION_API NSNull : public NSObject {
  OBJC_CLASS(NSNull, NSObject)

 public:
  static Strong<NSNull> null();
  std::string description() const override { return "<null>"; }
};
