// Boxed booleans, integers and reals. Equality and hashing are by numeric value, so
// 1, 1.0 and YES are equal; the kind decides how a property list writes the number.
#pragma once

#include "Foundation/FoundationExport.h"
#include "Foundation/NSObjCRuntime.h"

class NSString;

class NIMBRA_FOUNDATION_API NSNumber : public NSObject {
  OBJC_CLASS(NSNumber, NSObject)

 public:
  enum class Kind { Boolean, Integer, Unsigned, Float, Double };

  static Strong<NSNumber> numberWithBool(BOOL v);
  static Strong<NSNumber> numberWithInt(int v);
  static Strong<NSNumber> numberWithInteger(NSInteger v);
  static Strong<NSNumber> numberWithUnsignedInteger(NSUInteger v);
  static Strong<NSNumber> numberWithLongLong(long long v);
  static Strong<NSNumber> numberWithUnsignedLongLong(unsigned long long v);
  static Strong<NSNumber> numberWithFloat(float v);
  static Strong<NSNumber> numberWithDouble(double v);

  NSNumber(Kind kind, int64_t i, uint64_t u, double d) : kind_(kind), i_(i), u_(u), d_(d) {}

  Kind kind() const { return kind_; }
  BOOL isBoolean() const { return kind_ == Kind::Boolean; }
  BOOL isReal() const { return kind_ == Kind::Float || kind_ == Kind::Double; }

  // Non-zero is YES (NaN included).
  BOOL boolValue() const;
  // C conversions of the value, saturating where the value does not fit (NaN is 0).
  int intValue() const;
  NSInteger integerValue() const;
  NSUInteger unsignedIntegerValue() const { return unsignedLongLongValue(); }
  long long longLongValue() const;
  unsigned long long unsignedLongLongValue() const;
  float floatValue() const;
  double doubleValue() const;
  // "1"/"0" for booleans; shortest round-trip text for reals.
  Strong<NSString> stringValue() const;

  BOOL isEqualToNumber(const Strong<NSNumber>& other) const;
  NSComparisonResult compare(const Strong<NSNumber>& other) const;
  BOOL isEqual(const NSObject* other) const override;
  using NSObject::isEqual;
  std::size_t hash() const override;
  std::string description() const override;

 private:
  NSComparisonResult compareTo(const NSNumber& other) const;

  Kind kind_;
  int64_t i_;   // Boolean, Integer
  uint64_t u_;  // Unsigned
  double d_;    // Float (already rounded to float), Double
};
