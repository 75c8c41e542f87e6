// UIKit's attribute names. Several are the same strings as the Core Text keys ("NSFont",
// "NSParagraphStyle", "NSKern", "NSUnderline"), so either spelling reaches the
// typesetter; the foreground colour differs ("NSColor" versus "CTForegroundColor") and
// the typesetter reads both, the Core Text key first.
#pragma once

#include "CoreText/CTStringAttributes.h"
#include "Foundation/NSString.h"
#include "UIKit/UIKitExport.h"

NIMBRA_UIKIT_API extern const Strong<NSString> NSFontAttributeName;             // "NSFont"
NIMBRA_UIKIT_API extern const Strong<NSString> NSForegroundColorAttributeName;  // "NSColor"
NIMBRA_UIKIT_API extern const Strong<NSString>
    NSBackgroundColorAttributeName;  // "NSBackgroundColor"
NIMBRA_UIKIT_API extern const Strong<NSString> NSParagraphStyleAttributeName;  // "NSParagraphStyle"
NIMBRA_UIKIT_API extern const Strong<NSString> NSKernAttributeName;            // "NSKern"
NIMBRA_UIKIT_API extern const Strong<NSString> NSLigatureAttributeName;        // "NSLigature"
NIMBRA_UIKIT_API extern const Strong<NSString> NSUnderlineStyleAttributeName;  // "NSUnderline"
NIMBRA_UIKIT_API extern const Strong<NSString> NSUnderlineColorAttributeName;  // "NSUnderlineColor"
NIMBRA_UIKIT_API extern const Strong<NSString>
    NSStrikethroughStyleAttributeName;  // "NSStrikethrough"
NIMBRA_UIKIT_API extern const Strong<NSString>
    NSStrikethroughColorAttributeName;  // "NSStrikethroughColor"
NIMBRA_UIKIT_API extern const Strong<NSString> NSStrokeWidthAttributeName;     // "NSStrokeWidth"
NIMBRA_UIKIT_API extern const Strong<NSString> NSStrokeColorAttributeName;     // "NSStrokeColor"
NIMBRA_UIKIT_API extern const Strong<NSString> NSShadowAttributeName;          // "NSShadow"
NIMBRA_UIKIT_API extern const Strong<NSString> NSLinkAttributeName;            // "NSLink"
NIMBRA_UIKIT_API extern const Strong<NSString> NSBaselineOffsetAttributeName;  // "NSBaselineOffset"

using NSUnderlineStyle = NSInteger;
inline constexpr NSUnderlineStyle NSUnderlineStyleNone = 0x00;
inline constexpr NSUnderlineStyle NSUnderlineStyleSingle = 0x01;
inline constexpr NSUnderlineStyle NSUnderlineStyleThick = 0x02;
inline constexpr NSUnderlineStyle NSUnderlineStyleDouble = 0x09;
