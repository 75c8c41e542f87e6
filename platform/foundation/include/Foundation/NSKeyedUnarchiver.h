// Reads keyed archives in the device's format (see NSKeyedArchiver.h), binary or XML.
//
// Objects are made by class name: the first of "$classname" and then "$classes" that
// names a runtime class with an "alloc" factory of its own and an "initWithCoder:"
// (objc/alloc.h, Foundation/NSCoder.h). Each entry of "$objects" is decoded once, so an
// object referenced twice comes back as one shared object.
//
// Hostile archives give none and an error at the unarchiving call, never a crash or
// unbounded memory: bytes that are not a whole property list, a top level that is not an
// archive, a UID past the end of "$objects", an object that (through UIDs) contains
// itself, an object whose "$class" is missing or not a class description, a class this
// reader does not model (the error names it), a key holding the wrong kind of value, collections
// whose parts do not match, more than kMaxObjects values, objects nested deeper than kMaxDepth.
#pragma once

#include <memory>

#include "Foundation/FoundationExport.h"
#include "Foundation/NSCoder.h"

class NSData;

class NIMBRA_FOUNDATION_API NSKeyedUnarchiver : public NSCoder {
  OBJC_CLASS(NSKeyedUnarchiver, NSCoder)

 public:
  // The root object (key "root"); none for a bad archive.
  static id unarchiveObjectWithData(const Strong<NSData>& data);
  // The same, with the reason filled in `error` (code NSCoderReadCorruptError; an archive
  // without a root gives NSCoderValueNotFoundError).
  static id unarchiveTopLevelObjectWithDataError(const Strong<NSData>& data,
                                                 Strong<NSError>* error);

  // A coder over the archive's top level; none (and `error`) when the data is not an
  // archive. Decode top-level keys from it, then finishDecoding.
  static Strong<NSKeyedUnarchiver> initForReadingFromDataError(const Strong<NSData>& data,
                                                               Strong<NSError>* error);

  NSKeyedUnarchiver();
  ~NSKeyedUnarchiver() override;

  // Drops the archive; later decodes answer zero values.
  void finishDecoding();

  BOOL containsValueForKey(const Strong<NSString>& key) override;
  id decodeObjectForKey(const Strong<NSString>& key) override;
  BOOL decodeBoolForKey(const Strong<NSString>& key) override;
  int64_t decodeInt64ForKey(const Strong<NSString>& key) override;
  double decodeDoubleForKey(const Strong<NSString>& key) override;
  Strong<NSString> decodeStringForKey(const Strong<NSString>& key) override;
  bool decodeArrayOfObjectsForKey(const Strong<NSString>& key, std::vector<id>& objects) override;
  const uint8_t* decodeBytesForKeyReturnedLength(const Strong<NSString>& key,
                                                 NSUInteger* length) override;
  Strong<NSData> decodeDataForKey(const Strong<NSString>& key) override;

  // Property-list values an archive may hold (shared values count each time they are
  // referenced); larger archives are refused before they are expanded.
  static constexpr std::size_t kMaxObjects = std::size_t{1} << 18;
  // Objects nested deeper than this (through UIDs) are refused.
  static constexpr int kMaxDepth = 256;

  struct State;

 private:
  std::unique_ptr<State> s_;
};
