// UIKit paragraph styles. They are Core Text paragraph styles underneath, so the
// typesetter honours them exactly like a CTParagraphStyle; only the alignment numbers
// differ (NSTextAlignment centre 1, right 2; CTTextAlignment right 1, centre 2).
#pragma once

#include "CoreText/CTParagraphStyle.h"
#include "Foundation/NSObjCRuntime.h"
#include "UIKit/UIKitExport.h"

enum NSTextAlignment : NSInteger {
  NSTextAlignmentLeft = 0,
  NSTextAlignmentCenter = 1,
  NSTextAlignmentRight = 2,
  NSTextAlignmentJustified = 3,
  NSTextAlignmentNatural = 4,
};

enum NSLineBreakMode : NSInteger {
  NSLineBreakByWordWrapping = 0,
  NSLineBreakByCharWrapping = 1,
  NSLineBreakByClipping = 2,
  NSLineBreakByTruncatingHead = 3,
  NSLineBreakByTruncatingTail = 4,
  NSLineBreakByTruncatingMiddle = 5,
};

enum NSWritingDirection : NSInteger {
  NSWritingDirectionNatural = -1,
  NSWritingDirectionLeftToRight = 0,
  NSWritingDirectionRightToLeft = 1,
};

// Unknown values map to natural.
NIMBRA_UIKIT_API CTTextAlignment NSTextAlignmentToCTTextAlignment(NSTextAlignment alignment);
NIMBRA_UIKIT_API NSTextAlignment NSTextAlignmentFromCTTextAlignment(CTTextAlignment alignment);

class NSMutableParagraphStyle;

class NIMBRA_UIKIT_API NSParagraphStyle : public CTParagraphStyle {
  OBJC_CLASS(NSParagraphStyle, CTParagraphStyle)
 public:
  NSParagraphStyle() = default;
  static Strong<NSParagraphStyle> defaultParagraphStyle();

  NSTextAlignment alignment() const {
    return NSTextAlignmentFromCTTextAlignment(static_cast<CTTextAlignment>(settings_.alignment));
  }
  // Space added between lines, on top of the font's leading.
  CGFloat lineSpacing() const { return settings_.lineSpacingAdjustment; }
  CGFloat paragraphSpacing() const { return settings_.paragraphSpacing; }
  CGFloat paragraphSpacingBefore() const { return settings_.paragraphSpacingBefore; }
  CGFloat headIndent() const { return settings_.headIndent; }
  CGFloat tailIndent() const { return settings_.tailIndent; }
  CGFloat firstLineHeadIndent() const { return settings_.firstLineHeadIndent; }
  CGFloat minimumLineHeight() const { return settings_.minimumLineHeight; }
  CGFloat maximumLineHeight() const { return settings_.maximumLineHeight; }
  CGFloat lineHeightMultiple() const { return settings_.lineHeightMultiple; }
  NSLineBreakMode lineBreakMode() const {
    return static_cast<NSLineBreakMode>(settings_.lineBreakMode);
  }
  NSWritingDirection baseWritingDirection() const {
    return static_cast<NSWritingDirection>(settings_.baseWritingDirection);
  }

  Strong<NSParagraphStyle> copy() const;
  Strong<NSMutableParagraphStyle> mutableCopy() const;
};

class NIMBRA_UIKIT_API NSMutableParagraphStyle : public NSParagraphStyle {
  OBJC_CLASS(NSMutableParagraphStyle, NSParagraphStyle)
 public:
  NSMutableParagraphStyle() = default;
  static Strong<NSMutableParagraphStyle> paragraphStyle() {
    return std::make_shared<NSMutableParagraphStyle>();
  }

  void setAlignment(NSTextAlignment a) {
    settings_.alignment = NSTextAlignmentToCTTextAlignment(a);
  }
  // Negative values count as 0, as on the device.
  void setLineSpacing(CGFloat v) { settings_.lineSpacingAdjustment = v > 0 ? v : 0; }
  void setParagraphSpacing(CGFloat v) { settings_.paragraphSpacing = v > 0 ? v : 0; }
  void setParagraphSpacingBefore(CGFloat v) { settings_.paragraphSpacingBefore = v > 0 ? v : 0; }
  void setHeadIndent(CGFloat v) { settings_.headIndent = v > 0 ? v : 0; }
  void setTailIndent(CGFloat v) { settings_.tailIndent = v; }
  void setFirstLineHeadIndent(CGFloat v) { settings_.firstLineHeadIndent = v > 0 ? v : 0; }
  void setMinimumLineHeight(CGFloat v) { settings_.minimumLineHeight = v > 0 ? v : 0; }
  void setMaximumLineHeight(CGFloat v) { settings_.maximumLineHeight = v > 0 ? v : 0; }
  void setLineHeightMultiple(CGFloat v) { settings_.lineHeightMultiple = v > 0 ? v : 0; }
  // Values outside the enumeration are taken as word wrapping.
  void setLineBreakMode(NSLineBreakMode m) {
    settings_.lineBreakMode = m >= 0 && m <= 5 ? static_cast<uint8_t>(m) : 0;
  }
  void setBaseWritingDirection(NSWritingDirection d) {
    settings_.baseWritingDirection = d >= -1 && d <= 1 ? static_cast<int8_t>(d) : -1;
  }
  void setParagraphStyle(const Strong<NSParagraphStyle>& other) {
    settings_ = other ? other->settings() : CTParagraphSettings{};
  }
};
