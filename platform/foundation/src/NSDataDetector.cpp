#include "Foundation/NSDataDetector.h"

#include <algorithm>
#include <mutex>

#include "Foundation/NSArray.h"
#include "Foundation/NSDate.h"
#include "Foundation/NSError.h"
#include "Foundation/NSString.h"
#include "detect/AddressScanner.h"
#include "detect/DateScanner.h"
#include "detect/LinkScanner.h"
#include "detect/PhoneScanner.h"
#include "detect/ScanContext.h"
#include "detect/TransitScanner.h"

namespace {

id matchesImp(NSObject* self, SEL, NSString* string, NSUInteger options, NSRange range) {
  auto* detector = static_cast<NSDataDetector*>(self);
  return detector->matchesInStringOptionsRange(string ? string->retainedSelf<NSString>() : nullptr,
                                               options, range);
}

}  // namespace

OBJC_CLASS_IMPL(NSDataDetector) {
  class_addMethod(cls, OBJC_SEL("matchesInString:options:range:"), objc::method<&matchesImp>());
}

Strong<NSDataDetector> NSDataDetector::dataDetectorWithTypesError(NSTextCheckingTypes types,
                                                                  Strong<NSError>* error) {
  if (types == 0 || (types & ~NSTextCheckingAllDetectorTypes) != 0) {
    NSErrorSet(error, NSError::errorWithCode(NSFormattingError,
                                             "The data detector types are not supported."));
    return nullptr;
  }
  return std::make_shared<NSDataDetector>(types);
}

Strong<NSArray> NSDataDetector::matchesInStringOptionsRange(const Strong<NSString>& string,
                                                            NSMatchingOptions,
                                                            NSRange range) const {
  auto out = NSMutableArray::array();
  if (!string || range.location >= string->length()) return NSArray::arrayWithArray(out);
  // Clipped without forming location + length, which may wrap.
  NSUInteger end = range.location + std::min(range.length, string->length() - range.location);
  std::u16string_view text(string->characters());
  text = text.substr(range.location, end - range.location);

  foundation::detect::ScanContext context;
  context.referenceDate = referenceDate_ ? referenceDate_->timeIntervalSinceReferenceDate()
                                         : NSDate::date()->timeIntervalSinceReferenceDate();
  context.locale =
      localeIdentifier_.empty() ? foundation::detect::currentLocaleIdentifier() : localeIdentifier_;
  context.region = foundation::detect::regionOfLocale(context.locale);
  if (types_ & NSTextCheckingTypeDate) context.timeZone = NSTimeZone::localTimeZone();

  std::vector<Strong<NSTextCheckingResult>> found;
  if (types_ & NSTextCheckingTypeDate) {
    foundation::detect::scanDates(text, range.location, context, found);
  }
  if (types_ & NSTextCheckingTypeAddress) {
    foundation::detect::scanAddresses(text, range.location, context, found);
  }
  if (types_ & NSTextCheckingTypeLink) {
    foundation::detect::scanLinks(text, range.location, context, found);
  }
  if (types_ & NSTextCheckingTypePhoneNumber) {
    foundation::detect::scanPhoneNumbers(text, range.location, context, found);
  }
  if (types_ & NSTextCheckingTypeTransitInformation) {
    foundation::detect::scanTransitInformation(text, range.location, context, found);
  }
  // Text order; where kinds overlap the earlier start wins, then the longer match.
  std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
    if (a->range().location != b->range().location) {
      return a->range().location < b->range().location;
    }
    return a->range().length > b->range().length;
  });
  NSUInteger covered = 0;
  for (const auto& r : found) {
    if (r->range().location < covered) continue;
    out->addObject(r);
    covered = NSMaxRange(r->range());
  }
  return NSArray::arrayWithArray(out);
}

NSUInteger NSDataDetector::numberOfMatchesInStringOptionsRange(const Strong<NSString>& string,
                                                               NSMatchingOptions options,
                                                               NSRange range) const {
  return matchesInStringOptionsRange(string, options, range)->count();
}

Strong<NSTextCheckingResult> NSDataDetector::firstMatchInStringOptionsRange(
    const Strong<NSString>& string, NSMatchingOptions options, NSRange range) const {
  auto all = matchesInStringOptionsRange(string, options, range);
  return all->count() ? objc_cast<NSTextCheckingResult>(all->objectAtIndex(0)) : nullptr;
}

void NSDataDetector::enumerateMatchesInStringOptionsRangeUsingBlock(
    const Strong<NSString>& string, NSMatchingOptions options, NSRange range,
    const std::function<void(const Strong<NSTextCheckingResult>&, NSMatchingFlags, BOOL*)>& block)
    const {
  auto all = matchesInStringOptionsRange(string, options, range);
  BOOL stop = NO;
  for (NSUInteger i = 0; i < all->count() && !stop; ++i) {
    block(objc_cast<NSTextCheckingResult>(all->objectAtIndex(i)), 0, &stop);
  }
}
