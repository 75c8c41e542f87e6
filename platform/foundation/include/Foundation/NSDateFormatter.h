// Dates as text in a locale's own forms, through ICU.
//
// A formatter writes with its date and time styles, or with a pattern of its own when
// one is set (ICU's pattern letters, "yyyy-MM-dd HH:mm"); whichever was set last wins.
// It starts in the process's current locale (LC_ALL, then LC_TIME, then LANG;
// en_US_POSIX when none is set) and the local zone (TZ). One formatter may be used
// from several threads at once.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "Foundation/FoundationExport.h"
#include "Foundation/NSObjCRuntime.h"

class NSDate;
class NSString;
class NSTimeZone;

using NSDateFormatterStyle = NSUInteger;
inline constexpr NSDateFormatterStyle NSDateFormatterNoStyle = 0;
// en_US shapes of the date and the time in each style.
inline constexpr NSDateFormatterStyle NSDateFormatterShortStyle = 1;   // 12/9/26, 3:30 PM
inline constexpr NSDateFormatterStyle NSDateFormatterMediumStyle = 2;  // Dec 9, 2026, 3:30:00 PM
inline constexpr NSDateFormatterStyle NSDateFormatterLongStyle =
    3;  // December 9, 2026, 3:30:00 PM PST
inline constexpr NSDateFormatterStyle NSDateFormatterFullStyle =
    4;  // Wednesday, December 9, 2026,
        // 3:30:00 PM Pacific Standard Time

class NIMBRA_FOUNDATION_API NSDateFormatter : public NSObject {
  OBJC_CLASS(NSDateFormatter, NSObject)

 public:
  NSDateFormatter();
  ~NSDateFormatter() override;

  // The date in the current locale and local zone; styles past Full count as Full.
  // Both styles NoStyle give the empty string; no date gives none.
  static Strong<NSString> localizedStringFromDateDateStyleTimeStyle(const Strong<NSDate>& date,
                                                                    NSDateFormatterStyle dateStyle,
                                                                    NSDateFormatterStyle timeStyle);

  NSDateFormatterStyle dateStyle() const;
  void setDateStyle(NSDateFormatterStyle style);
  NSDateFormatterStyle timeStyle() const;
  void setTimeStyle(NSDateFormatterStyle style);
  // The pattern in use: the one set, or the one the styles give.
  Strong<NSString> dateFormat() const;
  void setDateFormat(const Strong<NSString>& format);
  // An ICU locale identifier ("de_DE"), standing in for an NSLocale.
  std::string localeIdentifier() const;
  void setLocaleIdentifier(const std::string& identifier);
  Strong<NSTimeZone> timeZone() const;
  void setTimeZone(const Strong<NSTimeZone>& zone);  // none restores the local zone

  // None for no date; the empty string while both styles are NoStyle and no pattern is set.
  Strong<NSString> stringFromDate(const Strong<NSDate>& date) const;
  // The date the whole string spells in the formatter's form, or none.
  Strong<NSDate> dateFromString(const Strong<NSString>& string) const;

 private:
  struct Format;
  Format* format() const;  // built on first use; mutex_ held
  void dropFormat();

  mutable std::mutex mutex_;
  NSDateFormatterStyle dateStyle_ = NSDateFormatterNoStyle;
  NSDateFormatterStyle timeStyle_ = NSDateFormatterNoStyle;
  std::string pattern_;  // set by setDateFormat, cleared by the style setters
  std::string locale_;
  Strong<NSTimeZone> zone_;
  // Derived from the five fields above; dropped by every setter.
  mutable std::unique_ptr<Format> format_;
};
