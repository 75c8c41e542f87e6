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

namespace {

enum class Direction { Neutral, LeftToRight, RightToLeft };

// The direction a character gives its paragraph when it is the first strong one: the
// right-to-left scripts' blocks, letters of every other script, and nothing for digits,
// spaces, punctuation and symbols.
Direction strongDirection(char16_t c) {
  if ((c >= 0x0590 && c <= 0x08FF) || (c >= 0xFB1D && c <= 0xFDFF) ||
      (c >= 0xFE70 && c <= 0xFEFE) || c == 0x200F)
    return Direction::RightToLeft;
  if ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') return Direction::LeftToRight;
  bool symbolOrMark = c < 0xC0 || (c >= 0x0300 && c <= 0x036F) || (c >= 0x2000 && c <= 0x2BFF) ||
                      (c >= 0x3000 && c <= 0x303F) || (c >= 0xD800 && c <= 0xDFFF) ||
                      (c >= 0xFE00 && c <= 0xFE0F) || c == 0xFEFF;
  return symbolOrMark ? Direction::Neutral : Direction::LeftToRight;
}

bool isParagraphBreak(char16_t c) {
  return c == u'\n' || c == u'\r' || c == 0x2029 || c == 0x85;
}

// Whether text[from, to) holds a paragraph break. No early exit, so the compiler tests
// several characters at once: most lines hold none, or one at their end.
bool holdsParagraphBreak(const std::u16string& text, size_t from, size_t to) {
  unsigned found = 0;
  for (size_t i = from; i < to; ++i) found |= static_cast<unsigned>(isParagraphBreak(text[i]));
  return found != 0;
}

// Whether the paragraph starting at `start` reads right to left: its first strong
// character.
bool paragraphIsRightToLeft(const std::u16string& text, size_t start) {
  for (size_t i = start; i < text.size() && !isParagraphBreak(text[i]); ++i) {
    Direction d = strongDirection(text[i]);
    if (d != Direction::Neutral) return d == Direction::RightToLeft;
  }
  return false;
}

}  // namespace

std::vector<CGFloat> TTTLineFlushFactors(const CFArrayRef& lines, NSInteger textAlignment,
                                         const Strong<NSAttributedString>& string) {
  size_t count = lines ? lines->count() : 0;
  std::vector<CGFloat> flushes(count, TTTAlignmentFlushFactor(textAlignment));
  if (textAlignment != TTTTextAlignmentNatural || !string) return flushes;
  // One pass over the text: lines come in string order, so each paragraph start is
  // found once and its direction read once.
  const std::u16string& text = string->characters();
  size_t scanned = 0, paragraphStart = 0;
  bool known = false, rightToLeft = false;
  for (size_t i = 0; i < count; ++i) {
    auto start = static_cast<size_t>(
        std::max<CFIndex>(0, CTLineGetStringRange(lines->objectAtIndexAs<CTLine>(i)).location));
    start = std::min(start, text.size());
    // The paragraph starts after the last break before the line.
    if (scanned < start && holdsParagraphBreak(text, scanned, start)) {
      size_t k = start;
      while (!isParagraphBreak(text[k - 1])) --k;
      paragraphStart = k, known = false;
    }
    scanned = std::max(scanned, start);
    if (!known) rightToLeft = paragraphIsRightToLeft(text, paragraphStart), known = true;
    flushes[i] = rightToLeft ? 1.0 : 0.0;
  }
  return flushes;
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

struct TTTAttributedLabel::HitTestLayout {
  // Everything but the framesetter the layout is made from.
  struct Geometry {
    CGRect bounds{};
    UIEdgeInsets insets{};
    NSInteger verticalAlignment = 0;
    CGFloat pointSize = 0;
    NSInteger textAlignment = 0;
    NSInteger numberOfLines = 0;
    IMP textRect = nullptr;  // a subclass or hook may place the text otherwise
    bool operator==(const Geometry& o) const {
      return bounds == o.bounds && insets == o.insets && verticalAlignment == o.verticalAlignment &&
             pointSize == o.pointSize && textAlignment == o.textAlignment &&
             numberOfLines == o.numberOfLines && textRect == o.textRect;
    }
  };
  struct Line {
    CTLineRef line;
    CGFloat originY, ascent, descent, penOffset, width;
  };
  CTFramesetterRef framesetter;  // held, so that a new one never takes its address
  Geometry geometry;
  CGRect textRect{};
  bool framed = false;
  std::vector<Line> lines;  // the first n lines of the frame
};

// Steps 2 to 8.2 of the hit test below depend only on the framesetter and the geometry,
// so they are done once for each.
const TTTAttributedLabel::HitTestLayout& TTTAttributedLabel::hitTestLayout(CGRect labelBounds) {
  if (_needsFramesetter) framesetter();
  // Read without taking references: this runs for every point a finger passes over.
  auto* labelFont = objc_msgSend<UIFont*>(this, OBJC_SEL("font"));
  HitTestLayout::Geometry geometry{
      labelBounds,
      _textInsets,
      _verticalAlignment,
      labelFont ? labelFont->pointSize() : 0,
      textAlignment(),
      numberOfLines(),
      objc::lookUpImp(this, OBJC_SEL("textRectForBounds:limitedToNumberOfLines:"))};
  if (_hitTestLayout && _hitTestLayout->framesetter.get() == _framesetter.get() &&
      _hitTestLayout->geometry == geometry)
    return *_hitTestLayout;
  auto layout = std::make_shared<HitTestLayout>();
  CGRect R = textRectForBoundsLimitedToNumberOfLines(labelBounds, geometry.numberOfLines);
  CTFrameRef frame = CTFramesetterCreateFrame(
      _framesetter, CFRangeMake(0, static_cast<CFIndex>(_attributedText->length())),
      CGPathCreateWithRect(R, nullptr), nullptr);
  layout->textRect = R;
  layout->framed = frame != nullptr;
  if (frame) {
    CFArrayRef lines = CTFrameGetLines(frame);
    NSInteger count = static_cast<NSInteger>(lines->count());
    NSInteger limit = geometry.numberOfLines;
    NSInteger n = limit >= 1 && limit < count ? limit : count;
    std::vector<CGPoint> origins(static_cast<size_t>(n));
    if (n > 0) CTFrameGetLineOrigins(frame, CFRangeMake(0, n), origins.data());
    std::vector<CGFloat> flushes =
        TTTLineFlushFactors(lines, geometry.textAlignment, _attributedText);
    for (NSInteger i = 0; i < n; ++i) {
      HitTestLayout::Line l{
          lines->objectAtIndexAs<CTLine>(static_cast<NSUInteger>(i)), 0, 0, 0, 0, 0};
      l.originY = origins[static_cast<size_t>(i)].y;
      l.penOffset =
          CTLineGetPenOffsetForFlush(l.line, flushes[static_cast<size_t>(i)], R.size.width);
      CGFloat leading = 0;
      l.width = CTLineGetTypographicBounds(l.line, &l.ascent, &l.descent, &leading);
      layout->lines.push_back(std::move(l));
    }
  }
  layout->framesetter = _framesetter;
  layout->geometry = geometry;
  _hitTestLayout = std::move(layout);
  return *_hitTestLayout;
}

NSInteger TTTAttributedLabel::characterIndexAtPoint(CGPoint p) {
  CGRect labelBounds = bounds();
  if (!CGRectContainsPoint(labelBounds, p) || !_attributedText) return NSNotFound;
  const HitTestLayout& layout = hitTestLayout(labelBounds);
  const CGRect& R = layout.textRect;
  if (!CGRectContainsPoint(R, p) || !layout.framed || layout.lines.empty()) return NSNotFound;
  // Core Text space: y up from the bottom of the text rectangle.
  CGFloat x = p.x - R.origin.x;
  CGFloat y = R.size.height - (p.y - R.origin.y);
  for (const HitTestLayout::Line& line : layout.lines) {
    // Above this line: between lines, or above the text.
    if (y > std::ceil(line.originY + line.ascent)) return NSNotFound;
    if (y >= std::floor(line.originY - line.descent) && x >= line.penOffset &&
        x <= line.penOffset + line.width) {
      return CTLineGetStringIndexForPosition(line.line,
                                             CGPointMake(x - line.penOffset, y - line.originY));
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

std::vector<CGRect> TTTAttributedLabel::drawnRectsForCharacterRange(NSRange range) {
  std::vector<CGRect> rects;
  if (!_attributedText || range.length == 0) return rects;
  const HitTestLayout& layout = hitTestLayout(bounds());
  const CGRect& R = layout.textRect;
  auto first = static_cast<CFIndex>(range.location);
  CFIndex end = first + static_cast<CFIndex>(range.length);
  for (const HitTestLayout::Line& line : layout.lines) {
    CFRange lineRange = CTLineGetStringRange(line.line);
    if (lineRange.location >= end || lineRange.location + lineRange.length <= first) continue;
    // The glyphs of the range, wherever bidi put them along the line.
    CGFloat left = INFINITY, right = -INFINITY;
    for (const id& item : CTLineGetGlyphRuns(line.line)->objects()) {
      auto run = std::static_pointer_cast<CTRun>(item);
      CFIndex count = CTRunGetGlyphCount(run);
      std::vector<CFIndex> indices(static_cast<size_t>(count));
      std::vector<CGPoint> positions(static_cast<size_t>(count));
      std::vector<CGSize> advances(static_cast<size_t>(count));
      CTRunGetStringIndices(run, CFRangeMake(0, 0), indices.data());
      CTRunGetPositions(run, CFRangeMake(0, 0), positions.data());
      CTRunGetAdvances(run, CFRangeMake(0, 0), advances.data());
      for (size_t g = 0; g < indices.size(); ++g) {
        if (indices[g] < first || indices[g] >= end) continue;
        left = std::min(left, positions[g].x);
        right = std::max(right, positions[g].x + advances[g].width);
      }
    }
    if (left > right) continue;
    // Core Text space (y up from the bottom of R) back to the label's.
    CGFloat top = R.origin.y + R.size.height - (line.originY + line.ascent);
    CGFloat height = line.ascent + line.descent;
    rects.push_back(CGRectMake(R.origin.x + line.penOffset + left, top, right - left, height));
  }
  return rects;
}
