// Time zones by IANA name ("America/Los_Angeles") or fixed offset from UTC.
#pragma once

#include <string>

#include "Foundation/FoundationExport.h"
#include "Foundation/NSObjCRuntime.h"

class NSString;
class NSDate;
class NSDictionary;

class NIMBRA_FOUNDATION_API NSTimeZone : public NSObject {
  OBJC_CLASS(NSTimeZone, NSObject)

 public:
  // None for a name the zone database does not know.
  static Strong<NSTimeZone> timeZoneWithName(const Strong<NSString>& name);
  static Strong<NSTimeZone> timeZoneWithName(const std::string& name);
  // A fixed zone; none beyond ±18 hours.
  static Strong<NSTimeZone> timeZoneForSecondsFromGMT(NSInteger seconds);
  // "PST", "CET", "UTC": the zone of the region an abbreviation stands for (see
  // abbreviationDictionary), else a zone the database knows by that name; none otherwise.
  static Strong<NSTimeZone> timeZoneWithAbbreviation(const Strong<NSString>& abbreviation);
  static Strong<NSTimeZone> timeZoneWithAbbreviation(const std::string& abbreviation);
  // Abbreviation to zone name, for every abbreviation timeZoneWithAbbreviation knows.
  static Strong<NSDictionary> abbreviationDictionary();
  // From TZ, else the system's zone, else UTC.
  static Strong<NSTimeZone> localTimeZone();
  static Strong<NSTimeZone> systemTimeZone() { return localTimeZone(); }

  NSTimeZone(std::string name, NSInteger fixedOffset, bool isFixed)
      : name_(std::move(name)), fixedOffset_(fixedOffset), fixed_(isFixed) {}

  Strong<NSString> name() const;
  // Offset at the given moment (daylight saving included).
  NSInteger secondsFromGMTForDate(const Strong<NSDate>& date) const;
  NSInteger secondsFromGMT() const;
  Strong<NSString> abbreviation() const;

  BOOL isEqualToTimeZone(const Strong<NSTimeZone>& other) const;
  BOOL isEqual(const NSObject* other) const override;
  using NSObject::isEqual;
  std::size_t hash() const override;
  std::string description() const override { return name_; }

  const std::string& stdName() const { return name_; }
  bool isFixedOffset() const { return fixed_; }

 private:
  std::string name_;
  NSInteger fixedOffset_ = 0;
  bool fixed_ = false;
};
