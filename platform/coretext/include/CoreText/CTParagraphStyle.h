// Paragraph styles: the settings the typesetter reads for each paragraph (alignment,
// indents, line break mode, line heights and spacing, writing direction).
#pragma once

#include <cstddef>
#include <cstdint>

#include "CoreGraphics/CGGeometry.h"
#include "CoreText/CoreTextExport.h"
#include "objc/NSObject.h"

enum CTTextAlignment : uint8_t {
  kCTTextAlignmentLeft = 0,
  kCTTextAlignmentRight = 1,
  kCTTextAlignmentCenter = 2,
  kCTTextAlignmentJustified = 3,
  kCTTextAlignmentNatural = 4,
  kCTLeftTextAlignment = 0,
  kCTRightTextAlignment = 1,
  kCTCenterTextAlignment = 2,
  kCTJustifiedTextAlignment = 3,
  kCTNaturalTextAlignment = 4,
};

enum CTLineBreakMode : uint8_t {
  kCTLineBreakByWordWrapping = 0,
  kCTLineBreakByCharWrapping = 1,
  kCTLineBreakByClipping = 2,
  kCTLineBreakByTruncatingHead = 3,
  kCTLineBreakByTruncatingTail = 4,
  kCTLineBreakByTruncatingMiddle = 5,
};

enum CTWritingDirection : int8_t {
  kCTWritingDirectionNatural = -1,
  kCTWritingDirectionLeftToRight = 0,
  kCTWritingDirectionRightToLeft = 1,
};

enum CTParagraphStyleSpecifier : uint32_t {
  kCTParagraphStyleSpecifierAlignment = 0,
  kCTParagraphStyleSpecifierFirstLineHeadIndent = 1,
  kCTParagraphStyleSpecifierHeadIndent = 2,
  kCTParagraphStyleSpecifierTailIndent = 3,
  kCTParagraphStyleSpecifierTabStops = 4,
  kCTParagraphStyleSpecifierDefaultTabInterval = 5,
  kCTParagraphStyleSpecifierLineBreakMode = 6,
  kCTParagraphStyleSpecifierLineHeightMultiple = 7,
  kCTParagraphStyleSpecifierMaximumLineHeight = 8,
  kCTParagraphStyleSpecifierMinimumLineHeight = 9,
  kCTParagraphStyleSpecifierLineSpacing = 10,
  kCTParagraphStyleSpecifierParagraphSpacing = 11,
  kCTParagraphStyleSpecifierParagraphSpacingBefore = 12,
  kCTParagraphStyleSpecifierBaseWritingDirection = 13,
  kCTParagraphStyleSpecifierMaximumLineSpacing = 14,
  kCTParagraphStyleSpecifierMinimumLineSpacing = 15,
  kCTParagraphStyleSpecifierLineSpacingAdjustment = 16,
  kCTParagraphStyleSpecifierLineBoundsOptions = 17,
  kCTParagraphStyleSpecifierCount = 18,
};

struct NIMBRA_CORETEXT_API CTParagraphStyleSetting {
  CTParagraphStyleSpecifier specifier;
  size_t valueSize;
  const void* value;
};

// The resolved values of a style; what the typesetter reads.
struct NIMBRA_CORETEXT_API CTParagraphSettings {
  static constexpr CGFloat kLargeSpacing = 1.0e7;  // "some large number"
  uint8_t alignment = kCTTextAlignmentNatural;
  CGFloat firstLineHeadIndent = 0;
  CGFloat headIndent = 0;
  CGFloat tailIndent = 0;
  CGFloat defaultTabInterval = 0;
  uint8_t lineBreakMode = kCTLineBreakByWordWrapping;
  CGFloat lineHeightMultiple = 0;
  CGFloat maximumLineHeight = 0;
  CGFloat minimumLineHeight = 0;
  CGFloat lineSpacing = 0;  // as set; its effect is folded into the two bounds below
  CGFloat paragraphSpacing = 0;
  CGFloat paragraphSpacingBefore = 0;
  int8_t baseWritingDirection = kCTWritingDirectionNatural;
  CGFloat maximumLineSpacing = kLargeSpacing;
  CGFloat minimumLineSpacing = 0;
  CGFloat lineSpacingAdjustment = 0;
  uint32_t lineBoundsOptions = 0;
  bool operator==(const CTParagraphSettings&) const = default;
};

class NIMBRA_CORETEXT_API CTParagraphStyle : public NSObject {
  OBJC_CLASS(CTParagraphStyle, NSObject)
 public:
  CTParagraphStyle() = default;
  explicit CTParagraphStyle(const CTParagraphSettings& s) : settings_(s) {}
  const CTParagraphSettings& settings() const { return settings_; }
  BOOL isEqual(const NSObject* other) const override;
  std::size_t hash() const override;

 protected:
  CTParagraphSettings settings_;
};
using CTParagraphStyleRef = Strong<CTParagraphStyle>;

// Settings apply in order. The deprecated line spacing (10) sets both line-spacing
// bounds to its value; a later 14 or 15 overrides the bound it names. Unknown
// specifiers and values of the wrong size are ignored. A none `settings` gives the
// defaults.
NIMBRA_CORETEXT_API CTParagraphStyleRef
CTParagraphStyleCreate(const CTParagraphStyleSetting* settings, size_t count);
NIMBRA_CORETEXT_API CTParagraphStyleRef
CTParagraphStyleCreateCopy(const CTParagraphStyleRef& style);
// Copies the value (the default when never set) into `valueBuffer`; an unknown
// specifier zero-fills it. false for a none style or buffer, or a size that does not
// match the specifier's type.
NIMBRA_CORETEXT_API bool CTParagraphStyleGetValueForSpecifier(const CTParagraphStyleRef& style,
                                                              CTParagraphStyleSpecifier specifier,
                                                              size_t valueBufferSize,
                                                              void* valueBuffer);
