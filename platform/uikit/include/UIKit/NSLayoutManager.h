// Lays out a text storage in its text containers with the Core Text typesetter. Glyph
// indices here are character indices (one glyph per UTF-16 unit), widened to whole
// grapheme clusters; rectangles are y-down from the container's top-left, with the
// container's line fragment padding on the left.
#pragma once

#include <vector>

#include "CoreText/CTFrame.h"
#include "CoreText/CTFramesetter.h"
#include "Foundation/NSRange.h"
#include "UIKit/NSTextContainer.h"
#include "UIKit/NSTextStorage.h"
#include "UIKit/UIKitExport.h"

class NIMBRA_UIKIT_API NSLayoutManager : public NSObject {
  OBJC_CLASS(NSLayoutManager, NSObject)
 public:
  NSLayoutManager() = default;

  Strong<NSTextStorage> textStorage() const { return storage_.lock(); }
  // Called by NSTextStorage::addLayoutManager.
  void setTextStorage(const Strong<NSTextStorage>& storage);
  void addTextContainer(const Strong<NSTextContainer>& container);
  const std::vector<Strong<NSTextContainer>>& textContainers() const { return containers_; }
  void invalidateLayout();

  NSUInteger numberOfGlyphs() const;
  // Ranges are clamped to the text.
  NSRange characterRangeForGlyphRangeActualGlyphRange(NSRange glyphRange,
                                                      NSRangePointer actualGlyphRange);
  NSRange glyphRangeForCharacterRangeActualCharacterRange(NSRange charRange,
                                                          NSRangePointer actualCharRange);
  // The union of the line fragments' parts that hold the glyphs; CGRectZero when none
  // of them is laid out in the container.
  CGRect boundingRectForGlyphRangeInTextContainer(NSRange glyphRange,
                                                  const Strong<NSTextContainer>& container);
  CGRect usedRectForTextContainer(const Strong<NSTextContainer>& container);

 private:
  NSRange wholeClusters(NSRange range) const;
  CTFrameRef frameFor(const Strong<NSTextContainer>& container);

  Weak<NSTextStorage> storage_;
  std::vector<Strong<NSTextContainer>> containers_;
  CTFramesetterRef framesetter_;
  CTFrameRef frame_;
  CGSize frameSize_{-1, -1};
  CGFloat framePadding_ = -1;
};
