#include "Foundation/NSTextCheckingResult.h"

#include <iterator>
#include <utility>

#include "Foundation/NSArray.h"
#include "Foundation/NSCoder.h"
#include "Foundation/NSDate.h"
#include "Foundation/NSDictionary.h"
#include "Foundation/NSError.h"
#include "Foundation/NSRegularExpression.h"
#include "Foundation/NSString.h"
#include "Foundation/NSTimeZone.h"
#include "Foundation/NSURL.h"
#include "Foundation/NSValue.h"
#include "objc/alloc.h"

// In an archive a result is of the device's class for its kind, each kind with its payload
// under the device's keys, and every kind with its range as "NSRangeLocation" and
// "NSRangeLength":
//
//   NSLinkCheckingResult                "NSURL"
//   NSPhoneNumberCheckingResult         "NSPhoneNumber"
//   NSDateCheckingResult                "NSDate", "NSTimeZone", "NSDuration"
//   NSAddressCheckingResult             "NSComponents"
//   NSTransitInformationCheckingResult  "NSComponents"
//   NSSimpleRegularExpressionCheckingResult (one range) and
//   NSComplexRegularExpressionCheckingResult (capture groups), under
//   NSRegularExpressionCheckingResult   "NSRegularExpression", "NSRangeArray" (an array of
//                                       range values, the whole match first)
//
// NSExtendedRegularExpressionCheckingResult reads as the other two. Each of these classes
// makes a placeholder that knows its kind, so one initWithCoder: serves them all.
// Archives naming NSTextCheckingResult itself, which this platform wrote before, carry
// the kind as "NSResultType" and read too.
namespace {

struct ResultClass {
  const char* name;
  const char* superclass;  // none: NSTextCheckingResult itself
  NSTextCheckingType type;
};
constexpr ResultClass kResultClasses[] = {
    {"NSLinkCheckingResult", nullptr, NSTextCheckingTypeLink},
    {"NSPhoneNumberCheckingResult", nullptr, NSTextCheckingTypePhoneNumber},
    {"NSDateCheckingResult", nullptr, NSTextCheckingTypeDate},
    {"NSAddressCheckingResult", nullptr, NSTextCheckingTypeAddress},
    {"NSTransitInformationCheckingResult", nullptr, NSTextCheckingTypeTransitInformation},
    {"NSRegularExpressionCheckingResult", nullptr, NSTextCheckingTypeRegularExpression},
    {"NSSimpleRegularExpressionCheckingResult", "NSRegularExpressionCheckingResult",
     NSTextCheckingTypeRegularExpression},
    {"NSExtendedRegularExpressionCheckingResult", "NSRegularExpressionCheckingResult",
     NSTextCheckingTypeRegularExpression},
    {"NSComplexRegularExpressionCheckingResult", "NSRegularExpressionCheckingResult",
     NSTextCheckingTypeRegularExpression},
};

Strong<NSString> keyNamed(const char* s) {
  return NSString::stringWithUTF8String(s);
}

void encodeRange(NSCoder* coder, NSRange r) {
  coder->encodeInt64ForKey(static_cast<int64_t>(r.location), NSSTR("NSRangeLocation"));
  coder->encodeInt64ForKey(static_cast<int64_t>(r.length), NSSTR("NSRangeLength"));
}

void resultEncode(NSObject* self, SEL, NSCoder* coder) {
  const auto& f = static_cast<NSTextCheckingResult*>(self)->fields();
  encodeRange(coder, f.range);
  switch (f.type) {
    case NSTextCheckingTypeLink:
      coder->encodeObjectForKey(f.url, NSSTR("NSURL"));
      return;
    case NSTextCheckingTypePhoneNumber:
      coder->encodeObjectForKey(f.phoneNumber, NSSTR("NSPhoneNumber"));
      return;
    case NSTextCheckingTypeDate:
      coder->encodeObjectForKey(f.date, NSSTR("NSDate"));
      if (f.timeZone) coder->encodeObjectForKey(f.timeZone, NSSTR("NSTimeZone"));
      coder->encodeDoubleForKey(f.duration, NSSTR("NSDuration"));
      return;
    case NSTextCheckingTypeAddress:
    case NSTextCheckingTypeTransitInformation:
      coder->encodeObjectForKey(f.components, NSSTR("NSComponents"));
      return;
    case NSTextCheckingTypeRegularExpression: {
      coder->encodeObjectForKey(f.regularExpression, NSSTR("NSRegularExpression"));
      std::vector<id> ranges;
      for (NSRange r : f.ranges) ranges.push_back(NSValue::valueWithRange(r));
      coder->encodeObjectForKey(std::make_shared<NSArray>(std::move(ranges)),
                                NSSTR("NSRangeArray"));
      return;
    }
    default:
      // A kind the device has no class of its own for here: ours, with the kind.
      coder->encodeInt64ForKey(static_cast<int64_t>(f.type), NSSTR("NSResultType"));
      return;
  }
}

Class resultClassForArchiver(NSObject* self, SEL) {
  const auto& f = static_cast<NSTextCheckingResult*>(self)->fields();
  const char* name = nullptr;
  if (f.type == NSTextCheckingTypeRegularExpression) {
    name = f.ranges.size() > 1 ? "NSComplexRegularExpressionCheckingResult"
                               : "NSSimpleRegularExpressionCheckingResult";
  } else {
    for (const ResultClass& c : kResultClasses)
      if (c.type == f.type && !c.superclass) name = c.name;
  }
  return name ? objc_getClass(name) : NSTextCheckingResult::class_();
}

// The ranges of a regular-expression result: "NSRangeArray" when there is one, else the
// range alone.
bool decodeRanges(NSCoder* coder, NSTextCheckingResult::Fields& f) {
  if (!coder->containsValueForKey(NSSTR("NSRangeArray"))) {
    f.ranges = {f.range};
    return true;
  }
  auto array = coder->decodeObjectOfClassForKey<NSArray>(NSSTR("NSRangeArray"));
  if (!array) return false;
  for (const id& item : *array) {
    auto value = objc_cast<NSValue>(item);
    if (!value || value->objCType() != NSRangeObjCType) return false;
    f.ranges.push_back(value->rangeValue());
  }
  return !f.ranges.empty();
}

id resultInitWithCoder(NSObject* self, SEL, NSCoder* coder) {
  NSTextCheckingResult::Fields f;
  auto fail = [&](const std::string& why) -> id {
    coder->failWithError(
        NSError::errorWithCode(NSCoderReadCorruptError, "a text checking result " + why));
    return nullptr;
  };
  // The placeholder knows the kind of the archived class; NSTextCheckingResult's own
  // archives say it.
  f.type = static_cast<NSTextCheckingResult*>(self)->resultType();
  if (f.type == 0)
    f.type = static_cast<NSTextCheckingType>(coder->decodeInt64ForKey(NSSTR("NSResultType")));
  f.range.location = static_cast<NSUInteger>(coder->decodeInt64ForKey(NSSTR("NSRangeLocation")));
  f.range.length = static_cast<NSUInteger>(coder->decodeInt64ForKey(NSSTR("NSRangeLength")));
  f.url = coder->decodeObjectOfClassForKey<NSURL>(NSSTR("NSURL"));
  f.components = coder->decodeObjectOfClassForKey<NSDictionary>(NSSTR("NSComponents"));
  f.phoneNumber = coder->decodeStringForKey(NSSTR("NSPhoneNumber"));
  f.date = coder->decodeObjectOfClassForKey<NSDate>(NSSTR("NSDate"));
  f.timeZone = coder->decodeObjectOfClassForKey<NSTimeZone>(NSSTR("NSTimeZone"));
  f.duration = coder->decodeDoubleForKey(NSSTR("NSDuration"));
  if (f.type == NSTextCheckingTypeRegularExpression) {
    f.regularExpression =
        coder->decodeObjectOfClassForKey<NSRegularExpression>(NSSTR("NSRegularExpression"));
    if (coder->error()) return nullptr;
    if (!f.regularExpression) return fail("of a regular expression has no NSRegularExpression");
    if (!decodeRanges(coder, f)) {
      if (coder->error()) return nullptr;
      return fail("of a regular expression has an NSRangeArray that is not a list of ranges");
    }
    // Archives that leave out the outer range have it as the first of the array.
    if (!coder->containsValueForKey(NSSTR("NSRangeLocation"))) f.range = f.ranges.front();
  }
  if (coder->error()) return nullptr;
  return std::make_shared<NSTextCheckingResult>(std::move(f));
}

id makeResult() {
  return std::make_shared<NSTextCheckingResult>(NSTextCheckingResult::Fields{});
}

// An object of one of the kind classes, made only to be decoded into: it answers that
// class, and initWithCoder: makes the result itself.
class KindPlaceholder final : public NSTextCheckingResult {
 public:
  KindPlaceholder(Class cls, NSTextCheckingType type)
      : NSTextCheckingResult(Fields{.type = type}), cls_(cls) {
    keepClass(cls);
  }
  Class getClass() const override { return cls_; }

 private:
  Class cls_;
};

template <std::size_t I>
id makeKindPlaceholder() {
  const ResultClass& c = kResultClasses[I];
  return std::make_shared<KindPlaceholder>(objc_getClass(c.name), c.type);
}

template <std::size_t... I>
void registerKindClasses(Class base, std::index_sequence<I...>) {
  auto one = [base](const ResultClass& c, objc::TypedImp alloc) {
    Class kind = objc_allocateClassPair(c.superclass ? objc_getClass(c.superclass) : base, c.name);
    class_addMethod(kind, OBJC_SEL("alloc"), alloc);
  };
  (one(kResultClasses[I], objc::method<&objc::allocFactoryWith<&makeKindPlaceholder<I>>>()), ...);
}

}  // namespace

OBJC_CLASS_IMPL(NSTextCheckingResult) {
  objc::registerAllocWith<&makeResult>(cls);
  class_addMethod(cls, OBJC_SEL("encodeWithCoder:"), objc::method<&resultEncode>());
  class_addMethod(cls, OBJC_SEL("initWithCoder:"), objc::method<&resultInitWithCoder>());
  class_addMethod(cls, OBJC_SEL("classForKeyedArchiver"), objc::method<&resultClassForArchiver>());
  registerKindClasses(cls, std::make_index_sequence<std::size(kResultClasses)>());
}

namespace {

Strong<NSTextCheckingResult> resultOf(NSTextCheckingResult::Fields f) {
  return std::make_shared<NSTextCheckingResult>(std::move(f));
}

bool sameObject(const NSObject* a, const NSObject* b) {
  if (a == b) return true;
  return a && b && a->isEqual(b);
}
}  // namespace

const Strong<NSString> NSTextCheckingNameKey = keyNamed("Name");
const Strong<NSString> NSTextCheckingJobTitleKey = keyNamed("JobTitle");
const Strong<NSString> NSTextCheckingOrganizationKey = keyNamed("Organization");
const Strong<NSString> NSTextCheckingStreetKey = keyNamed("Street");
const Strong<NSString> NSTextCheckingCityKey = keyNamed("City");
const Strong<NSString> NSTextCheckingStateKey = keyNamed("State");
const Strong<NSString> NSTextCheckingZIPKey = keyNamed("ZIP");
const Strong<NSString> NSTextCheckingCountryKey = keyNamed("Country");
const Strong<NSString> NSTextCheckingPhoneKey = keyNamed("Phone");
const Strong<NSString> NSTextCheckingAirlineKey = keyNamed("Airline");
const Strong<NSString> NSTextCheckingFlightKey = keyNamed("Flight");

NSTextCheckingResult::NSTextCheckingResult(Fields fields) : f_(std::move(fields)) {}

Strong<NSTextCheckingResult> NSTextCheckingResult::linkCheckingResultWithRangeURL(
    NSRange range, const Strong<NSURL>& url) {
  return resultOf({.type = NSTextCheckingTypeLink, .range = range, .url = url});
}

Strong<NSTextCheckingResult> NSTextCheckingResult::addressCheckingResultWithRangeComponents(
    NSRange range, const Strong<NSDictionary>& components) {
  return resultOf({.type = NSTextCheckingTypeAddress, .range = range, .components = components});
}

Strong<NSTextCheckingResult> NSTextCheckingResult::phoneNumberCheckingResultWithRangePhoneNumber(
    NSRange range, const Strong<NSString>& phoneNumber) {
  return resultOf(
      {.type = NSTextCheckingTypePhoneNumber, .range = range, .phoneNumber = phoneNumber});
}

Strong<NSTextCheckingResult> NSTextCheckingResult::dateCheckingResultWithRangeDate(
    NSRange range, const Strong<NSDate>& date) {
  return resultOf({.type = NSTextCheckingTypeDate, .range = range, .date = date});
}

Strong<NSTextCheckingResult> NSTextCheckingResult::dateCheckingResultWithRangeDateTimeZoneDuration(
    NSRange range, const Strong<NSDate>& date, const Strong<NSTimeZone>& timeZone,
    NSTimeInterval duration) {
  return resultOf({.type = NSTextCheckingTypeDate,
                   .range = range,
                   .date = date,
                   .timeZone = timeZone,
                   .duration = duration});
}

Strong<NSTextCheckingResult>
NSTextCheckingResult::transitInformationCheckingResultWithRangeComponents(
    NSRange range, const Strong<NSDictionary>& components) {
  return resultOf(
      {.type = NSTextCheckingTypeTransitInformation, .range = range, .components = components});
}

Strong<NSTextCheckingResult>
NSTextCheckingResult::regularExpressionCheckingResultWithRangesCountRegularExpression(
    const NSRange* ranges, NSUInteger count, const Strong<NSRegularExpression>& regularExpression) {
  if (!ranges || count == 0)
    NSException::raise(NSInvalidArgumentException,
                       "a regular-expression result needs at least the range of its match");
  return resultOf({.type = NSTextCheckingTypeRegularExpression,
                   .range = ranges[0],
                   .regularExpression = regularExpression,
                   .ranges = std::vector<NSRange>(ranges, ranges + count)});
}

NSUInteger NSTextCheckingResult::numberOfRanges() const {
  return f_.type == NSTextCheckingTypeRegularExpression && !f_.ranges.empty() ? f_.ranges.size()
                                                                              : 1;
}

NSRange NSTextCheckingResult::rangeAtIndex(NSUInteger index) const {
  if (index >= numberOfRanges())
    NSException::raise(NSRangeException, "rangeAtIndex: " + std::to_string(index) +
                                             " beyond the result's " +
                                             std::to_string(numberOfRanges()) + " ranges");
  return f_.type == NSTextCheckingTypeRegularExpression && !f_.ranges.empty() ? f_.ranges[index]
                                                                              : f_.range;
}

BOOL NSTextCheckingResult::isEqual(const NSObject* other) const {
  auto* o = objc_cast<NSTextCheckingResult>(other);
  if (!o) return NO;
  if (o == this) return YES;
  const Fields& a = f_;
  const Fields& b = o->f_;
  return a.type == b.type && a.range == b.range && sameObject(a.url.get(), b.url.get()) &&
         sameObject(a.components.get(), b.components.get()) &&
         sameObject(a.phoneNumber.get(), b.phoneNumber.get()) &&
         sameObject(a.date.get(), b.date.get()) && sameObject(a.timeZone.get(), b.timeZone.get()) &&
         a.duration == b.duration &&
         sameObject(a.regularExpression.get(), b.regularExpression.get()) && a.ranges == b.ranges;
}

std::size_t NSTextCheckingResult::hash() const {
  return static_cast<std::size_t>(f_.type * 1000003u ^ f_.range.location * 31u ^ f_.range.length);
}

std::string NSTextCheckingResult::description() const {
  struct Kind {
    NSTextCheckingType type;
    const char* name;
    const NSObject* payload;
  };
  const Kind kinds[] = {
      {NSTextCheckingTypeLink, "link", f_.url.get()},
      {NSTextCheckingTypeAddress, "address", f_.components.get()},
      {NSTextCheckingTypePhoneNumber, "phone", f_.phoneNumber.get()},
      {NSTextCheckingTypeDate, "date", f_.date.get()},
      {NSTextCheckingTypeTransitInformation, "transit", f_.components.get()},
      {NSTextCheckingTypeRegularExpression, "regex", f_.regularExpression.get()},
  };
  std::string text = "other ";
  for (const Kind& k : kinds)
    if (k.type == f_.type)
      text = std::string(k.name) + " " + (k.payload ? k.payload->description() : "(none)");
  if (f_.type == NSTextCheckingTypeRegularExpression) {
    for (std::size_t i = 1; i < f_.ranges.size(); ++i)
      text += " {" + std::to_string(f_.ranges[i].location) + ", " +
              std::to_string(f_.ranges[i].length) + "}";
  }
  if (f_.type == NSTextCheckingTypeDate) {
    if (f_.timeZone) text += " " + f_.timeZone->description();
    if (f_.duration != 0) text += " duration " + std::to_string(f_.duration);
  }
  return "{" + std::to_string(f_.range.location) + ", " + std::to_string(f_.range.length) + "} " +
         text;
}
