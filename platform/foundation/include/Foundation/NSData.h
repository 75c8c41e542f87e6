// Byte buffers, immutable and growing.
#pragma once

#include <string>
#include <vector>

#include "Foundation/FoundationExport.h"
#include "Foundation/NSObjCRuntime.h"

class NSString;

class NIMBRA_FOUNDATION_API NSData : public NSObject {
  OBJC_CLASS(NSData, NSObject)

 public:
  NSData() = default;
  explicit NSData(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}

  static Strong<NSData> data();
  // A copy of `length` bytes; `bytes` may be null only when `length` is 0.
  static Strong<NSData> dataWithBytes(const void* bytes, NSUInteger length);
  // None when the file cannot be read or is not a regular file.
  static Strong<NSData> dataWithContentsOfFile(const std::string& path);
  static Strong<NSData> dataWithContentsOfFile(const Strong<NSString>& path);

  const void* bytes() const { return bytes_.data(); }
  NSUInteger length() const { return bytes_.size(); }
  const std::vector<uint8_t>& byteVector() const { return bytes_; }

  BOOL isEqualToData(const Strong<NSData>& other) const;
  BOOL isEqual(const NSObject* other) const override;
  using NSObject::isEqual;
  std::size_t hash() const override;
  // "{length = N, bytes = 0x0102...}"
  std::string description() const override;

  // Atomically as for NSDictionary; NO on any failure.
  BOOL writeToFileAtomically(const std::string& path, BOOL atomically) const;
  BOOL writeToFileAtomically(const Strong<NSString>& path, BOOL atomically) const;

 protected:
  std::vector<uint8_t> bytes_;
};

// A buffer that grows. In an archive it is an object of its own, {"NS.data": bytes},
// where an immutable buffer is stored as the data itself.
class NIMBRA_FOUNDATION_API NSMutableData : public NSData {
  OBJC_CLASS(NSMutableData, NSData)

 public:
  using NSData::NSData;
  static Strong<NSMutableData> data();
  void appendBytesLength(const void* bytes, NSUInteger length);
};
