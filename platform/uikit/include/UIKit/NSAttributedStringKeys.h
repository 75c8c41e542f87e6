// UIKit's attribute names. Several are the same strings as the Core Text keys ("NSFont",
// "NSParagraphStyle", "NSKern", "NSUnderline"), so either spelling reaches the
// typesetter; the foreground colour differs ("NSColor" versus "CTForegroundColor") and
// the typesetter reads both, the Core Text key first.
#pragma once

#include "CoreText/CTStringAttributes.h"
#include "Foundation/NSString.h"

extern const Strong<NSString> NSFontAttributeName;                // "NSFont"
extern const Strong<NSString> NSForegroundColorAttributeName;     // "NSColor"
extern const Strong<NSString> NSBackgroundColorAttributeName;     // "NSBackgroundColor"
extern const Strong<NSString> NSParagraphStyleAttributeName;      // "NSParagraphStyle"
extern const Strong<NSString> NSKernAttributeName;                // "NSKern"
extern const Strong<NSString> NSLigatureAttributeName;            // "NSLigature"
extern const Strong<NSString> NSUnderlineStyleAttributeName;      // "NSUnderline"
extern const Strong<NSString> NSUnderlineColorAttributeName;      // "NSUnderlineColor"
extern const Strong<NSString> NSStrikethroughStyleAttributeName;  // "NSStrikethrough"
extern const Strong<NSString> NSStrikethroughColorAttributeName;  // "NSStrikethroughColor"
extern const Strong<NSString> NSStrokeWidthAttributeName;         // "NSStrokeWidth"
extern const Strong<NSString> NSStrokeColorAttributeName;         // "NSStrokeColor"
extern const Strong<NSString> NSShadowAttributeName;              // "NSShadow"
extern const Strong<NSString> NSLinkAttributeName;                // "NSLink"
extern const Strong<NSString> NSBaselineOffsetAttributeName;      // "NSBaselineOffset"

using NSUnderlineStyle = NSInteger;
inline constexpr NSUnderlineStyle NSUnderlineStyleNone = 0x00;
inline constexpr NSUnderlineStyle NSUnderlineStyleSingle = 0x01;
inline constexpr NSUnderlineStyle NSUnderlineStyleThick = 0x02;
inline constexpr NSUnderlineStyle NSUnderlineStyleDouble = 0x09;
