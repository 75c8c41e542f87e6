// Attribute keys the typesetter and drawing read. Keys it does not know pass through
// untouched (CTRunGetAttributes hands back the run's dictionary as given).
#pragma once

#include <cstdint>
#include <functional>

#include "CoreFoundation/CFBase.h"
#include "CoreGraphics/CGColor.h"
#include "Foundation/NSString.h"

extern const CFStringRef kCTFontAttributeName;             // "NSFont"
extern const CFStringRef kCTForegroundColorAttributeName;  // "CTForegroundColor"
extern const CFStringRef kCTForegroundColorFromContextAttributeName;
extern const CFStringRef kCTKernAttributeName;  // "NSKern"
extern const CFStringRef kCTLigatureAttributeName;
extern const CFStringRef kCTParagraphStyleAttributeName;  // "NSParagraphStyle"
extern const CFStringRef kCTUnderlineStyleAttributeName;  // "NSUnderline"
extern const CFStringRef kCTUnderlineColorAttributeName;
extern const CFStringRef kCTSuperscriptAttributeName;  // "NSSuperScript"
extern const CFStringRef kCTStrokeWidthAttributeName;  // "NSStrokeWidth"
extern const CFStringRef kCTStrokeColorAttributeName;  // "NSStrokeColor"
extern const CFStringRef kCTWritingDirectionAttributeName;
extern const CFStringRef kCTBaselineOffsetAttributeName;

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
CGColorRef CTColorFromAttributeValue(const id& value);
// Our extension, for the layer that owns a colour class Core Text cannot see.
void CTRegisterColorConverter(std::function<CGColorRef(const id&)> converter);
