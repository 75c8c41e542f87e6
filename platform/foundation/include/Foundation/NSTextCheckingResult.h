// A match found in text: its kind, its UTF-16 range and the payload of that kind.
//
// Results are immutable once made, so one result may be shared by several threads and
// several owners (a detector's caller, a label's link list, an archive).
#pragma once

#include <cstdint>
#include <vector>

#include "Foundation/FoundationExport.h"
#include "Foundation/NSObjCRuntime.h"
#include "Foundation/NSRange.h"

class NSString;
class NSURL;
class NSDate;
class NSTimeZone;
class NSDictionary;
class NSRegularExpression;

using NSTextCheckingType = uint64_t;
inline constexpr NSTextCheckingType NSTextCheckingTypeOrthography = 1ull << 0;
inline constexpr NSTextCheckingType NSTextCheckingTypeSpelling = 1ull << 1;
inline constexpr NSTextCheckingType NSTextCheckingTypeGrammar = 1ull << 2;
inline constexpr NSTextCheckingType NSTextCheckingTypeDate = 1ull << 3;
inline constexpr NSTextCheckingType NSTextCheckingTypeAddress = 1ull << 4;
inline constexpr NSTextCheckingType NSTextCheckingTypeLink = 1ull << 5;
inline constexpr NSTextCheckingType NSTextCheckingTypeQuote = 1ull << 6;
inline constexpr NSTextCheckingType NSTextCheckingTypeDash = 1ull << 7;
inline constexpr NSTextCheckingType NSTextCheckingTypeReplacement = 1ull << 8;
inline constexpr NSTextCheckingType NSTextCheckingTypeCorrection = 1ull << 9;
inline constexpr NSTextCheckingType NSTextCheckingTypeRegularExpression = 1ull << 10;
inline constexpr NSTextCheckingType NSTextCheckingTypePhoneNumber = 1ull << 11;
inline constexpr NSTextCheckingType NSTextCheckingTypeTransitInformation = 1ull << 12;

using NSTextCheckingTypes = uint64_t;
// The kinds a data detector can look for.
inline constexpr NSTextCheckingTypes NSTextCheckingAllDetectorTypes =
    NSTextCheckingTypeDate | NSTextCheckingTypeAddress | NSTextCheckingTypeLink |
    NSTextCheckingTypePhoneNumber | NSTextCheckingTypeTransitInformation;

// Keys of address and transit components.
NIMBRA_FOUNDATION_API extern const Strong<NSString> NSTextCheckingNameKey;      // "Name"
NIMBRA_FOUNDATION_API extern const Strong<NSString> NSTextCheckingJobTitleKey;  // "JobTitle"
NIMBRA_FOUNDATION_API extern const Strong<NSString>
    NSTextCheckingOrganizationKey;                                             // "Organization"
NIMBRA_FOUNDATION_API extern const Strong<NSString> NSTextCheckingStreetKey;   // "Street"
NIMBRA_FOUNDATION_API extern const Strong<NSString> NSTextCheckingCityKey;     // "City"
NIMBRA_FOUNDATION_API extern const Strong<NSString> NSTextCheckingStateKey;    // "State"
NIMBRA_FOUNDATION_API extern const Strong<NSString> NSTextCheckingZIPKey;      // "ZIP"
NIMBRA_FOUNDATION_API extern const Strong<NSString> NSTextCheckingCountryKey;  // "Country"
NIMBRA_FOUNDATION_API extern const Strong<NSString> NSTextCheckingPhoneKey;    // "Phone"
NIMBRA_FOUNDATION_API extern const Strong<NSString> NSTextCheckingAirlineKey;  // "Airline"
NIMBRA_FOUNDATION_API extern const Strong<NSString> NSTextCheckingFlightKey;   // "Flight"

class NIMBRA_FOUNDATION_API NSTextCheckingResult : public NSObject {
  OBJC_CLASS(NSTextCheckingResult, NSObject)

 public:
  static Strong<NSTextCheckingResult> linkCheckingResultWithRangeURL(NSRange range,
                                                                     const Strong<NSURL>& url);
  static Strong<NSTextCheckingResult> addressCheckingResultWithRangeComponents(
      NSRange range, const Strong<NSDictionary>& components);
  static Strong<NSTextCheckingResult> phoneNumberCheckingResultWithRangePhoneNumber(
      NSRange range, const Strong<NSString>& phoneNumber);
  static Strong<NSTextCheckingResult> dateCheckingResultWithRangeDate(NSRange range,
                                                                      const Strong<NSDate>& date);
  static Strong<NSTextCheckingResult> dateCheckingResultWithRangeDateTimeZoneDuration(
      NSRange range, const Strong<NSDate>& date, const Strong<NSTimeZone>& timeZone,
      NSTimeInterval duration);
  static Strong<NSTextCheckingResult> transitInformationCheckingResultWithRangeComponents(
      NSRange range, const Strong<NSDictionary>& components);
  // A match of `regularExpression`: ranges[0] is the whole match, then one range per
  // capture group. NSInvalidArgumentException when `count` is 0.
  static Strong<NSTextCheckingResult>
  regularExpressionCheckingResultWithRangesCountRegularExpression(
      const NSRange* ranges, NSUInteger count,
      const Strong<NSRegularExpression>& regularExpression);

  // Every field of a result, for the factories and for decoding an archive. Fields
  // that do not belong to the type are ignored.
  struct Fields {
    NSTextCheckingType type = 0;
    NSRange range{};
    Strong<NSURL> url{};
    Strong<NSDictionary> components{};  // address or transit components
    Strong<NSString> phoneNumber{};
    Strong<NSDate> date{};
    Strong<NSTimeZone> timeZone{};
    NSTimeInterval duration = 0;
    Strong<NSRegularExpression> regularExpression{};
    // A regular-expression result's capture ranges, the whole match first.
    std::vector<NSRange> ranges{};
  };
  explicit NSTextCheckingResult(Fields fields);

  NSTextCheckingType resultType() const { return f_.type; }
  NSRange range() const { return f_.range; }
  // Payloads: none (or 0) when the result is of another type.
  Strong<NSURL> URL() const { return payload(NSTextCheckingTypeLink, &Fields::url); }
  Strong<NSDictionary> addressComponents() const {
    return payload(NSTextCheckingTypeAddress, &Fields::components);
  }
  Strong<NSString> phoneNumber() const {
    return payload(NSTextCheckingTypePhoneNumber, &Fields::phoneNumber);
  }
  Strong<NSDate> date() const { return payload(NSTextCheckingTypeDate, &Fields::date); }
  Strong<NSTimeZone> timeZone() const { return payload(NSTextCheckingTypeDate, &Fields::timeZone); }
  NSTimeInterval duration() const { return payload(NSTextCheckingTypeDate, &Fields::duration); }
  Strong<NSDictionary> components() const {  // transit components
    return payload(NSTextCheckingTypeTransitInformation, &Fields::components);
  }
  Strong<NSRegularExpression> regularExpression() const {
    return payload(NSTextCheckingTypeRegularExpression, &Fields::regularExpression);
  }
  // A regular-expression result's capture ranges, the whole match first; for any other
  // result its range alone. rangeAtIndex raises NSRangeException past the end.
  NSUInteger numberOfRanges() const;
  NSRange rangeAtIndex(NSUInteger index) const;

  const Fields& fields() const { return f_; }

  // Same type, range and payload.
  BOOL isEqual(const NSObject* other) const override;
  using NSObject::isEqual;
  std::size_t hash() const override;
  std::string description() const override;

 private:
  template <class T>
  T payload(NSTextCheckingType type, T Fields::*field) const {
    return f_.type == type ? f_.*field : T{};
  }

  const Fields f_;
};
