// Attributed strings: UTF-16 text with runs of key/value attributes. Runs with equal
// attributes are always merged, so run count stays proportional to the real changes of
// attributes; every edit is linear in the number of runs. Ranges past the end raise
// NSRangeException.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "Foundation/FoundationExport.h"
#include "Foundation/NSDictionary.h"
#include "Foundation/NSObjCRuntime.h"
#include "Foundation/NSRange.h"
#include "Foundation/NSString.h"

using NSAttributedStringEnumerationOptions = NSUInteger;
inline constexpr NSAttributedStringEnumerationOptions NSAttributedStringEnumerationReverse = 1u
                                                                                             << 1;
inline constexpr NSAttributedStringEnumerationOptions
    NSAttributedStringEnumerationLongestEffectiveRangeNotRequired = 1u << 20;

class NSMutableAttributedString;

class NIMBRA_FOUNDATION_API NSAttributedString : public NSObject {
  OBJC_CLASS(NSAttributedString, NSObject)

 public:
  NSAttributedString();
  // None string: empty. None attributes: no attributes.
  explicit NSAttributedString(const Strong<NSString>& string,
                              const Strong<NSDictionary>& attributes = nullptr);
  ~NSAttributedString() override;

  static Strong<NSAttributedString> initWithString(const Strong<NSString>& string);
  static Strong<NSAttributedString> initWithStringAttributes(const Strong<NSString>& string,
                                                             const Strong<NSDictionary>& attrs);
  // A copy; empty for none.
  static Strong<NSAttributedString> initWithAttributedString(
      const Strong<NSAttributedString>& other);

  Strong<NSString> string() const;
  NSUInteger length() const { return text_.size(); }
  const std::u16string& characters() const { return text_; }

  // The attributes at `index` (never none) and, when asked, the run's full range.
  Strong<NSDictionary> attributesAtIndexEffectiveRange(NSUInteger index,
                                                       NSRangePointer range) const;
  // None when the run has no such attribute; `range` is then the run without it.
  id attributeAtIndexEffectiveRange(const Strong<NSString>& name, NSUInteger index,
                                    NSRangePointer range) const;
  // As above, with the range widened over neighbouring runs of equal attributes (or
  // value) but kept inside `rangeLimit`, which must lie inside the string.
  Strong<NSDictionary> attributesAtIndexLongestEffectiveRangeInRange(NSUInteger index,
                                                                     NSRangePointer range,
                                                                     NSRange rangeLimit) const;
  id attributeAtIndexLongestEffectiveRangeInRange(const Strong<NSString>& name, NSUInteger index,
                                                  NSRangePointer range, NSRange rangeLimit) const;
  Strong<NSAttributedString> attributedSubstringFromRange(NSRange range) const;

  BOOL isEqualToAttributedString(const Strong<NSAttributedString>& other) const;
  BOOL isEqualToAttributedString(const NSAttributedString* other) const;
  BOOL isEqual(const NSObject* other) const override;
  using NSObject::isEqual;
  std::size_t hash() const override;
  std::string description() const override;

  // One key's runs in text order (reversed with NSAttributedStringEnumerationReverse);
  // the value is none where the key is absent. Neighbouring runs with equal values are
  // reported as one unless the longest range is "not required".
  void enumerateAttributeInRangeOptionsUsingBlock(
      const Strong<NSString>& name, NSRange range, NSAttributedStringEnumerationOptions options,
      const std::function<void(const id& value, NSRange range, BOOL* stop)>& block) const;
  void enumerateAttributesInRangeOptionsUsingBlock(
      NSRange range, NSAttributedStringEnumerationOptions options,
      const std::function<void(const Strong<NSDictionary>& attrs, NSRange range, BOOL* stop)>&
          block) const;

  Strong<NSAttributedString> copy() const;
  Strong<NSMutableAttributedString> mutableCopy() const;

 protected:
  friend class NSMutableAttributedString;
  friend struct NSAttributedStringCoding;
  struct Run {
    NSUInteger start;
    Strong<NSDictionary> attrs;  // immutable, shared between strings
  };
  void checkRange(NSRange range, const char* method) const;
  size_t runIndexAt(NSUInteger index) const;
  NSUInteger runEnd(size_t i) const {
    return i + 1 < runs_.size() ? runs_[i + 1].start : text_.size();
  }
  void assignFrom(const NSAttributedString& other, NSRange range);

  std::u16string text_;
  std::vector<Run> runs_;    // empty exactly when the text is
  Strong<NSString> string_;  // kept by immutable strings only
};

class NIMBRA_FOUNDATION_API NSMutableAttributedString : public NSAttributedString {
  OBJC_CLASS(NSMutableAttributedString, NSAttributedString)

 public:
  using NSAttributedString::NSAttributedString;

  static Strong<NSMutableAttributedString> initWithString(const Strong<NSString>& string);
  static Strong<NSMutableAttributedString> initWithStringAttributes(
      const Strong<NSString>& string, const Strong<NSDictionary>& attrs);
  static Strong<NSMutableAttributedString> initWithAttributedString(
      const Strong<NSAttributedString>& other);

  // NSInvalidArgumentException for a none name or value.
  void addAttributeValueRange(const Strong<NSString>& name, const id& value, NSRange range);
  void addAttributesRange(const Strong<NSDictionary>& attrs, NSRange range);
  // None attributes clear the range.
  void setAttributesRange(const Strong<NSDictionary>& attrs, NSRange range);
  void removeAttributeRange(const Strong<NSString>& name, NSRange range);

  // New characters take the attributes of the first replaced character, or, when the
  // range is empty, of the character before it (after it at the start).
  void replaceCharactersInRangeWithString(NSRange range, const Strong<NSString>& string);
  void replaceCharactersInRangeWithAttributedString(NSRange range,
                                                    const Strong<NSAttributedString>& string);
  void insertAttributedStringAtIndex(const Strong<NSAttributedString>& string, NSUInteger index);
  void appendAttributedString(const Strong<NSAttributedString>& string);
  void deleteCharactersInRange(NSRange range);
  void setAttributedString(const Strong<NSAttributedString>& string);

  void beginEditing() {}
  void endEditing() {}

 private:
  size_t splitAt(NSUInteger pos);
  void coalesce(size_t from, size_t to);
  void editAttributes(NSRange range,
                      const std::function<Strong<NSDictionary>(const Strong<NSDictionary>&)>& f);
  void insertRuns(NSUInteger at, const std::u16string& text, const std::vector<Run>& runs);
};
