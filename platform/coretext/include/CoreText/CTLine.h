// A line of glyph runs, in visual order, with its metrics, caret geometry and hit
// testing. Lines share the typesetter's shaped glyphs; they never reshape.
#pragma once

#include <memory>

#include "CoreFoundation/CFBase.h"
#include "CoreGraphics/CGContext.h"
#include "CoreText/CTRun.h"
#include "CoreText/CoreTextExport.h"
#include "Foundation/NSArray.h"

class NSAttributedString;

enum CTLineTruncationType : uint32_t {
  kCTLineTruncationStart = 0,
  kCTLineTruncationEnd = 1,
  kCTLineTruncationMiddle = 2,
};

class NIMBRA_CORETEXT_API CTLine : public NSObject {
  OBJC_CLASS(CTLine, NSObject)
 public:
  explicit CTLine(std::shared_ptr<const ct::LineData> data);
  const std::shared_ptr<const ct::LineData>& data() const { return data_; }
  const Strong<NSArray>& runs() const { return runs_; }

 private:
  std::shared_ptr<const ct::LineData> data_;
  Strong<NSArray> runs_;
};
using CTLineRef = Strong<CTLine>;

// One line over the whole string, no breaking; none for a none string.
NIMBRA_CORETEXT_API CTLineRef
CTLineCreateWithAttributedString(const Strong<NSAttributedString>& string);
// Keeps the beginning (end), the end (start) or both ends (middle) of a line wider than
// `width`, putting `token` where text was removed (none: just cut). Widths compared
// leave out trailing whitespace. A line that fits comes back with the same content;
// none when even the token does not fit. Cuts fall between grapheme clusters.
NIMBRA_CORETEXT_API CTLineRef CTLineCreateTruncatedLine(const CTLineRef& line, double width,
                                                        CTLineTruncationType type,
                                                        const CTLineRef& token);
// factor ≥ 1 full, in (0, 1) partial, ≤ 0 none; the extra space goes to the spaces
// between words (a line without spaces comes back unchanged). None for none.
NIMBRA_CORETEXT_API CTLineRef CTLineCreateJustifiedLine(const CTLineRef& line, CGFloat factor,
                                                        double width);
NIMBRA_CORETEXT_API CFIndex CTLineGetGlyphCount(const CTLineRef& line);
NIMBRA_CORETEXT_API CFArrayRef CTLineGetGlyphRuns(const CTLineRef& line);  // visual order
NIMBRA_CORETEXT_API CFRange CTLineGetStringRange(const CTLineRef& line);
// (flushWidth − width without trailing whitespace) × clamp(flushFactor, 0, 1), never
// below 0: trailing spaces hang past the margin and an over-wide line starts at 0.
NIMBRA_CORETEXT_API double CTLineGetPenOffsetForFlush(const CTLineRef& line, CGFloat flushFactor,
                                                      double flushWidth);
// Width with trailing whitespace; ascent and descent positive, the largest of the runs.
NIMBRA_CORETEXT_API double CTLineGetTypographicBounds(const CTLineRef& line, CGFloat* ascent,
                                                      CGFloat* descent, CGFloat* leading);
NIMBRA_CORETEXT_API double CTLineGetTrailingWhitespaceWidth(const CTLineRef& line);
// Bounds rectangle from the line origin (y negative below the baseline); CGRectNull for
// none. Leading is left out with option bit 1.
NIMBRA_CORETEXT_API CGRect CTLineGetBoundsWithOptions(const CTLineRef& line, uint32_t options);
// The insertion index nearest to `position.x` (the nearer edge of the glyph under it);
// the first index left of the line, one past the last right of it; kCFNotFound for none.
NIMBRA_CORETEXT_API CFIndex CTLineGetStringIndexForPosition(const CTLineRef& line,
                                                            CGPoint position);
// The caret x of an index (clamped into the line); `secondaryOffset` gets the other
// caret at a direction boundary, else the same value. 0 for none.
NIMBRA_CORETEXT_API CGFloat CTLineGetOffsetForStringIndex(const CTLineRef& line, CFIndex charIndex,
                                                          CGFloat* secondaryOffset);
// Draws at the context's text position; runs set their own fill colour.
NIMBRA_CORETEXT_API void CTLineDraw(const CTLineRef& line, const CGContextRef& context);
