// Immutable and mutable Unicode strings, stored as UTF-16 so lengths and ranges are in
// UTF-16 code units as on the device.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "Foundation/FoundationExport.h"
#include "Foundation/NSFormat.h"
#include "Foundation/NSObjCRuntime.h"
#include "Foundation/NSRange.h"

class NSArray;
class NSCharacterSet;

using NSStringCompareOptions = NSUInteger;
inline constexpr NSStringCompareOptions NSCaseInsensitiveSearch = 1;
inline constexpr NSStringCompareOptions NSLiteralSearch = 2;
inline constexpr NSStringCompareOptions NSBackwardsSearch = 4;
inline constexpr NSStringCompareOptions NSAnchoredSearch = 8;
inline constexpr NSStringCompareOptions NSNumericSearch = 64;

class NIMBRA_FOUNDATION_API NSString : public NSObject {
  OBJC_CLASS(NSString, NSObject)

 public:
  NSString() = default;
  explicit NSString(std::u16string units) : units_(std::move(units)) {}
  // Invalid UTF-8 sequences become U+FFFD.
  explicit NSString(std::string_view utf8);
  ~NSString() override;

  static Strong<NSString> string();
  // None for a null pointer.
  static Strong<NSString> stringWithUTF8String(const char* utf8);
  static Strong<NSString> stringWithUTF8String(std::string_view utf8);
  static Strong<NSString> stringWithCharacters(const unichar* chars, NSUInteger length);
  static Strong<NSString> stringWithCharacters(std::u16string_view chars);
  // A copy; an empty string for none.
  static Strong<NSString> stringWithString(const Strong<NSString>& s);

  // `fmt` is a C string, std::string or NSString; see Foundation/NSFormat.h.
  template <class F, class... A>
  static Strong<NSString> stringWithFormat(const F& fmt, const A&... args) {
    return stringWithUTF8String(std::string_view(nsformat::formatWith(fmt, args...)));
  }

  NSUInteger length() const { return units_.size(); }
  // NSRangeException past the end.
  unichar characterAtIndex(NSUInteger index) const;
  // Valid while the string lives and is not mutated. Lone surrogates become U+FFFD.
  const char* UTF8String() const;
  const std::u16string& characters() const { return units_; }
  std::string stdString() const { return UTF8String(); }

  BOOL isEqualToString(const Strong<NSString>& other) const;
  BOOL isEqualToString(const NSString* other) const;
  // Final, so that every string compares and hashes alike and a dictionary can read a
  // string key without a virtual call. The hash is kept once worked out.
  BOOL isEqual(const NSObject* other) const final;
  using NSObject::isEqual;
  std::size_t hash() const final {
    std::size_t h = hash_.load(std::memory_order_relaxed);
    return h != 0 ? h : hashUnits();
  }
  std::string description() const override;

  // Ordered by UTF-16 code units; with NSCaseInsensitiveSearch by the folded strings;
  // with NSNumericSearch runs of digits compare by value. None sorts first.
  NSComparisonResult compare(const Strong<NSString>& other) const;
  NSComparisonResult compareOptions(const Strong<NSString>& other,
                                    NSStringCompareOptions options) const;
  NSComparisonResult caseInsensitiveCompare(const Strong<NSString>& other) const;

  // NSRangeException for ranges that reach past the end.
  Strong<NSString> substringWithRange(NSRange range) const;
  Strong<NSString> substringFromIndex(NSUInteger from) const;
  Strong<NSString> substringToIndex(NSUInteger to) const;

  // {NSNotFound, 0} when not found or when the needle is empty or none. Searches that
  // are not literal compare canonically equivalent characters as equal and never
  // end a match inside a combining sequence; case-insensitive ones compare full case
  // folds ("Straße" matches "STRASSE" over all six characters). Ranges are in the
  // receiver's UTF-16 indices.
  NSRange rangeOfString(const Strong<NSString>& needle) const;
  NSRange rangeOfStringOptions(const Strong<NSString>& needle,
                               NSStringCompareOptions options) const;
  // NSRangeException when `range` reaches past the end.
  NSRange rangeOfStringOptionsRange(const Strong<NSString>& needle, NSStringCompareOptions options,
                                    NSRange range) const;
  // The first (or, backwards, last) character in the set; a surrogate pair is one
  // character of length 2.
  NSRange rangeOfCharacterFromSet(const Strong<NSCharacterSet>& set) const;
  NSRange rangeOfCharacterFromSetOptions(const Strong<NSCharacterSet>& set,
                                         NSStringCompareOptions options) const;
  BOOL containsString(const Strong<NSString>& s) const;

  // Always at least one piece; an empty or missing separator gives the receiver.
  Strong<NSArray> componentsSeparatedByString(const Strong<NSString>& separator) const;
  BOOL hasPrefix(const Strong<NSString>& prefix) const;
  BOOL hasSuffix(const Strong<NSString>& suffix) const;
  Strong<NSString> stringByAppendingString(const Strong<NSString>& s) const;
  template <class F, class... A>
  Strong<NSString> stringByAppendingFormat(const F& fmt, const A&... args) const {
    return stringByAppendingString(stringWithFormat(fmt, args...));
  }
  // Literal; an empty target gives the receiver unchanged.
  Strong<NSString> stringByReplacingOccurrencesOfStringWithString(
      const Strong<NSString>& target, const Strong<NSString>& replacement) const;
  Strong<NSString> lowercaseString() const;
  Strong<NSString> uppercaseString() const;
  Strong<NSString> stringByTrimmingCharactersInSet(const Strong<NSCharacterSet>& set) const;

  // Paths, '/'-separated.
  Strong<NSString> stringByAppendingPathComponent(const Strong<NSString>& component) const;
  Strong<NSString> lastPathComponent() const;
  Strong<NSString> stringByDeletingLastPathComponent() const;
  Strong<NSString> pathExtension() const;

  // Leading whitespace, optional sign, decimal digits; 0 when there is no number;
  // saturating on overflow.
  int intValue() const;
  NSInteger integerValue() const;
  long long longLongValue() const;
  // 0 when the string does not start with a decimal number ("inf", "nan" and hex
  // are not numbers here); floatValue parses in single precision.
  float floatValue() const;
  double doubleValue() const;
  // YES when the first significant character (after whitespace, one sign and any
  // zeros) is one of tTyY1-9.
  BOOL boolValue() const;

  Strong<NSString> copy() const;
  Strong<class NSMutableString> mutableCopy() const;

 protected:
  void unitsChanged();

  std::u16string units_;

 private:
  std::size_t hashUnits() const;

  mutable std::atomic<std::string*> utf8_{nullptr};
  // The hash once worked out, 0 before. Every dictionary read by a string key hashes it;
  // a mutable string clears it on each change. Relaxed: every thread that works it out
  // stores the same value.
  mutable std::atomic<std::size_t> hash_{0};
};

class NIMBRA_FOUNDATION_API NSMutableString : public NSString {
  OBJC_CLASS(NSMutableString, NSString)

 public:
  using NSString::NSString;

  static Strong<NSMutableString> string();
  static Strong<NSMutableString> stringWithString(const Strong<NSString>& s);
  static Strong<NSMutableString> stringWithUTF8String(const char* utf8);
  template <class F, class... A>
  static Strong<NSMutableString> stringWithFormat(const F& fmt, const A&... args) {
    return std::make_shared<NSMutableString>(std::string_view(nsformat::formatWith(fmt, args...)));
  }

  void appendString(const Strong<NSString>& s);
  template <class F, class... A>
  void appendFormat(const F& fmt, const A&... args) {
    appendUTF8(nsformat::formatWith(fmt, args...));
  }
  // NSRangeException past the end.
  void insertStringAtIndex(const Strong<NSString>& s, NSUInteger index);
  void deleteCharactersInRange(NSRange range);
  void replaceCharactersInRangeWithString(NSRange range, const Strong<NSString>& s);
  void setString(const Strong<NSString>& s);

 private:
  void appendUTF8(std::string_view utf8);
};

namespace foundation {
NIMBRA_FOUNDATION_API std::u16string utf8ToUtf16(std::string_view utf8);
NIMBRA_FOUNDATION_API std::string utf16ToUtf8(std::u16string_view utf16);

// Equal units. Short strings (keys and setting names) compare four units to a word,
// without a call; longer ones as one block. The character traits would compare
// UTF-16 one unit at a time.
inline bool sameUnits(const std::u16string& a, const std::u16string& b) {
  const std::size_t n = a.size();
  if (n != b.size()) return false;
  const char16_t* p = a.data();
  const char16_t* q = b.data();
  if (n > 8) return std::memcmp(p, q, n * sizeof(char16_t)) == 0;
  std::size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    uint64_t x, y;
    std::memcpy(&x, p + i, sizeof x);
    std::memcpy(&y, q + i, sizeof y);
    if (x != y) return false;
  }
  for (; i < n; ++i)
    if (p[i] != q[i]) return false;
  return true;
}
}  // namespace foundation

// @"literal": one string per call site, made on first use.
#define NSSTR(literal)                                                              \
  ([]() -> const Strong<NSString>& {                                                \
    static const Strong<NSString> nsstr_ = NSString::stringWithUTF8String(literal); \
    return nsstr_;                                                                  \
  }())
#define CFSTR(literal) NSSTR(literal)
