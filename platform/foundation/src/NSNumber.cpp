#include "Foundation/NSNumber.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <functional>

#include "Foundation/NSString.h"
#include "Foundation/SaturatingCast.h"

OBJC_CLASS_IMPL(NSNumber) {}

using nimbra::saturatingCast;

Strong<NSNumber> NSNumber::numberWithBool(BOOL v) {
  static const auto yes = std::make_shared<NSNumber>(Kind::Boolean, 1, 0, 0);
  static const auto no = std::make_shared<NSNumber>(Kind::Boolean, 0, 0, 0);
  return v ? yes : no;
}
Strong<NSNumber> NSNumber::numberWithInt(int v) {
  return numberWithLongLong(v);
}
Strong<NSNumber> NSNumber::numberWithInteger(NSInteger v) {
  return numberWithLongLong(v);
}
Strong<NSNumber> NSNumber::numberWithUnsignedInteger(NSUInteger v) {
  return numberWithUnsignedLongLong(v);
}
Strong<NSNumber> NSNumber::numberWithLongLong(long long v) {
  return std::make_shared<NSNumber>(Kind::Integer, v, 0, 0);
}
Strong<NSNumber> NSNumber::numberWithUnsignedLongLong(unsigned long long v) {
  if (v <= static_cast<unsigned long long>(LLONG_MAX))
    return numberWithLongLong(static_cast<long long>(v));
  return std::make_shared<NSNumber>(Kind::Unsigned, 0, v, 0);
}
Strong<NSNumber> NSNumber::numberWithFloat(float v) {
  return std::make_shared<NSNumber>(Kind::Float, 0, 0, static_cast<double>(v));
}
Strong<NSNumber> NSNumber::numberWithDouble(double v) {
  return std::make_shared<NSNumber>(Kind::Double, 0, 0, v);
}

BOOL NSNumber::boolValue() const {
  switch (kind_) {
    case Kind::Boolean:
    case Kind::Integer:
      return i_ != 0;
    case Kind::Unsigned:
      return u_ != 0;
    default:
      return d_ != 0 || std::isnan(d_);
  }
}

long long NSNumber::longLongValue() const {
  switch (kind_) {
    case Kind::Boolean:
    case Kind::Integer:
      return i_;
    case Kind::Unsigned:
      return static_cast<long long>(u_);
    default:
      return saturatingCast<long long>(d_);
  }
}

int NSNumber::intValue() const {
  if (isReal()) return saturatingCast<int>(d_);
  // Integers convert as C does: the low 32 bits. Read here, not through longLongValue,
  // which as an exported name is called through the dynamic linker's table.
  uint64_t bits = kind_ == Kind::Unsigned ? u_ : static_cast<uint64_t>(i_);
  return static_cast<int>(static_cast<uint32_t>(bits));
}

NSInteger NSNumber::integerValue() const {
  return longLongValue();
}

unsigned long long NSNumber::unsignedLongLongValue() const {
  switch (kind_) {
    case Kind::Boolean:
    case Kind::Integer:
      return static_cast<unsigned long long>(i_);
    case Kind::Unsigned:
      return u_;
    default:
      if (std::isnan(d_) || d_ <= 0)
        return d_ <= -1 ? static_cast<unsigned long long>(saturatingCast<long long>(d_)) : 0;
      return saturatingCast<unsigned long long>(d_);
  }
}

double NSNumber::doubleValue() const {
  switch (kind_) {
    case Kind::Boolean:
    case Kind::Integer:
      return static_cast<double>(i_);
    case Kind::Unsigned:
      return static_cast<double>(u_);
    default:
      return d_;
  }
}

float NSNumber::floatValue() const {
  return static_cast<float>(doubleValue());
}

Strong<NSString> NSNumber::stringValue() const {
  return NSString::stringWithUTF8String(std::string_view(description()));
}

std::string NSNumber::description() const {
  char buf[64];
  switch (kind_) {
    case Kind::Boolean:
    case Kind::Integer:
      return std::to_string(i_);
    case Kind::Unsigned:
      return std::to_string(u_);
    case Kind::Float: {
      if (std::isnan(d_)) return "nan";
      if (std::isinf(d_)) return d_ > 0 ? "inf" : "-inf";
      auto r = std::to_chars(buf, buf + sizeof buf, static_cast<float>(d_));
      return std::string(buf, r.ptr);
    }
    case Kind::Double: {
      if (std::isnan(d_)) return "nan";
      if (std::isinf(d_)) return d_ > 0 ? "inf" : "-inf";
      auto r = std::to_chars(buf, buf + sizeof buf, d_);
      return std::string(buf, r.ptr);
    }
  }
  return {};
}

NSComparisonResult NSNumber::compare(const Strong<NSNumber>& other) const {
  return other ? compareTo(*other) : NSOrderedDescending;
}

NSComparisonResult NSNumber::compareTo(const NSNumber& o) const {
  const NSNumber* other = &o;
  if (!isReal() && !other->isReal()) {
    // Exact integer comparison across the signed and unsigned ranges.
    bool au = kind_ == Kind::Unsigned, bu = other->kind_ == Kind::Unsigned;
    if (au || bu) {
      if (au && bu) return u_ < other->u_ ? -1 : u_ > other->u_ ? 1 : 0;
      return au ? NSOrderedDescending : NSOrderedAscending;
    }
    return i_ < other->i_ ? -1 : i_ > other->i_ ? 1 : 0;
  }
  double a = doubleValue(), b = other->doubleValue();
  if (a < b) return NSOrderedAscending;
  if (a > b) return NSOrderedDescending;
  if (a == b) return NSOrderedSame;
  // NaN sorts below every number and equals itself.
  if (std::isnan(a) && std::isnan(b)) return NSOrderedSame;
  return std::isnan(a) ? NSOrderedAscending : NSOrderedDescending;
}

BOOL NSNumber::isEqualToNumber(const Strong<NSNumber>& other) const {
  return other && compare(other) == NSOrderedSame;
}

BOOL NSNumber::isEqual(const NSObject* other) const {
  auto* n = dynamic_cast<const NSNumber*>(other);
  if (!n) return NO;
  return compareTo(*n) == NSOrderedSame;
}

std::size_t NSNumber::hash() const {
  // Integral values hash as integers so 1, 1.0 and YES agree.
  if (kind_ == Kind::Unsigned) return std::hash<uint64_t>()(u_);
  if (!isReal()) return std::hash<int64_t>()(i_);
  if (std::isnan(d_)) return 0x7ff8;
  if (d_ == std::trunc(d_) && std::fabs(d_) < 9.2e18)
    return std::hash<int64_t>()(static_cast<int64_t>(d_));
  return std::hash<double>()(d_);
}
