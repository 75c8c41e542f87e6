// Frames: lines placed in a path's bounding box.
#pragma once

#include <vector>

#include "CoreGraphics/CGPath.h"
#include "CoreText/CTLine.h"
#include "CoreText/CoreTextExport.h"

class NIMBRA_CORETEXT_API CTFrame : public NSObject {
  OBJC_CLASS(CTFrame, NSObject)
 public:
  CTFrame() = default;
  CFRange stringRange{};
  CFRange visibleRange{};
  CGPathRef path;
  CGRect box{};
  CFDictionaryRef attributes;
  Strong<NSArray> lines;
  std::vector<CGPoint> origins;  // y-up, relative to the box's origin
};
using CTFrameRef = Strong<CTFrame>;

enum CTFrameProgression : uint32_t {
  kCTFrameProgressionTopToBottom = 0,
  kCTFrameProgressionRightToLeft = 1,
  kCTFrameProgressionLeftToRight = 2,
};

// A requested length of 0 is reported resolved (to the end of the string).
NIMBRA_CORETEXT_API CFRange CTFrameGetStringRange(const CTFrameRef& frame);
NIMBRA_CORETEXT_API CFRange CTFrameGetVisibleStringRange(const CTFrameRef& frame);
NIMBRA_CORETEXT_API CGPathRef CTFrameGetPath(const CTFrameRef& frame);
NIMBRA_CORETEXT_API CFDictionaryRef CTFrameGetFrameAttributes(const CTFrameRef& frame);
NIMBRA_CORETEXT_API CFArrayRef
CTFrameGetLines(const CTFrameRef& frame);  // top line first; empty for none
// Copies origins of lines [range.location, +length) (length 0: to the last line);
// copies nothing for a range outside the lines.
NIMBRA_CORETEXT_API void CTFrameGetLineOrigins(const CTFrameRef& frame, CFRange range,
                                               CGPoint origins[]);
// Draws each line at the box origin plus its line origin.
NIMBRA_CORETEXT_API void CTFrameDraw(const CTFrameRef& frame, const CGContextRef& context);
