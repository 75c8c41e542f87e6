// Writes an object graph as a keyed archive in the device's format, a property list:
//
//   { "$archiver": "NSKeyedArchiver", "$version": 100000,
//     "$top": { "root": UID },
//     "$objects": [ "$null", ...one entry per object... ] }
//
// UIDs are the property list's own UID values (XML writes them as {"CF$UID": n}). Strings
// and numbers are stored as plain values, data as data; every other object is a
// dictionary of its keys plus "$class", the UID of a class description
// {"$classname": name, "$classes": [name, superclass names...]} shared by all objects of
// that class. An object encoded twice is stored once and referenced twice; equal strings
// are stored once. User keys beginning with "$" are stored with another "$" in front.
//
// The class an object is written as is its own, unless its class answers
// "classForKeyedArchiver" ((void) -> Class), as a class does that stands for several of
// the device's (the kinds of text checking result).
#pragma once

#include <memory>

#include "Foundation/FoundationExport.h"
#include "Foundation/NSCoder.h"
#include "Foundation/NSPropertyListSerialization.h"

class NSData;

// The key archivedDataWithRootObject: files the root under.
NIMBRA_FOUNDATION_API extern const Strong<NSString> NSKeyedArchiveRootObjectKey;  // "root"

class NIMBRA_FOUNDATION_API NSKeyedArchiver : public NSCoder {
  OBJC_CLASS(NSKeyedArchiver, NSCoder)

 public:
  NSKeyedArchiver();
  ~NSKeyedArchiver() override;

  // A binary archive of `root` under NSKeyedArchiveRootObjectKey. None (and `error`
  // filled) when an object in the graph cannot be encoded (its class has no
  // "encodeWithCoder:") or the graph nests deeper than kMaxDepth.
  static Strong<NSData> archivedDataWithRootObject(const id& root,
                                                   Strong<NSError>* error = nullptr);
  // The same in XML (NSPropertyListXMLFormat_v1_0) or binary.
  static Strong<NSData> archivedDataWithRootObjectFormat(const id& root,
                                                         NSPropertyListFormat format,
                                                         Strong<NSError>* error = nullptr);

  // Binary (the default) or XML; set before finishing.
  NSPropertyListFormat outputFormat() const { return format_; }
  void setOutputFormat(NSPropertyListFormat format);

  // Ends encoding; later encodes raise NSInvalidArgumentException.
  void finishEncoding();
  // The archive, finishing it first; none when encoding failed.
  Strong<NSData> encodedData();

  void encodeObjectForKey(const id& object, const Strong<NSString>& key) override;
  void encodeBoolForKey(BOOL value, const Strong<NSString>& key) override;
  void encodeInt64ForKey(int64_t value, const Strong<NSString>& key) override;
  void encodeFloatForKey(float value, const Strong<NSString>& key) override;
  void encodeDoubleForKey(double value, const Strong<NSString>& key) override;
  void encodeBytesLengthForKey(const void* bytes, NSUInteger length,
                               const Strong<NSString>& key) override;
  void encodeStringForKey(const Strong<NSString>& string, const Strong<NSString>& key) override;
  void encodeArrayOfObjectsForKey(const std::vector<id>& objects,
                                  const Strong<NSString>& key) override;

  // The "$version" written, and the only one read.
  static constexpr uint64_t kArchiveVersion = 100000;

  // Objects nested deeper than this (each inside the previous one's encodeWithCoder:)
  // fail the archive rather than the stack.
  static constexpr int kMaxDepth = 256;

  struct State;

 private:
  std::unique_ptr<State> s_;
  NSPropertyListFormat format_ = NSPropertyListBinaryFormat_v1_0;
  Strong<NSData> data_;
};
