// A glyph run: consecutive glyphs of one font, one direction and one attribute run.
#pragma once

#include <memory>

#include "CoreFoundation/CFBase.h"
#include "CoreGraphics/CGContext.h"
#include "CoreGraphics/CGFont.h"
#include "CoreGraphics/CGGeometry.h"
#include "CoreText/CoreTextExport.h"
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

class NIMBRA_CORETEXT_API CTRun : public NSObject {
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
NIMBRA_CORETEXT_API CFDictionaryRef CTRunGetAttributes(const CTRunRef& run);
NIMBRA_CORETEXT_API CTRunStatus CTRunGetStatus(const CTRunRef& run);
NIMBRA_CORETEXT_API CFIndex CTRunGetGlyphCount(const CTRunRef& run);
NIMBRA_CORETEXT_API CFRange CTRunGetStringRange(const CTRunRef& run);
NIMBRA_CORETEXT_API void CTRunGetGlyphs(const CTRunRef& run, CFRange range, CGGlyph* buffer);
// Relative to the line's origin.
NIMBRA_CORETEXT_API void CTRunGetPositions(const CTRunRef& run, CFRange range, CGPoint* buffer);
NIMBRA_CORETEXT_API void CTRunGetAdvances(const CTRunRef& run, CFRange range, CGSize* buffer);
NIMBRA_CORETEXT_API void CTRunGetStringIndices(const CTRunRef& run, CFRange range, CFIndex* buffer);
NIMBRA_CORETEXT_API double CTRunGetTypographicBounds(const CTRunRef& run, CFRange range,
                                                     CGFloat* ascent, CGFloat* descent,
                                                     CGFloat* leading);
NIMBRA_CORETEXT_API CGAffineTransform CTRunGetTextMatrix(const CTRunRef& run);
// Draws the glyph range at the context's text position (the line's origin).
NIMBRA_CORETEXT_API void CTRunDraw(const CTRunRef& run, const CGContextRef& context, CFRange range);
