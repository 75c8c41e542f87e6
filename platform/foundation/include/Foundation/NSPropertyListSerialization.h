// Property lists in memory: XML and binary forms to and from objects.
#pragma once

#include <string>

#include "Foundation/FoundationExport.h"
#include "Foundation/NSObjCRuntime.h"

class NSData;

using NSPropertyListFormat = NSUInteger;
inline constexpr NSPropertyListFormat NSPropertyListOpenStepFormat = 1;
inline constexpr NSPropertyListFormat NSPropertyListXMLFormat_v1_0 = 100;
inline constexpr NSPropertyListFormat NSPropertyListBinaryFormat_v1_0 = 200;

using NSPropertyListReadOptions = NSUInteger;
inline constexpr NSPropertyListReadOptions NSPropertyListImmutable = 0;
inline constexpr NSPropertyListReadOptions NSPropertyListMutableContainers = 1;

class NIMBRA_FOUNDATION_API NSPropertyListSerialization : public NSObject {
  OBJC_CLASS(NSPropertyListSerialization, NSObject)

 public:
  // Nesting deeper than this is refused on reading and writing.
  static constexpr int kMaxDepth = 512;
  // Larger inputs are refused.
  static constexpr std::size_t kMaxBytes = 64u << 20;

  // None (and `error` filled) when `plist` holds anything that is not a property-list
  // object, nesting is too deep, or the format is not XML (100) or binary (200).
  static Strong<NSData> dataWithPropertyList(const id& plist, NSPropertyListFormat format,
                                             std::string* error = nullptr);
  // None (and `error` filled) for data that is not a whole, well-formed property list.
  // `format` receives the form that was read. With NSPropertyListMutableContainers the
  // arrays and dictionaries are mutable.
  static id propertyListWithData(const Strong<NSData>& data, NSPropertyListReadOptions options,
                                 NSPropertyListFormat* format = nullptr,
                                 std::string* error = nullptr);
  static BOOL propertyListIsValidForFormat(const id& plist, NSPropertyListFormat format);
};
