#pragma once

#include "Foundation/FoundationExport.h"
#include "Foundation/NSObjCRuntime.h"

class NSString;
class NSDictionary;
class NSArray;

class NIMBRA_FOUNDATION_API NSProcessInfo : public NSObject {
  OBJC_CLASS(NSProcessInfo, NSObject)

 public:
  static Strong<NSProcessInfo> processInfo();

  Strong<NSString> processName() const;
  int processIdentifier() const;
  // A snapshot of the environment when asked.
  Strong<NSDictionary> environment() const;
  Strong<NSArray> arguments() const;
};
