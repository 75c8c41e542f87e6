#include "UIKit/NSParagraphStyle.h"

OBJC_CLASS_IMPL(NSParagraphStyle) {}
OBJC_CLASS_IMPL(NSMutableParagraphStyle) {}

CTTextAlignment NSTextAlignmentToCTTextAlignment(NSTextAlignment a) {
  switch (a) {
    case NSTextAlignmentLeft:
      return kCTTextAlignmentLeft;
    case NSTextAlignmentCenter:
      return kCTTextAlignmentCenter;
    case NSTextAlignmentRight:
      return kCTTextAlignmentRight;
    case NSTextAlignmentJustified:
      return kCTTextAlignmentJustified;
    default:
      return kCTTextAlignmentNatural;
  }
}

NSTextAlignment NSTextAlignmentFromCTTextAlignment(CTTextAlignment a) {
  switch (a) {
    case kCTTextAlignmentLeft:
      return NSTextAlignmentLeft;
    case kCTTextAlignmentCenter:
      return NSTextAlignmentCenter;
    case kCTTextAlignmentRight:
      return NSTextAlignmentRight;
    case kCTTextAlignmentJustified:
      return NSTextAlignmentJustified;
    default:
      return NSTextAlignmentNatural;
  }
}

Strong<NSParagraphStyle> NSParagraphStyle::defaultParagraphStyle() {
  static const Strong<NSParagraphStyle> style = std::make_shared<NSParagraphStyle>();
  return style;
}

Strong<NSParagraphStyle> NSParagraphStyle::copy() const {
  auto s = std::make_shared<NSParagraphStyle>();
  s->settings_ = settings_;
  return s;
}

Strong<NSMutableParagraphStyle> NSParagraphStyle::mutableCopy() const {
  auto s = std::make_shared<NSMutableParagraphStyle>();
  s->settings_ = settings_;
  return s;
}
