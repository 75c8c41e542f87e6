#include "Foundation/NSPropertyListSerialization.h"

#include "Foundation/NSData.h"
#include "PropertyList.h"

OBJC_CLASS_IMPL(NSPropertyListSerialization) {}

Strong<NSData> NSPropertyListSerialization::dataWithPropertyList(const id& plist,
                                                                 NSPropertyListFormat format,
                                                                 std::string* error) {
  std::string bytes;
  bool ok = false;
  if (format == NSPropertyListXMLFormat_v1_0) {
    ok = foundation::plist::toXML(plist.get(), bytes, error);
  } else if (format == NSPropertyListBinaryFormat_v1_0) {
    ok = foundation::plist::toBinary(plist.get(), bytes, error);
  } else if (error) {
    *error = "unsupported property list format " + std::to_string(format);
  }
  return ok ? NSData::dataWithBytes(bytes.data(), bytes.size()) : nullptr;
}

id NSPropertyListSerialization::propertyListWithData(const Strong<NSData>& data,
                                                     NSPropertyListReadOptions options,
                                                     NSPropertyListFormat* format,
                                                     std::string* error) {
  if (!data) {
    if (error) *error = "no data";
    return nullptr;
  }
  bool mutableContainers = options & NSPropertyListMutableContainers;
  return foundation::plist::parse(data->bytes(), data->length(), foundation::plist::Root::Any,
                                  mutableContainers, mutableContainers, format, error);
}

BOOL NSPropertyListSerialization::propertyListIsValidForFormat(const id& plist,
                                                               NSPropertyListFormat format) {
  return (format == NSPropertyListXMLFormat_v1_0 || format == NSPropertyListBinaryFormat_v1_0) &&
         foundation::plist::validate(plist.get(), nullptr);
}
