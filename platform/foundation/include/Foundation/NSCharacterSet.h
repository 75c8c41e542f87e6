// Sets of Unicode code points, immutable and safe to share between threads.
#pragma once

#include <memory>

#include "Foundation/FoundationExport.h"
#include "Foundation/NSObjCRuntime.h"
#include "Foundation/NSRange.h"

class NSString;

class NIMBRA_FOUNDATION_API NSCharacterSet : public NSObject {
  OBJC_CLASS(NSCharacterSet, NSObject)

 public:
  struct Impl;
  explicit NSCharacterSet(std::shared_ptr<const Impl> impl) : impl_(std::move(impl)) {}

  // Nd.
  static Strong<NSCharacterSet> decimalDigitCharacterSet();
  // Zs and U+0009.
  static Strong<NSCharacterSet> whitespaceCharacterSet();
  // Z*, U+0009 to U+000D and U+0085.
  static Strong<NSCharacterSet> whitespaceAndNewlineCharacterSet();
  // U+000A to U+000D, U+0085, U+2028, U+2029.
  static Strong<NSCharacterSet> newlineCharacterSet();
  // L*, M* and N*.
  static Strong<NSCharacterSet> alphanumericCharacterSet();
  static Strong<NSCharacterSet> letterCharacterSet();
  static Strong<NSCharacterSet> uppercaseLetterCharacterSet();
  static Strong<NSCharacterSet> lowercaseLetterCharacterSet();
  static Strong<NSCharacterSet> punctuationCharacterSet();
  // The code points of the string; an empty set for none.
  static Strong<NSCharacterSet> characterSetWithCharactersInString(const Strong<NSString>& s);
  // Code points location ..< location+length (clipped to U+10FFFF).
  static Strong<NSCharacterSet> characterSetWithRange(NSRange range);

  Strong<NSCharacterSet> invertedSet() const;
  // A UTF-16 unit or a code point; a lone surrogate unit is a member only of sets that
  // contain that surrogate code point (inverted sets do).
  BOOL characterIsMember(uint32_t c) const;
  BOOL longCharacterIsMember(uint32_t c) const { return characterIsMember(c); }

 private:
  std::shared_ptr<const Impl> impl_;
};
