// An error a call reports through an out-parameter: a domain, a code and details.
#pragma once

#include <string>

#include "Foundation/FoundationExport.h"
#include "Foundation/NSObjCRuntime.h"

class NSString;
class NSDictionary;

NIMBRA_FOUNDATION_API extern const Strong<NSString> NSCocoaErrorDomain;
NIMBRA_FOUNDATION_API extern const Strong<NSString>
    NSLocalizedDescriptionKey;  // "NSLocalizedDescription"

// Codes of NSCocoaErrorDomain used by the platform.
inline constexpr NSInteger NSFileReadCorruptFileError = 259;
inline constexpr NSInteger NSCoderReadCorruptError = 4864;
inline constexpr NSInteger NSCoderValueNotFoundError = 4865;
inline constexpr NSInteger NSFormattingError = 2048;

class NIMBRA_FOUNDATION_API NSError : public NSObject {
  OBJC_CLASS(NSError, NSObject)

 public:
  static Strong<NSError> errorWithDomainCodeUserInfo(const Strong<NSString>& domain, NSInteger code,
                                                     const Strong<NSDictionary>& userInfo);
  // A Cocoa-domain error whose description is `description`.
  static Strong<NSError> errorWithCode(NSInteger code, const std::string& description);

  NSError(Strong<NSString> domain, NSInteger code, Strong<NSDictionary> userInfo)
      : domain_(std::move(domain)), code_(code), userInfo_(std::move(userInfo)) {}

  Strong<NSString> domain() const { return domain_; }
  NSInteger code() const { return code_; }
  Strong<NSDictionary> userInfo() const { return userInfo_; }
  // The user info's description, else "The operation couldn't be completed. (DOMAIN
  // error CODE.)".
  Strong<NSString> localizedDescription() const;

  std::string description() const override;

 private:
  Strong<NSString> domain_;
  NSInteger code_;
  Strong<NSDictionary> userInfo_;
};

// Fills an optional out-parameter, as callers pass none when they do not want the error.
inline void NSErrorSet(Strong<NSError>* out, Strong<NSError> error) {
  if (out) *out = std::move(error);
}
