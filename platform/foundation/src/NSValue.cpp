#include "Foundation/NSValue.h"

#include "Foundation/NSCoder.h"
#include "Foundation/NSError.h"
#include "Foundation/NSNumber.h"
#include "Foundation/NSString.h"
#include "objc/alloc.h"

// Ranges as the device stores them, {"NS.rangeval.location": UID of a number,
// "NS.rangeval.length": UID of a number, "NS.special": 4} (numbers in place read too); any other
// value as its type encoding and bytes, {"NS.objctype", "NS.bytes"}.
namespace {

constexpr int64_t kSpecialRange = 4;

void valueEncode(NSObject* self, SEL, NSCoder* coder) {
  auto* v = static_cast<NSValue*>(self);
  if (v->objCType() == NSRangeObjCType) {
    NSRange r = v->rangeValue();
    // The device writes the two as number objects, referred to by UID.
    coder->encodeObjectForKey(NSNumber::numberWithUnsignedLongLong(r.location),
                              NSSTR("NS.rangeval.location"));
    coder->encodeObjectForKey(NSNumber::numberWithUnsignedLongLong(r.length),
                              NSSTR("NS.rangeval.length"));
    coder->encodeInt64ForKey(kSpecialRange, NSSTR("NS.special"));
    return;
  }
  coder->encodeStringForKey(NSString::stringWithUTF8String(v->objCType()), NSSTR("NS.objctype"));
  coder->encodeBytesLengthForKey(v->bytes().data(), v->bytes().size(), NSSTR("NS.bytes"));
}

id valueInitWithCoder(NSObject*, SEL, NSCoder* coder) {
  if (coder->containsValueForKey(NSSTR("NS.special"))) {
    int64_t special = coder->decodeInt64ForKey(NSSTR("NS.special"));
    if (special != kSpecialRange) {
      coder->failWithError(NSError::errorWithCode(
          NSCoderReadCorruptError,
          "boxed values of kind " + std::to_string(special) + " are not supported"));
      return nullptr;
    }
    auto location =
        static_cast<NSUInteger>(coder->decodeInt64ForKey(NSSTR("NS.rangeval.location")));
    auto length = static_cast<NSUInteger>(coder->decodeInt64ForKey(NSSTR("NS.rangeval.length")));
    return NSValue::valueWithRange(NSMakeRange(location, length));
  }
  // Without its type a value is nothing this reader can use (a subclass the archive
  // named and this process does not model, such as a decimal number, lands here).
  if (!coder->containsValueForKey(NSSTR("NS.objctype"))) {
    coder->failWithError(NSError::errorWithCode(
        NSCoderReadCorruptError, "a boxed value has neither NS.special nor NS.objctype"));
    return nullptr;
  }
  auto type = coder->decodeStringForKey(NSSTR("NS.objctype"));
  NSUInteger length = 0;
  const uint8_t* bytes = coder->decodeBytesForKeyReturnedLength(NSSTR("NS.bytes"), &length);
  if (coder->error()) return nullptr;
  return NSValue::valueWithBytesObjCType(bytes, bytes ? length : 0, type ? type->stdString() : "");
}

id makeValue() {
  return NSValue::valueWithRange(NSRange{});
}

}  // namespace

OBJC_CLASS_IMPL(NSValue) {
  objc::registerAllocWith<&makeValue>(cls);
  class_addMethod(cls, OBJC_SEL("encodeWithCoder:"), objc::method<&valueEncode>());
  class_addMethod(cls, OBJC_SEL("initWithCoder:"), objc::method<&valueInitWithCoder>());
}

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
