// The platform's exception: a name and a reason, raised as a C++ exception so callers
// can catch it where the device code would.
#pragma once

#include <exception>
#include <string>

#include "objc/ObjCExport.h"

NIMBRA_OBJC_API extern const char* const NSInvalidArgumentException;
NIMBRA_OBJC_API extern const char* const NSRangeException;
NIMBRA_OBJC_API extern const char* const NSInternalInconsistencyException;
NIMBRA_OBJC_API extern const char* const NSGenericException;

class NIMBRA_OBJC_API NSException : public std::exception {
 public:
  NSException(std::string name, std::string reason)
      : name_(std::move(name)), reason_(std::move(reason)), what_(name_ + ": " + reason_) {}
  const std::string& name() const { return name_; }
  const std::string& reason() const { return reason_; }
  const char* what() const noexcept override { return what_.c_str(); }

  [[noreturn]] static void raise(std::string name, std::string reason) {
    throw NSException(std::move(name), std::move(reason));
  }

 private:
  std::string name_;
  std::string reason_;
  std::string what_;
};
