#include "Foundation/NSError.h"

#include "Foundation/NSDictionary.h"
#include "Foundation/NSString.h"

OBJC_CLASS_IMPL(NSError) {}

const Strong<NSString> NSCocoaErrorDomain = NSString::stringWithUTF8String("NSCocoaErrorDomain");
const Strong<NSString> NSLocalizedDescriptionKey =
    NSString::stringWithUTF8String("NSLocalizedDescription");

Strong<NSError> NSError::errorWithDomainCodeUserInfo(const Strong<NSString>& domain, NSInteger code,
                                                     const Strong<NSDictionary>& userInfo) {
  return std::make_shared<NSError>(domain ? domain : NSString::string(), code, userInfo);
}

Strong<NSError> NSError::errorWithCode(NSInteger code, const std::string& description) {
  auto info = NSDictionary::dictionaryWithObjectsAndKeys(
      {{NSLocalizedDescriptionKey, NSString::stringWithUTF8String(description)}});
  return errorWithDomainCodeUserInfo(NSCocoaErrorDomain, code, info);
}

Strong<NSString> NSError::localizedDescription() const {
  if (userInfo_) {
    if (auto s = userInfo_->objectForKeyAs<NSString>(NSLocalizedDescriptionKey)) return s;
  }
  return NSString::stringWithUTF8String("The operation couldn't be completed. (" +
                                        domain_->stdString() + " error " + std::to_string(code_) +
                                        ".)");
}

std::string NSError::description() const {
  return "Error Domain=" + domain_->stdString() + " Code=" + std::to_string(code_) + " \"" +
         localizedDescription()->stdString() + "\"";
}
