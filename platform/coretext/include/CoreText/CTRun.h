// A glyph run: consecutive glyphs of one font, one direction and one attribute run.
#pragma once

#include <memory>

#include "CoreFoundation/CFBase.h"
#include "CoreGraphics/CGContext.h"
#include "CoreGraphics/CGFont.h"
#include "CoreGraphics/CGGeometry.h"
#include "Foundation/NSDictionary.h"

namespace ct {
struct LineData;
}

enum CTRunStatus : uint32_t {
  kCTRunStatusNoStatus = 0,
  kCTRunStatusRightToLeft = 1,
  kCTRunStatusNonMonotonic = 2,
  kCTRunStatusHasNonIdentityMatrix = 4,
};

class CTRun : public NSObject {
  OBJC_CLASS(CTRun, NSObject)
 public:
  CTRun(std::shared_ptr<const ct::LineData> line, size_t index);
  const ct::LineData& line() const { return *line_; }
  size_t index() const { return index_; }
  const Strong<NSDictionary>& attributes() const { return attributes_; }

 private:
  std::shared_ptr<const ct::LineData> line_;
  size_t index_;
  Strong<NSDictionary> attributes_;
};
using CTRunRef = Strong<CTRun>;

// Every call answers a zero value (0, empty range, empty dictionary) for a none run.
// Glyph ranges use length 0 for "to the end"; ranges outside the run copy nothing.
CFDictionaryRef CTRunGetAttributes(const CTRunRef& run);
CTRunStatus CTRunGetStatus(const CTRunRef& run);
CFIndex CTRunGetGlyphCount(const CTRunRef& run);
CFRange CTRunGetStringRange(const CTRunRef& run);
void CTRunGetGlyphs(const CTRunRef& run, CFRange range, CGGlyph* buffer);
// Relative to the line's origin.
void CTRunGetPositions(const CTRunRef& run, CFRange range, CGPoint* buffer);
void CTRunGetAdvances(const CTRunRef& run, CFRange range, CGSize* buffer);
void CTRunGetStringIndices(const CTRunRef& run, CFRange range, CFIndex* buffer);
double CTRunGetTypographicBounds(const CTRunRef& run, CFRange range, CGFloat* ascent,
                                 CGFloat* descent, CGFloat* leading);
CGAffineTransform CTRunGetTextMatrix(const CTRunRef& run);
// Draws the glyph range at the context's text position (the line's origin).
void CTRunDraw(const CTRunRef& run, const CGContextRef& context, CFRange range);
