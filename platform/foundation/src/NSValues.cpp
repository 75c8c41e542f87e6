// NSNull, NSData and NSDate: small value classes.
#include <time.h>

#include <cmath>
#include <cstring>
#include <functional>

#include "Foundation/NSCoder.h"
#include "Foundation/NSData.h"
#include "Foundation/NSDate.h"
#include "Foundation/NSNull.h"
#include "Foundation/NSString.h"
#include "PropertyList.h"
#include "objc/alloc.h"

// NSNull is its class alone; immutable data is stored as itself, mutable data as
// {"NS.data": bytes} (the device's form, which reads back as either class; the earlier
// "NS.bytes" reads too); dates are {"NS.time": seconds since 2001}.
namespace {

void nullEncode(NSObject*, SEL, NSCoder*) {}
id nullInitWithCoder(NSObject*, SEL, NSCoder*) {
  return NSNull::null();
}
id makeNull() {
  return NSNull::null();
}

void dataEncode(NSObject* self, SEL, NSCoder* coder) {
  auto* d = static_cast<NSData*>(self);
  coder->encodeBytesLengthForKey(d->bytes(), d->length(), NSSTR("NS.data"));
}
const uint8_t* archivedBytes(NSCoder* coder, NSUInteger* length) {
  const Strong<NSString>& key =
      coder->containsValueForKey(NSSTR("NS.data")) ? NSSTR("NS.data") : NSSTR("NS.bytes");
  return coder->decodeBytesForKeyReturnedLength(key, length);
}
id dataInitWithCoder(NSObject*, SEL, NSCoder* coder) {
  NSUInteger length = 0;
  const uint8_t* bytes = archivedBytes(coder, &length);
  return NSData::dataWithBytes(bytes, length);
}
id mutableDataInitWithCoder(NSObject*, SEL, NSCoder* coder) {
  NSUInteger length = 0;
  const uint8_t* bytes = archivedBytes(coder, &length);
  auto data = NSMutableData::data();
  data->appendBytesLength(bytes, length);
  return data;
}

void dateEncode(NSObject* self, SEL, NSCoder* coder) {
  coder->encodeDoubleForKey(static_cast<NSDate*>(self)->timeIntervalSinceReferenceDate(),
                            NSSTR("NS.time"));
}
id dateInitWithCoder(NSObject*, SEL, NSCoder* coder) {
  return NSDate::dateWithTimeIntervalSinceReferenceDate(
      coder->decodeDoubleForKey(NSSTR("NS.time")));
}

}  // namespace

OBJC_CLASS_IMPL(NSNull) {
  objc::registerAllocWith<&makeNull>(cls);
  class_addMethod(cls, OBJC_SEL("encodeWithCoder:"), objc::method<&nullEncode>());
  class_addMethod(cls, OBJC_SEL("initWithCoder:"), objc::method<&nullInitWithCoder>());
}
OBJC_CLASS_IMPL(NSData) {
  objc::registerAlloc<NSData>(cls);
  class_addMethod(cls, OBJC_SEL("encodeWithCoder:"), objc::method<&dataEncode>());
  class_addMethod(cls, OBJC_SEL("initWithCoder:"), objc::method<&dataInitWithCoder>());
}
OBJC_CLASS_IMPL(NSMutableData) {
  objc::registerAlloc<NSMutableData>(cls);
  class_addMethod(cls, OBJC_SEL("initWithCoder:"), objc::method<&mutableDataInitWithCoder>());
}
OBJC_CLASS_IMPL(NSDate) {
  objc::registerAlloc<NSDate>(cls);
  class_addMethod(cls, OBJC_SEL("encodeWithCoder:"), objc::method<&dateEncode>());
  class_addMethod(cls, OBJC_SEL("initWithCoder:"), objc::method<&dateInitWithCoder>());
}

Strong<NSNull> NSNull::null() {
  static const Strong<NSNull> shared = std::make_shared<NSNull>();
  return shared;
}

// NSData

Strong<NSData> NSData::data() {
  return std::make_shared<NSData>();
}

Strong<NSMutableData> NSMutableData::data() {
  return std::make_shared<NSMutableData>();
}

void NSMutableData::appendBytesLength(const void* bytes, NSUInteger length) {
  if (!bytes || length == 0) return;
  const auto* p = static_cast<const uint8_t*>(bytes);
  bytes_.insert(bytes_.end(), p, p + length);
}

Strong<NSData> NSData::dataWithBytes(const void* bytes, NSUInteger length) {
  if (!bytes || length == 0) return data();
  const auto* p = static_cast<const uint8_t*>(bytes);
  return std::make_shared<NSData>(std::vector<uint8_t>(p, p + length));
}

Strong<NSData> NSData::dataWithContentsOfFile(const std::string& path) {
  std::string bytes;
  // Whole files only; the cap keeps a mistaken path (a disk image) from exhausting memory.
  if (!foundation::readWholeFile(path, bytes, std::size_t{1} << 30)) return nullptr;
  return dataWithBytes(bytes.data(), bytes.size());
}

Strong<NSData> NSData::dataWithContentsOfFile(const Strong<NSString>& path) {
  return path ? dataWithContentsOfFile(path->stdString()) : nullptr;
}

BOOL NSData::isEqualToData(const Strong<NSData>& other) const {
  return other && other->bytes_ == bytes_;
}

BOOL NSData::isEqual(const NSObject* other) const {
  auto* d = dynamic_cast<const NSData*>(other);
  return d && d->bytes_ == bytes_;
}

std::size_t NSData::hash() const {
  uint64_t h = 1469598103934665603ull;
  for (std::size_t i = 0; i < bytes_.size() && i < 80; ++i) {
    h ^= bytes_[i];
    h *= 1099511628211ull;
  }
  return static_cast<std::size_t>(h ^ bytes_.size());
}

std::string NSData::description() const {
  std::string out = "{length = " + std::to_string(bytes_.size()) + ", bytes = 0x";
  static const char* hex = "0123456789abcdef";
  for (std::size_t i = 0; i < bytes_.size() && i < 64; ++i) {
    out += hex[bytes_[i] >> 4];
    out += hex[bytes_[i] & 15];
  }
  if (bytes_.size() > 64) out += "...";
  return out + "}";
}

BOOL NSData::writeToFileAtomically(const std::string& path, BOOL atomically) const {
  return foundation::writeWholeFile(path, bytes_.data(), bytes_.size(), atomically);
}

BOOL NSData::writeToFileAtomically(const Strong<NSString>& path, BOOL atomically) const {
  return path && writeToFileAtomically(path->stdString(), atomically);
}

// NSDate

Strong<NSDate> NSDate::date() {
  struct timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  return std::make_shared<NSDate>(static_cast<double>(ts.tv_sec) - NSTimeIntervalSince1970 +
                                  ts.tv_nsec / 1e9);
}

Strong<NSDate> NSDate::dateWithTimeIntervalSinceReferenceDate(NSTimeInterval t) {
  return std::make_shared<NSDate>(t);
}

Strong<NSDate> NSDate::dateWithTimeIntervalSince1970(NSTimeInterval t) {
  return std::make_shared<NSDate>(t - NSTimeIntervalSince1970);
}

Strong<NSDate> NSDate::dateWithTimeIntervalSinceNow(NSTimeInterval t) {
  return std::make_shared<NSDate>(date()->t_ + t);
}

NSTimeInterval NSDate::timeIntervalSinceDate(const Strong<NSDate>& other) const {
  return other ? t_ - other->t_ : t_;
}

NSComparisonResult NSDate::compare(const Strong<NSDate>& other) const {
  double o = other ? other->t_ : 0;
  return t_ < o ? NSOrderedAscending : t_ > o ? NSOrderedDescending : NSOrderedSame;
}

BOOL NSDate::isEqualToDate(const Strong<NSDate>& other) const {
  return other && other->t_ == t_;
}

BOOL NSDate::isEqual(const NSObject* other) const {
  auto* d = dynamic_cast<const NSDate*>(other);
  return d && d->t_ == t_;
}

std::size_t NSDate::hash() const {
  return std::hash<double>()(t_);
}

std::string NSDate::description() const {
  double whole = std::floor(t_) + NSTimeIntervalSince1970;
  if (!(std::fabs(whole) < 1e15)) return "<invalid date>";
  time_t secs = static_cast<time_t>(whole);
  struct tm tm;
  if (!gmtime_r(&secs, &tm)) return "<invalid date>";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d +0000", tm.tm_year + 1900,
                tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
  return buf;
}
