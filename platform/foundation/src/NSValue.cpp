#include "Foundation/NSValue.h"

#include "Foundation/NSString.h"

OBJC_CLASS_IMPL(NSValue) {}

Strong<NSValue> NSValue::valueWithBytesObjCType(const void* bytes, std::size_t size,
                                                const std::string& type) {
  if (!bytes) size = 0;
  return std::make_shared<NSValue>(type, bytes, size);
}

Strong<NSValue> NSValue::valueWithRange(NSRange range) {
  return valueWith(range, NSRangeObjCType);
}

NSRange NSValue::rangeValue() const {
  NSRange r;
  return getValue(r, NSRangeObjCType) ? r : NSRange{};
}

BOOL NSValue::isEqualToValue(const Strong<NSValue>& other) const {
  return other && isEqual(other.get());
}

BOOL NSValue::isEqual(const NSObject* other) const {
  auto* v = objc_cast<NSValue>(other);
  return v && v->type_ == type_ && v->bytes_ == bytes_;
}

std::size_t NSValue::hash() const {
  uint64_t h = 1469598103934665603ull;
  for (uint8_t b : bytes_) h = (h ^ b) * 1099511628211ull;
  return static_cast<std::size_t>(h);
}

std::string NSValue::description() const {
  if (type_ == NSRangeObjCType) {
    NSRange r = rangeValue();
    return "NSRange: {" + std::to_string(r.location) + ", " + std::to_string(r.length) + "}";
  }
  std::string out = "<" + type_ + ":";
  static const char* hex = "0123456789abcdef";
  for (uint8_t b : bytes_) {
    out += hex[b >> 4];
    out += hex[b & 15];
  }
  return out + ">";
}
