// Attribute keys the typesetter and drawing read. Keys it does not know pass through
// untouched (CTRunGetAttributes hands back the run's dictionary as given).
#pragma once

#include <cstdint>
#include <functional>

#include "CoreFoundation/CFBase.h"
#include "CoreGraphics/CGColor.h"
#include "CoreText/CoreTextExport.h"
#include "Foundation/NSString.h"

NIMBRA_CORETEXT_API extern const CFStringRef kCTFontAttributeName;  // "NSFont"
NIMBRA_CORETEXT_API extern const CFStringRef
    kCTForegroundColorAttributeName;  // "CTForegroundColor"
NIMBRA_CORETEXT_API extern const CFStringRef kCTForegroundColorFromContextAttributeName;
NIMBRA_CORETEXT_API extern const CFStringRef kCTKernAttributeName;  // "NSKern"
NIMBRA_CORETEXT_API extern const CFStringRef kCTLigatureAttributeName;
NIMBRA_CORETEXT_API extern const CFStringRef kCTParagraphStyleAttributeName;  // "NSParagraphStyle"
NIMBRA_CORETEXT_API extern const CFStringRef kCTUnderlineStyleAttributeName;  // "NSUnderline"
NIMBRA_CORETEXT_API extern const CFStringRef kCTUnderlineColorAttributeName;
NIMBRA_CORETEXT_API extern const CFStringRef kCTSuperscriptAttributeName;  // "NSSuperScript"
NIMBRA_CORETEXT_API extern const CFStringRef kCTStrokeWidthAttributeName;  // "NSStrokeWidth"
NIMBRA_CORETEXT_API extern const CFStringRef kCTStrokeColorAttributeName;  // "NSStrokeColor"
NIMBRA_CORETEXT_API extern const CFStringRef kCTWritingDirectionAttributeName;
NIMBRA_CORETEXT_API extern const CFStringRef kCTBaselineOffsetAttributeName;

enum CTUnderlineStyle : int32_t {
  kCTUnderlineStyleNone = 0x00,
  kCTUnderlineStyleSingle = 0x01,
  kCTUnderlineStyleThick = 0x02,
  kCTUnderlineStyleDouble = 0x09,
};
enum CTUnderlineStyleModifiers : int32_t {
  kCTUnderlinePatternSolid = 0x0000,
  kCTUnderlinePatternDot = 0x0100,
  kCTUnderlinePatternDash = 0x0200,
  kCTUnderlinePatternDashDot = 0x0300,
  kCTUnderlinePatternDashDotDot = 0x0400,
};

// A colour attribute value as a CGColor: a CGColor itself, an object answering the
// runtime selector "CGColor", or one a registered converter knows (UIKit registers
// UIColor). None for anything else.
NIMBRA_CORETEXT_API CGColorRef CTColorFromAttributeValue(const id& value);
// Our extension, for the layer that owns a colour class Core Text cannot see.
NIMBRA_CORETEXT_API void CTRegisterColorConverter(std::function<CGColorRef(const id&)> converter);
