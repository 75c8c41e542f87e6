// Framesetters: the typesetter of a string kept for repeated frames and measurements.
#pragma once

#include <memory>

#include "CoreGraphics/CGPath.h"
#include "CoreText/CTFrame.h"
#include "CoreText/CTTypesetter.h"
#include "CoreText/CoreTextExport.h"

class NIMBRA_CORETEXT_API CTFramesetter : public NSObject {
  OBJC_CLASS(CTFramesetter, NSObject)
 public:
  explicit CTFramesetter(CTTypesetterRef ts);
  ~CTFramesetter() override;
  const CTTypesetterRef& typesetter() const { return typesetter_; }

  // The last frame laid out and the last size suggested, each with the range and box
  // size it was made for: callers such as labels ask again for the same rectangle on
  // every draw, hit test and measurement. Derived from the typesetter, which never
  // changes, and that key alone; a request with another key replaces them.
  struct Memo;
  Memo& memo() const { return *memo_; }

 private:
  CTTypesetterRef typesetter_;
  std::unique_ptr<Memo> memo_;
};
using CTFramesetterRef = Strong<CTFramesetter>;

// The string is captured: later edits of a mutable source do not show. None for none.
NIMBRA_CORETEXT_API CTFramesetterRef
CTFramesetterCreateWithAttributedString(const Strong<NSAttributedString>& string);
NIMBRA_CORETEXT_API CTTypesetterRef CTFramesetterGetTypesetter(const CTFramesetterRef& fs);
// Lines fill the path's bounding box from the top; a line whose bottom would pass the
// box's bottom is left out with everything after it. `range.length` 0: to the end.
// None for a none framesetter or a range outside the string; an empty path gives a
// frame without lines.
NIMBRA_CORETEXT_API CTFrameRef CTFramesetterCreateFrame(const CTFramesetterRef& fs, CFRange range,
                                                        const CGPathRef& path,
                                                        const CFDictionaryRef& attributes);
// Width: the widest line without its trailing whitespace (indents included); height:
// top of the frame to the bottom of the last line that fits. Values are not rounded.
NIMBRA_CORETEXT_API CGSize CTFramesetterSuggestFrameSizeWithConstraints(
    const CTFramesetterRef& fs, CFRange range, const CFDictionaryRef& attributes,
    CGSize constraints, CFRange* fitRange);
