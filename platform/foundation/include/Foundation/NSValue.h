// A boxed plain value (a range, a point, a size, a rectangle, insets) tagged with its
// type encoding, so that it can go where objects go: attribute values, collections,
// archives.
//
// Frameworks above Foundation box their own structures with `valueWith` and read them
// back with `getValue`, which answers false when the box holds another type:
//   auto v = NSValue::valueWith(insets, "{UIEdgeInsets=dddd}");
#pragma once

#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include "Foundation/FoundationExport.h"
#include "Foundation/NSObjCRuntime.h"
#include "Foundation/NSRange.h"

inline constexpr const char* NSRangeObjCType = "{_NSRange=QQ}";

class NIMBRA_FOUNDATION_API NSValue : public NSObject {
  OBJC_CLASS(NSValue, NSObject)

 public:
  NSValue(std::string type, const void* bytes, std::size_t size)
      : type_(std::move(type)),
        bytes_(static_cast<const uint8_t*>(bytes), static_cast<const uint8_t*>(bytes) + size) {}

  static Strong<NSValue> valueWithBytesObjCType(const void* bytes, std::size_t size,
                                                const std::string& type);
  template <class T>
  static Strong<NSValue> valueWith(const T& value, const std::string& type) {
    static_assert(std::is_trivially_copyable_v<T>);
    return valueWithBytesObjCType(&value, sizeof value, type);
  }

  static Strong<NSValue> valueWithRange(NSRange range);
  // {0, 0} when the value holds something else.
  NSRange rangeValue() const;

  const std::string& objCType() const { return type_; }
  const std::vector<uint8_t>& bytes() const { return bytes_; }
  template <class T>
  bool getValue(T& out, const std::string& type) const {
    static_assert(std::is_trivially_copyable_v<T>);
    if (type != type_ || bytes_.size() != sizeof(T)) return false;
    std::memcpy(&out, bytes_.data(), sizeof(T));
    return true;
  }

  BOOL isEqualToValue(const Strong<NSValue>& other) const;
  BOOL isEqual(const NSObject* other) const override;
  using NSObject::isEqual;
  std::size_t hash() const override;
  // "NSRange: {1, 2}" for ranges; the type and bytes otherwise.
  std::string description() const override;

 private:
  std::string type_;
  std::vector<uint8_t> bytes_;
};
