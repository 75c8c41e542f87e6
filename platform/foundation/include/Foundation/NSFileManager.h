// The few file-system queries the hosts need.
#pragma once

#include <string>

#include "Foundation/FoundationExport.h"
#include "Foundation/NSObjCRuntime.h"

class NSString;

class NIMBRA_FOUNDATION_API NSFileManager : public NSObject {
  OBJC_CLASS(NSFileManager, NSObject)

 public:
  static Strong<NSFileManager> defaultManager();

  BOOL fileExistsAtPath(const Strong<NSString>& path) const;
  BOOL fileExistsAtPathIsDirectory(const Strong<NSString>& path, BOOL* isDirectory) const;
  // With intermediates, an existing folder is success.
  BOOL createDirectoryAtPathWithIntermediateDirectories(const Strong<NSString>& path,
                                                        BOOL intermediates) const;
  // Removes a file or an empty folder.
  BOOL removeItemAtPath(const Strong<NSString>& path) const;
};
