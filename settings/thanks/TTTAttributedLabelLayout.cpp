// Layout and measurement: the framesetter cache, sizes under a line limit, the text
// rectangle inside the insets, the character under a point and a range's rectangle.
#include <algorithm>
#include <cmath>
#include <vector>

#include "TTTAttributedLabelInternal.h"
#include "UIKit/NSLayoutManager.h"
#include "UIKit/NSTextContainer.h"
#include "UIKit/NSTextStorage.h"

CGFloat TTTAlignmentFlushFactor(NSInteger textAlignment) {
  switch (textAlignment) {
    case TTTTextAlignmentCenter:
      return 0.5;
    case TTTTextAlignmentRight:
      return 1.0;
    default:
      return 0.0;
  }
}

CTFramesetterRef TTTAttributedLabel::framesetter() {
  if (!_needsFramesetter) return _framesetter;
  TTTLabelLock lock(this);
  if (_needsFramesetter) {
    CTFramesetterRef made = CTFramesetterCreateWithAttributedString(renderedAttributedText());
    setFramesetter(made);
    setHighlightFramesetter(nullptr);
    _needsFramesetter = false;
  }
  return _framesetter;
}

CGSize TTTSuggestedFrameSize(const CTFramesetterRef& framesetter,
                             const Strong<NSAttributedString>& string, CGSize size,
                             NSUInteger numberOfLines) {
  CFRange range = CFRangeMake(0, string ? static_cast<CFIndex>(string->length()) : 0);
  CGSize constraints = CGSizeMake(size.width, TTTUnboundedDimension);
  if (numberOfLines == 1) {
    constraints = CGSizeMake(TTTUnboundedDimension, TTTUnboundedDimension);
  } else if (numberOfLines != 0) {
    CGPathRef path =
        CGPathCreateWithRect(CGRectMake(0, 0, size.width, TTTUnboundedDimension), nullptr);
    CTFrameRef frame = CTFramesetterCreateFrame(framesetter, CFRangeMake(0, 0), path, nullptr);
    CFArrayRef lines = CTFrameGetLines(frame);
    CFIndex count = static_cast<CFIndex>(lines->count());
    // A limit too large to be a signed count limits nothing.
    CFIndex limit = static_cast<CFIndex>(numberOfLines);
    if (count > 0 && limit > 0) {
      CFIndex k = std::min(limit, count);
      CFRange last = CTLineGetStringRange(lines->objectAtIndexAs<CTLine>(k - 1));
      range = CFRangeMake(0, last.location + last.length);
    }
  }
  CGSize suggested = CTFramesetterSuggestFrameSizeWithConstraints(framesetter, range, nullptr,
                                                                  constraints, nullptr);
  return CGSizeMake(std::ceil(suggested.width), std::ceil(suggested.height));
}

CGSize TTTAttributedLabel::sizeThatFitsAttributedStringWithConstraintsLimitedToNumberOfLines(
    const Strong<NSAttributedString>& string, CGSize size, NSUInteger numberOfLines) {
  if (!string) return CGSizeZero;
  CTFramesetterRef framesetter = CTFramesetterCreateWithAttributedString(string);
  return TTTSuggestedFrameSize(framesetter, string, size, numberOfLines);
}

CGSize TTTAttributedLabelMethods::sizeThatFits(NSObject* self, SEL cmd, CGSize size) {
  TTTAttributedLabel* label = l(self);
  if (!label->_attributedText) return UIViewSendSuper<CGSize>(UILabel::class_(), self, cmd, size);
  CGSize fit = TTTSuggestedFrameSize(label->framesetter(), label->_attributedText, size,
                                     static_cast<NSUInteger>(label->numberOfLines()));
  UIEdgeInsets insets = label->_textInsets;
  return CGSizeMake(fit.width + insets.left + insets.right,
                    fit.height + insets.top + insets.bottom);
}

CGSize TTTAttributedLabelMethods::intrinsicContentSize(NSObject* self, SEL cmd) {
  CGSize base = UIViewSendSuper<CGSize>(UILabel::class_(), self, cmd);
  return l(self)->sizeThatFits(base);
}

CGRect TTTAttributedLabelMethods::textRectForBounds(NSObject* self, SEL cmd, CGRect bounds,
                                                    NSInteger numberOfLines) {
  TTTAttributedLabel* label = l(self);
  CGRect inset = UIEdgeInsetsInsetRect(bounds, label->_textInsets);
  if (!label->_attributedText)
    return UIViewSendSuper<CGRect>(UILabel::class_(), self, cmd, inset, numberOfLines);

  CGRect textRect = inset;
  CGFloat twoLines = label->font()->pointSize() * 2;
  if (twoLines > inset.size.height) textRect.size.height = twoLines;
  CGSize suggested = CTFramesetterSuggestFrameSizeWithConstraints(
      label->framesetter(), CFRangeMake(0, static_cast<CFIndex>(label->_attributedText->length())),
      nullptr, CGSizeMake(inset.size.width, textRect.size.height), nullptr);
  CGFloat h = std::ceil(suggested.height);
  if (h < textRect.size.height) {
    switch (label->_verticalAlignment) {
      case TTTAttributedLabelVerticalAlignmentCenter:
        textRect.origin.y += std::floor((inset.size.height - h) * 0.5);
        break;
      case TTTAttributedLabelVerticalAlignmentBottom:
        textRect.origin.y += inset.size.height - h;
        break;
      default:
        break;
    }
  }
  return textRect;
}

NSInteger TTTAttributedLabel::characterIndexAtPoint(CGPoint p) {
  CGRect labelBounds = bounds();
  if (!CGRectContainsPoint(labelBounds, p) || !_attributedText) return NSNotFound;
  NSInteger limit = numberOfLines();
  CGRect R = textRectForBoundsLimitedToNumberOfLines(labelBounds, limit);
  if (!CGRectContainsPoint(R, p)) return NSNotFound;
  CGFloat flush = TTTAlignmentFlushFactor(textAlignment());

  CTFrameRef frame = CTFramesetterCreateFrame(
      framesetter(), CFRangeMake(0, static_cast<CFIndex>(_attributedText->length())),
      CGPathCreateWithRect(R, nullptr), nullptr);
  if (!frame) return NSNotFound;
  // Core Text space: y up from the bottom of the text rectangle.
  CGFloat x = p.x - R.origin.x;
  CGFloat y = R.size.height - (p.y - R.origin.y);

  CFArrayRef lines = CTFrameGetLines(frame);
  NSInteger count = static_cast<NSInteger>(lines->count());
  NSInteger n = limit >= 1 && limit < count ? limit : count;
  if (n == 0) return NSNotFound;
  std::vector<CGPoint> origins(static_cast<size_t>(n));
  CTFrameGetLineOrigins(frame, CFRangeMake(0, n), origins.data());

  for (NSInteger i = 0; i < n; ++i) {
    CTLineRef line = lines->objectAtIndexAs<CTLine>(static_cast<NSUInteger>(i));
    CGPoint origin = origins[static_cast<size_t>(i)];
    CGFloat penOffset = CTLineGetPenOffsetForFlush(line, flush, R.size.width);
    CGFloat ascent = 0, descent = 0, leading = 0;
    CGFloat width = CTLineGetTypographicBounds(line, &ascent, &descent, &leading);
    // Above this line: between lines, or above the text.
    if (y > std::ceil(origin.y + ascent)) return NSNotFound;
    if (y >= std::floor(origin.y - descent) && x >= penOffset && x <= penOffset + width) {
      return CTLineGetStringIndexForPosition(line, CGPointMake(x - penOffset, y - origin.y));
    }
  }
  return NSNotFound;
}

CGRect TTTAttributedLabel::boundingRectForCharacterRange(NSRange range) {
  auto storage = NSTextStorage::initWithAttributedString(
      _attributedText ? _attributedText->mutableCopy() : nullptr);
  auto layoutManager = std::make_shared<NSLayoutManager>();
  storage->addLayoutManager(layoutManager);
  auto container = NSTextContainer::initWithSize(bounds().size);
  layoutManager->addTextContainer(container);
  NSRange glyphRange{};
  layoutManager->characterRangeForGlyphRangeActualGlyphRange(range, &glyphRange);
  return layoutManager->boundingRectForGlyphRangeInTextContainer(glyphRange, container);
}
