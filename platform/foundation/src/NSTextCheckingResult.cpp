#include "Foundation/NSTextCheckingResult.h"

#include "Foundation/NSCoder.h"
#include "Foundation/NSDate.h"
#include "Foundation/NSDictionary.h"
#include "Foundation/NSString.h"
#include "Foundation/NSTimeZone.h"
#include "Foundation/NSURL.h"
#include "objc/alloc.h"

// Keys: the range as "NSRangeLocation" and "NSRangeLength" (the device's), then of ours
// "NSResultType" and, for the fields the type carries, "NSURL", "NSComponents",
// "NSPhoneNumber", "NSDate", "NSTimeZone" and "NSDuration".
namespace {

void resultEncode(NSObject* self, SEL, NSCoder* coder) {
  const auto& f = static_cast<NSTextCheckingResult*>(self)->fields();
  coder->encodeInt64ForKey(static_cast<int64_t>(f.type), NSSTR("NSResultType"));
  coder->encodeInt64ForKey(static_cast<int64_t>(f.range.location), NSSTR("NSRangeLocation"));
  coder->encodeInt64ForKey(static_cast<int64_t>(f.range.length), NSSTR("NSRangeLength"));
  if (f.url) coder->encodeObjectForKey(f.url, NSSTR("NSURL"));
  if (f.components) coder->encodeObjectForKey(f.components, NSSTR("NSComponents"));
  if (f.phoneNumber) coder->encodeObjectForKey(f.phoneNumber, NSSTR("NSPhoneNumber"));
  if (f.date) coder->encodeObjectForKey(f.date, NSSTR("NSDate"));
  if (f.timeZone) coder->encodeObjectForKey(f.timeZone, NSSTR("NSTimeZone"));
  if (f.duration != 0) coder->encodeDoubleForKey(f.duration, NSSTR("NSDuration"));
}

id resultInitWithCoder(NSObject*, SEL, NSCoder* coder) {
  NSTextCheckingResult::Fields f;
  f.type = static_cast<NSTextCheckingType>(coder->decodeInt64ForKey(NSSTR("NSResultType")));
  f.range.location = static_cast<NSUInteger>(coder->decodeInt64ForKey(NSSTR("NSRangeLocation")));
  f.range.length = static_cast<NSUInteger>(coder->decodeInt64ForKey(NSSTR("NSRangeLength")));
  f.url = coder->decodeObjectOfClassForKey<NSURL>(NSSTR("NSURL"));
  f.components = coder->decodeObjectOfClassForKey<NSDictionary>(NSSTR("NSComponents"));
  f.phoneNumber = coder->decodeStringForKey(NSSTR("NSPhoneNumber"));
  f.date = coder->decodeObjectOfClassForKey<NSDate>(NSSTR("NSDate"));
  f.timeZone = coder->decodeObjectOfClassForKey<NSTimeZone>(NSSTR("NSTimeZone"));
  f.duration = coder->decodeDoubleForKey(NSSTR("NSDuration"));
  if (coder->error()) return nullptr;
  return std::make_shared<NSTextCheckingResult>(std::move(f));
}

id makeResult() {
  return std::make_shared<NSTextCheckingResult>(NSTextCheckingResult::Fields{});
}

}  // namespace

OBJC_CLASS_IMPL(NSTextCheckingResult) {
  objc::registerAllocWith<&makeResult>(cls);
  class_addMethod(cls, OBJC_SEL("encodeWithCoder:"), objc::method<&resultEncode>());
  class_addMethod(cls, OBJC_SEL("initWithCoder:"), objc::method<&resultInitWithCoder>());
}

namespace {
Strong<NSString> key(const char* s) {
  return NSString::stringWithUTF8String(s);
}

Strong<NSTextCheckingResult> resultOf(NSTextCheckingResult::Fields f) {
  return std::make_shared<NSTextCheckingResult>(std::move(f));
}

bool sameObject(const NSObject* a, const NSObject* b) {
  if (a == b) return true;
  return a && b && a->isEqual(b);
}
}  // namespace

const Strong<NSString> NSTextCheckingNameKey = key("Name");
const Strong<NSString> NSTextCheckingJobTitleKey = key("JobTitle");
const Strong<NSString> NSTextCheckingOrganizationKey = key("Organization");
const Strong<NSString> NSTextCheckingStreetKey = key("Street");
const Strong<NSString> NSTextCheckingCityKey = key("City");
const Strong<NSString> NSTextCheckingStateKey = key("State");
const Strong<NSString> NSTextCheckingZIPKey = key("ZIP");
const Strong<NSString> NSTextCheckingCountryKey = key("Country");
const Strong<NSString> NSTextCheckingPhoneKey = key("Phone");
const Strong<NSString> NSTextCheckingAirlineKey = key("Airline");
const Strong<NSString> NSTextCheckingFlightKey = key("Flight");

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
         a.duration == b.duration;
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
  };
  std::string text = "other ";
  for (const Kind& k : kinds)
    if (k.type == f_.type)
      text = std::string(k.name) + " " + (k.payload ? k.payload->description() : "(none)");
  if (f_.type == NSTextCheckingTypeDate) {
    if (f_.timeZone) text += " " + f_.timeZone->description();
    if (f_.duration != 0) text += " duration " + std::to_string(f_.duration);
  }
  return "{" + std::to_string(f_.range.location) + ", " + std::to_string(f_.range.length) + "} " +
         text;
}
