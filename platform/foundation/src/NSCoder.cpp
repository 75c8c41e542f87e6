#include "Foundation/NSCoder.h"

#include <limits>

#include "Foundation/NSError.h"
#include "Foundation/NSString.h"

OBJC_CLASS_IMPL(NSCoder) {}

NSCoder::~NSCoder() = default;

void NSCoder::wrongDirection(const char* method) const {
  NSException::raise(NSInvalidArgumentException,
                     std::string(class_getName(getClass())) + " does not implement " + method);
}

void NSCoder::encodeObjectForKey(const id&, const Strong<NSString>&) {
  wrongDirection("encodeObjectForKey");
}
void NSCoder::encodeBoolForKey(BOOL, const Strong<NSString>&) {
  wrongDirection("encodeBoolForKey");
}
void NSCoder::encodeInt64ForKey(int64_t, const Strong<NSString>&) {
  wrongDirection("encodeInt64ForKey");
}
void NSCoder::encodeFloatForKey(float, const Strong<NSString>&) {
  wrongDirection("encodeFloatForKey");
}
void NSCoder::encodeDoubleForKey(double, const Strong<NSString>&) {
  wrongDirection("encodeDoubleForKey");
}
void NSCoder::encodeBytesLengthForKey(const void*, NSUInteger, const Strong<NSString>&) {
  wrongDirection("encodeBytesLengthForKey");
}
void NSCoder::encodeStringForKey(const Strong<NSString>&, const Strong<NSString>&) {
  wrongDirection("encodeStringForKey");
}
void NSCoder::encodeArrayOfObjectsForKey(const std::vector<id>&, const Strong<NSString>&) {
  wrongDirection("encodeArrayOfObjectsForKey");
}

BOOL NSCoder::containsValueForKey(const Strong<NSString>&) {
  wrongDirection("containsValueForKey");
}
id NSCoder::decodeObjectForKey(const Strong<NSString>&) {
  wrongDirection("decodeObjectForKey");
}
BOOL NSCoder::decodeBoolForKey(const Strong<NSString>&) {
  wrongDirection("decodeBoolForKey");
}
int64_t NSCoder::decodeInt64ForKey(const Strong<NSString>&) {
  wrongDirection("decodeInt64ForKey");
}
double NSCoder::decodeDoubleForKey(const Strong<NSString>&) {
  wrongDirection("decodeDoubleForKey");
}
const uint8_t* NSCoder::decodeBytesForKeyReturnedLength(const Strong<NSString>&, NSUInteger*) {
  wrongDirection("decodeBytesForKeyReturnedLength");
}
Strong<NSString> NSCoder::decodeStringForKey(const Strong<NSString>&) {
  wrongDirection("decodeStringForKey");
}
bool NSCoder::decodeArrayOfObjectsForKey(const Strong<NSString>&, std::vector<id>&) {
  wrongDirection("decodeArrayOfObjectsForKey");
}
Strong<NSData> NSCoder::decodeDataForKey(const Strong<NSString>&) {
  wrongDirection("decodeDataForKey");
}

int32_t NSCoder::decodeInt32ForKey(const Strong<NSString>& key) {
  int64_t v = decodeInt64ForKey(key);
  if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) {
    failWithError(NSError::errorWithCode(
        NSCoderReadCorruptError, "value (" + std::to_string(v) + ") for key '" + key->stdString() +
                                     "' does not fit 32 bits"));
    return 0;
  }
  return static_cast<int32_t>(v);
}

void NSCoder::failWithError(const Strong<NSError>& error) {
  if (!error_) error_ = error;
}

void NSCoder::failWrongClass(const Strong<NSString>& key, const NSObject* object, Class expected) {
  failWithError(NSError::errorWithCode(NSCoderReadCorruptError,
                                       "value for key '" + key->stdString() + "' is a " +
                                           class_getName(object->getClass()) + ", not a " +
                                           class_getName(expected)));
}

std::string NSCoder::decodeGeometryString(const Strong<NSString>& key) {
  auto s = decodeStringForKey(key);
  return s ? s->stdString() : std::string();
}
