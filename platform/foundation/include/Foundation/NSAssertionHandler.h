// Broken preconditions: logged, then raised as NSInternalInconsistencyException whose
// reason carries the description, the method or function, the file and the line.
#pragma once

#include <string>

#include "Foundation/FoundationExport.h"
#include "Foundation/NSFormat.h"
#include "Foundation/NSObjCRuntime.h"

class NIMBRA_FOUNDATION_API NSAssertionHandler : public NSObject {
  OBJC_CLASS(NSAssertionHandler, NSObject)

 public:
  // One handler per thread.
  static NSAssertionHandler* currentHandler();

  template <class File, class F, class... A>
  [[noreturn]] void handleFailureInMethodObjectFileLineNumberDescription(
      SEL selector, const NSObject* object, const File& file, NSInteger line, const F& fmt,
      const A&... args) {
    failInMethod(selector, object, nsformat::text(file), line, nsformat::formatWith(fmt, args...));
  }
  template <class Fn, class File, class F, class... A>
  [[noreturn]] void handleFailureInFunctionFileLineNumberDescription(const Fn& function,
                                                                     const File& file,
                                                                     NSInteger line, const F& fmt,
                                                                     const A&... args) {
    failInFunction(nsformat::text(function), nsformat::text(file), line,
                   nsformat::formatWith(fmt, args...));
  }

  [[noreturn]] void failInMethod(SEL selector, const NSObject* object, const std::string& file,
                                 NSInteger line, const std::string& description);
  [[noreturn]] void failInFunction(const std::string& function, const std::string& file,
                                   NSInteger line, const std::string& description);
};

#define NSAssert(condition, ...)                                                              \
  do {                                                                                        \
    if (!(condition)) {                                                                       \
      NSAssertionHandler::currentHandler()->handleFailureInFunctionFileLineNumberDescription( \
          __func__, __FILE__, __LINE__, __VA_ARGS__);                                         \
    }                                                                                         \
  } while (0)
#define NSCAssert NSAssert
#define NSParameterAssert(condition) \
  NSAssert((condition), "Invalid parameter not satisfying: %s", #condition)
