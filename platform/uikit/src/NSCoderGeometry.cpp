// The geometry members of NSCoder, which Foundation declares and UIKit, owner of the
// types, defines: each value is the device's string form, stored as a string object.
#include "Foundation/NSCoder.h"
#include "Foundation/NSString.h"
#include "UIKit/UIGeometry.h"

namespace {

Strong<NSString> text(const std::string& s) {
  return NSString::stringWithUTF8String(s);
}

}  // namespace

void NSCoder::encodeCGPointForKey(const CGPoint& point, const Strong<NSString>& key) {
  encodeObjectForKey(text(NSStringFromCGPoint(point)), key);
}
void NSCoder::encodeCGSizeForKey(const CGSize& size, const Strong<NSString>& key) {
  encodeObjectForKey(text(NSStringFromCGSize(size)), key);
}
void NSCoder::encodeCGRectForKey(const CGRect& rect, const Strong<NSString>& key) {
  encodeObjectForKey(text(NSStringFromCGRect(rect)), key);
}
void NSCoder::encodeUIEdgeInsetsForKey(const UIEdgeInsets& insets, const Strong<NSString>& key) {
  encodeObjectForKey(text(NSStringFromUIEdgeInsets(insets)), key);
}

CGPoint NSCoder::decodeCGPointForKey(const Strong<NSString>& key) {
  return CGPointFromString(decodeGeometryString(key));
}
CGSize NSCoder::decodeCGSizeForKey(const Strong<NSString>& key) {
  return CGSizeFromString(decodeGeometryString(key));
}
CGRect NSCoder::decodeCGRectForKey(const Strong<NSString>& key) {
  return CGRectFromString(decodeGeometryString(key));
}
UIEdgeInsets NSCoder::decodeUIEdgeInsetsForKey(const Strong<NSString>& key) {
  return UIEdgeInsetsFromString(decodeGeometryString(key));
}
