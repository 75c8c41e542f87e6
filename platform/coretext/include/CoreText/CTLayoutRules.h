// The rules the framesetter lays out by that a view drawing its own last line (the
// label) has to apply alike: how a truncating line break mode truncates, where its "…"
// token takes its attributes from, and where an aligned line sits.
#pragma once

#include <cstddef>

#include "CoreText/CTLine.h"
#include "CoreText/CTParagraphStyle.h"
#include "CoreText/CoreTextExport.h"
#include "Foundation/NSDictionary.h"

// The character a truncated line shows for what it leaves out.
inline constexpr char16_t kCTTruncationTokenCharacter = u'\u2026';

// Head truncates at the start, middle in the middle, tail and every other mode at the end.
NIMBRA_CORETEXT_API CTLineTruncationType CTLineTruncationTypeForLineBreakMode(CTLineBreakMode mode);
// The character of [start, end) whose attributes the token takes: the first for
// truncation at the start, the middle one, or the last (`start` when the range is empty).
NIMBRA_CORETEXT_API size_t CTTruncationTokenIndex(CTLineTruncationType type, size_t start,
                                                  size_t end);
// The token line, "…" in `attributes` (none: the defaults).
NIMBRA_CORETEXT_API CTLineRef CTLineCreateTruncationToken(const Strong<NSDictionary>& attributes);

// How far across the free space a line sits: 0 at the left, 1 at the right. Natural and
// justified lines start on the side `direction` reads from (the left when natural).
NIMBRA_CORETEXT_API CGFloat CTTextAlignmentFlushFactor(CTTextAlignment alignment,
                                                       CTWritingDirection direction);
