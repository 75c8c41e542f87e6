// A compiled regular expression (ICU's syntax, as on the device) and its options.
//
// In an archive: {"NSPattern": the pattern, "NSOptions": the option bits}; an archive
// whose pattern does not compile is refused.
#pragma once

#include <memory>

#include "Foundation/FoundationExport.h"
#include "Foundation/NSObjCRuntime.h"
#include "Foundation/NSRange.h"

class NSString;
class NSError;
class NSTextCheckingResult;

using NSRegularExpressionOptions = NSUInteger;
inline constexpr NSRegularExpressionOptions NSRegularExpressionCaseInsensitive = 1 << 0;
inline constexpr NSRegularExpressionOptions NSRegularExpressionAllowCommentsAndWhitespace = 1 << 1;
inline constexpr NSRegularExpressionOptions NSRegularExpressionIgnoreMetacharacters = 1 << 2;
inline constexpr NSRegularExpressionOptions NSRegularExpressionDotMatchesLineSeparators = 1 << 3;
inline constexpr NSRegularExpressionOptions NSRegularExpressionAnchorsMatchLines = 1 << 4;
inline constexpr NSRegularExpressionOptions NSRegularExpressionUseUnixLineSeparators = 1 << 5;
inline constexpr NSRegularExpressionOptions NSRegularExpressionUseUnicodeWordBoundaries = 1 << 6;

class NIMBRA_FOUNDATION_API NSRegularExpression : public NSObject {
  OBJC_CLASS(NSRegularExpression, NSObject)

 public:
  // None (and `error`, code NSFormattingError) when the pattern does not compile or an
  // option bit is unknown.
  static Strong<NSRegularExpression> regularExpressionWithPatternOptionsError(
      const Strong<NSString>& pattern, NSRegularExpressionOptions options,
      Strong<NSError>* error = nullptr);

  NSRegularExpression();
  ~NSRegularExpression() override;

  Strong<NSString> pattern() const { return pattern_; }
  NSRegularExpressionOptions options() const { return options_; }
  NSUInteger numberOfCaptureGroups() const { return groups_; }

  // The first match inside `range` of `string`, as a regular-expression result with a
  // range per capture group ({NSNotFound, 0} for a group that took no part); none when
  // nothing matches.
  Strong<NSTextCheckingResult> firstMatchInStringRange(const Strong<NSString>& string,
                                                       NSRange range) const;

  // The same pattern and options.
  BOOL isEqual(const NSObject* other) const override;
  using NSObject::isEqual;
  std::size_t hash() const override;
  std::string description() const override;

 private:
  friend struct NSRegularExpressionCoding;
  // False when the pattern does not compile.
  bool compile(const Strong<NSString>& pattern, NSRegularExpressionOptions options,
               std::string* why);

  struct Compiled;
  Strong<NSString> pattern_;
  NSRegularExpressionOptions options_ = 0;
  NSUInteger groups_ = 0;
  std::shared_ptr<Compiled> compiled_;
};
