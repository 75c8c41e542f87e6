// Finds links, phone numbers, dates, addresses and transit information in text.
//
// Matches come in text order and never overlap. A detector is immutable once made, so
// one detector may scan on several threads at once. "matchesInString:options:range:"
// is in the runtime's method table, (NSString*, NSUInteger, NSRange) -> NSArray*
// returned as an owning id, so callers that ask respondsToSelector: find it and a
// subclass can stand in for it.
#pragma once

#include <functional>
#include <string>

#include "Foundation/FoundationExport.h"
#include "Foundation/NSObjCRuntime.h"
#include "Foundation/NSRange.h"
#include "Foundation/NSTextCheckingResult.h"

class NSArray;
class NSDate;
class NSError;
class NSString;

using NSMatchingOptions = NSUInteger;
using NSMatchingFlags = NSUInteger;

class NIMBRA_FOUNDATION_API NSDataDetector : public NSObject {
  OBJC_CLASS(NSDataDetector, NSObject)

 public:
  // None, with an NSError in `error` when wanted, when `types` is 0 or holds a bit
  // outside NSTextCheckingAllDetectorTypes.
  static Strong<NSDataDetector> dataDetectorWithTypesError(NSTextCheckingTypes types,
                                                           Strong<NSError>* error);
  explicit NSDataDetector(NSTextCheckingTypes types) : types_(types) {}

  NSTextCheckingTypes checkingTypes() const { return types_; }

  // Relative dates ("tomorrow", "next Friday") count from this moment; none (the
  // default) means the moment of each scan.
  void setReferenceDate(const Strong<NSDate>& date) { referenceDate_ = date; }
  Strong<NSDate> referenceDate() const { return referenceDate_; }

  // The locale the text is read in ("en_GB", "de_DE"): its words, its order of day and
  // month and its phone region. Empty (the default) means the process's locale.
  void setLocaleIdentifier(const std::string& identifier) { localeIdentifier_ = identifier; }
  const std::string& localeIdentifier() const { return localeIdentifier_; }

  // `range` is clipped to the string; a range starting past its end finds nothing.
  Strong<NSArray> matchesInStringOptionsRange(const Strong<NSString>& string,
                                              NSMatchingOptions options, NSRange range) const;
  NSUInteger numberOfMatchesInStringOptionsRange(const Strong<NSString>& string,
                                                 NSMatchingOptions options, NSRange range) const;
  Strong<NSTextCheckingResult> firstMatchInStringOptionsRange(const Strong<NSString>& string,
                                                              NSMatchingOptions options,
                                                              NSRange range) const;
  void enumerateMatchesInStringOptionsRangeUsingBlock(
      const Strong<NSString>& string, NSMatchingOptions options, NSRange range,
      const std::function<void(const Strong<NSTextCheckingResult>& result, NSMatchingFlags flags,
                               BOOL* stop)>& block) const;

 private:
  NSTextCheckingTypes types_;
  Strong<NSDate> referenceDate_;
  std::string localeIdentifier_;
};
