// Points in time, as seconds since 2001-01-01 00:00:00 UTC (the reference date).
#pragma once

#include "Foundation/FoundationExport.h"
#include "Foundation/NSObjCRuntime.h"

// Seconds from 1970-01-01 to 2001-01-01.
inline constexpr NSTimeInterval NSTimeIntervalSince1970 = 978307200.0;

class NIMBRA_FOUNDATION_API NSDate : public NSObject {
  OBJC_CLASS(NSDate, NSObject)

 public:
  explicit NSDate(NSTimeInterval sinceReference = 0) : t_(sinceReference) {}

  static Strong<NSDate> date();
  static Strong<NSDate> dateWithTimeIntervalSinceReferenceDate(NSTimeInterval t);
  static Strong<NSDate> dateWithTimeIntervalSince1970(NSTimeInterval t);
  static Strong<NSDate> dateWithTimeIntervalSinceNow(NSTimeInterval t);
  // The current moment, as date().
  static Strong<NSDate> now() { return date(); }

  NSTimeInterval timeIntervalSinceReferenceDate() const { return t_; }
  NSTimeInterval timeIntervalSince1970() const { return t_ + NSTimeIntervalSince1970; }
  NSTimeInterval timeIntervalSinceDate(const Strong<NSDate>& other) const;
  Strong<NSDate> dateByAddingTimeInterval(NSTimeInterval t) const {
    return dateWithTimeIntervalSinceReferenceDate(t_ + t);
  }
  NSComparisonResult compare(const Strong<NSDate>& other) const;

  BOOL isEqualToDate(const Strong<NSDate>& other) const;
  BOOL isEqual(const NSObject* other) const override;
  using NSObject::isEqual;
  std::size_t hash() const override;
  // "2001-01-01 00:00:00 +0000"
  std::string description() const override;

 private:
  NSTimeInterval t_;
};
