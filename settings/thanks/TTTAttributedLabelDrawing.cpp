// Drawing: font shrinking, the flipped context and text rectangle, shadows, the
// highlighted colour, then per frame background boxes, lines (the last one truncated
// with a token) and strike-outs.
#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <vector>

#include "Foundation/NSCharacterSet.h"
#include "Foundation/NSNumber.h"
#include "Foundation/NSValue.h"
#include "TTTAttributedLabelInternal.h"
#include "UIKit/UIBezierPath.h"
#include "UIKit/UIGraphics.h"

const Strong<NSString> kTTTStrikeOutAttributeName = NSSTR("TTTStrikeOutAttribute");
const Strong<NSString> kTTTBackgroundFillColorAttributeName = NSSTR("TTTBackgroundFillColor");
const Strong<NSString> kTTTBackgroundFillPaddingAttributeName = NSSTR("TTTBackgroundFillPadding");
const Strong<NSString> kTTTBackgroundStrokeColorAttributeName = NSSTR("TTTBackgroundStrokeColor");
const Strong<NSString> kTTTBackgroundLineWidthAttributeName = NSSTR("TTTBackgroundLineWidth");
const Strong<NSString> kTTTBackgroundCornerRadiusAttributeName = NSSTR("TTTBackgroundCornerRadius");

namespace {

constexpr const char16_t* kDefaultTruncationToken = u"\u2026";
// Boxes reach one point past the run on either side.
constexpr CGFloat kBoxHorizontalOutset = -1.0;

// Numbers a box attribute carries, read in single precision; 0 when absent.
CGFloat floatAttribute(const Strong<NSDictionary>& attributes, const Strong<NSString>& key) {
  auto number = objc_cast<NSNumber>(attributes->objectForKey(key));
  return number ? static_cast<double>(number->floatValue()) : 0.0;
}

bool boolAttribute(const id& value) {
  if (auto number = objc_cast<NSNumber>(value)) return number->boolValue();
  if (auto string = objc_cast<NSString>(value)) return string->boolValue();
  return false;
}

// Where a run starts along its line: a left-to-right run at its string start, a
// right-to-left one at its string end. That end is the run's left edge in a
// right-to-left line; in a left-to-right line the caret there belongs to the text after
// the run, on its right, so the nearer of the two ends is taken.
CGFloat runOffset(const CTLineRef& line, const CTRunRef& run) {
  CFRange r = CTRunGetStringRange(run);
  CGFloat start = CTLineGetOffsetForStringIndex(line, r.location, nullptr);
  if (CTRunGetStatus(run) != kCTRunStatusRightToLeft) return start;
  return std::min(CTLineGetOffsetForStringIndex(line, r.location + r.length, nullptr), start);
}

// Whether any run of the string carries one of the keys.
bool carriesAny(const Strong<NSAttributedString>& string,
                std::initializer_list<const Strong<NSString>*> keys) {
  if (!string) return false;
  for (NSUInteger i = 0, n = string->length(); i < n;) {
    NSRange run{};
    Strong<NSDictionary> attributes = string->attributesAtIndexEffectiveRange(i, &run);
    for (const Strong<NSString>* key : keys)
      if (attributes->objectForKey(*key)) return true;
    i = std::max(NSMaxRange(run), i + 1);
  }
  return false;
}

std::vector<CGPoint> originsOf(const CTFrameRef& frame, CFIndex count) {
  std::vector<CGPoint> origins(static_cast<size_t>(count));
  if (count > 0) CTFrameGetLineOrigins(frame, CFRangeMake(0, count), origins.data());
  return origins;
}

// What a run's attributes ask of its background box, absent values as zeros.
struct BoxStyle {
  CGColorRef stroke, fill;
  UIEdgeInsets padding{};
  CGFloat cornerRadius = 0, lineWidth = 0;
  static BoxStyle of(const Strong<NSDictionary>& a) {
    BoxStyle b;
    b.stroke = CTColorFromAttributeValue(a->objectForKey(kTTTBackgroundStrokeColorAttributeName));
    b.fill = CTColorFromAttributeValue(a->objectForKey(kTTTBackgroundFillColorAttributeName));
    b.padding = UIEdgeInsetsValue(
        objc_cast<NSValue>(a->objectForKey(kTTTBackgroundFillPaddingAttributeName)).get());
    b.cornerRadius = floatAttribute(a, kTTTBackgroundCornerRadiusAttributeName);
    b.lineWidth = floatAttribute(a, kTTTBackgroundLineWidthAttributeName);
    return b;
  }
};

// What a run's attributes ask of its strike-out; opaque black without a colour.
struct StrikeStyle {
  bool strike = false;
  CGColorRef color;
  static StrikeStyle of(const Strong<NSDictionary>& a) {
    StrikeStyle s;
    s.strike = boolAttribute(a->objectForKey(kTTTStrikeOutAttributeName));
    if (s.strike) {
      id value = a->objectForKey(kCTForegroundColorAttributeName);
      s.color = value ? CTColorFromAttributeValue(value) : CGColorCreateGenericGray(0.0, 1.0);
    }
    return s;
  }
};

// The runs of one attribute run share their dictionary (the frame keeps it alive), so
// one pass reads each dictionary once.
template <class Style>
struct StyleMemo {
  const NSDictionary* last = nullptr;
  Style style;
  const Style& of(const Strong<NSDictionary>& attributes) {
    if (attributes.get() != last) style = Style::of(attributes), last = attributes.get();
    return style;
  }
};

// One glyph run of a frame with where its line sits in the text rectangle.
struct PlacedRun {
  const CTLineRef& line;
  const CTRunRef& run;
  CGFloat penOffset;  // of the line, for the flush
  CGFloat baseline;   // the line's origin
  CGFloat lineWidth;  // the line's typographic width
  // Where the run starts across the rectangle.
  CGFloat x() const { return penOffset + runOffset(line, run); }
};

// Calls fn with every glyph run of every line of the frame that `wants` it, in order;
// the line origins are already in the text rectangle's space. Where runs sit is worked
// out only once a run is wanted: most frames carry no boxes and no strike-outs, and a
// redraw should not pay for placing their runs.
template <class Wants, class Fn>
void forEachPlacedRun(const CTFrameRef& frame, NSInteger alignment,
                      const Strong<NSAttributedString>& string, CGFloat width, Wants&& wants,
                      Fn&& fn) {
  CFArrayRef lines = CTFrameGetLines(frame);
  std::vector<CGPoint> origins;
  std::vector<CGFloat> flushes;
  for (NSUInteger i = 0; i < lines->count(); ++i) {
    CTLineRef line = lines->objectAtIndexAs<CTLine>(i);
    bool placed = false;
    CGFloat lineWidth = 0, penOffset = 0;
    for (const id& item : CTLineGetGlyphRuns(line)->objects()) {
      auto run = std::static_pointer_cast<CTRun>(item);
      if (!wants(run)) continue;
      if (origins.empty()) {
        origins = originsOf(frame, static_cast<CFIndex>(lines->count()));
        flushes = TTTLineFlushFactors(lines, alignment, string);
      }
      if (!placed) {
        lineWidth = CTLineGetTypographicBounds(line, nullptr, nullptr, nullptr);
        penOffset = CTLineGetPenOffsetForFlush(line, flushes[i], width);
        placed = true;
      }
      fn(PlacedRun{line, run, penOffset, origins[i].y, lineWidth});
    }
  }
}

CTFontRef scaledFont(const id& value, CGFloat scale) {
  Strong<NSString> name;
  CGFloat size = 0;
  if (auto ui = objc_cast<UIFont>(value)) {
    name = ui->fontName(), size = ui->pointSize();
  } else if (auto ct = objc_cast<CTFont>(value)) {
    name = CTFontCopyName(ct, kCTFontPostScriptNameKey), size = CTFontGetSize(ct);
  } else {
    return nullptr;
  }
  // A size of 0 would mean the default 12 points: never let shrinking grow a font.
  return CTFontCreateWithName(name, std::max<CGFloat>(std::floor(size * scale), 1), nullptr);
}

}  // namespace

Strong<NSAttributedString> TTTAttributedStringWithScaledFonts(
    const Strong<NSAttributedString>& string, CGFloat scale) {
  auto scaled = string->mutableCopy();
  string->enumerateAttributeInRangeOptionsUsingBlock(
      kCTFontAttributeName, NSMakeRange(0, string->length()), 0,
      [&](const id& value, NSRange range, BOOL*) {
        CTFontRef font = value ? scaledFont(value, scale) : nullptr;
        if (!font) return;
        scaled->removeAttributeRange(kCTFontAttributeName, range);
        scaled->addAttributeValueRange(kCTFontAttributeName, font, range);
      });
  return scaled;
}

void TTTAttributedLabelMethods::drawTextInRect(NSObject* self, SEL cmd, CGRect rect) {
  TTTAttributedLabel* label = l(self);
  CGRect insetRect = UIEdgeInsetsInsetRect(rect, label->_textInsets);
  if (!label->_attributedText) {
    UIViewSendSuper<void>(UILabel::class_(), self, cmd, insetRect);
    return;
  }
  CGContextRef c = UIGraphicsGetCurrentContext();
  if (!c) return;
  NSInteger lines = label->numberOfLines();

  Strong<NSAttributedString> saved;
  if (label->adjustsFontSizeToFitWidth() && lines >= 1) {
    CGSize probe =
        lines > 1 ? CGSizeMake(TTTUnboundedDimension, TTTUnboundedDimension) : CGSizeZero;
    CGFloat textWidth = label->sizeThatFits(probe).width;
    if (lines >= 2 && label->lineBreakMode() == TTTLineBreakByWordWrapping)
      textWidth *= TTTWordWrapWidthFactor;
    CGFloat availableWidth = label->frame().size.width * static_cast<CGFloat>(lines);
    if (textWidth > availableWidth && textWidth > 0) {
      saved = label->_attributedText;
      CGFloat scale = availableWidth / textWidth;
      if (label->respondsToSelector(OBJC_SEL("minimumScaleFactor")) &&
          label->minimumScaleFactor() > scale)
        scale = label->minimumScaleFactor();
      // Sent, not called: a subclass or a hook that overrides the setter sees the shrunk
      // text as it would any other.
      Strong<NSAttributedString> shrunk =
          TTTAttributedStringWithScaledFonts(label->_attributedText, scale);
      objc_msgSend(label, OBJC_SEL("setAttributedText:"), shrunk.get());
    }
  }

  CGContextSaveGState(c);
  CGContextSetTextMatrix(c, CGAffineTransformIdentity);
  CGContextTranslateCTM(c, 0, insetRect.size.height);
  CGContextScaleCTM(c, 1, -1);
  CFRange textRange = CFRangeMake(0, static_cast<CFIndex>(label->_attributedText->length()));
  CGRect textRect = label->textRectForBoundsLimitedToNumberOfLines(rect, lines);
  CGContextTranslateCTM(c, insetRect.origin.x,
                        insetRect.size.height - textRect.origin.y - textRect.size.height);

  bool highlighted = label->isHighlighted();
  if (label->shadowColor() && !highlighted) {
    CGContextSetShadowWithColor(c, label->shadowOffset(), label->_shadowRadius,
                                label->shadowColor()->CGColor());
  } else if (label->_highlightedShadowColor) {
    CGContextSetShadowWithColor(c, label->_highlightedShadowOffset, label->_highlightedShadowRadius,
                                label->_highlightedShadowColor->CGColor());
  }

  Strong<UIColor> highlightColor = label->highlightedTextColor();
  if (highlightColor && highlighted) {
    auto colored = label->renderedAttributedText()->mutableCopy();
    colored->addAttributeValueRange(kCTForegroundColorAttributeName, highlightColor->CGColor(),
                                    NSMakeRange(0, colored->length()));
    if (!label->highlightFramesetter())
      label->setHighlightFramesetter(CTFramesetterCreateWithAttributedString(colored));
    label->drawFramesetterAttributedStringTextRangeInRectContext(label->highlightFramesetter(),
                                                                 colored, textRange, textRect, c);
  } else {
    label->drawFramesetterAttributedStringTextRangeInRectContext(
        label->framesetter(), label->renderedAttributedText(), textRange, textRect, c);
  }

  // The shrunk layout stays cached; only the text the caller set comes back.
  if (saved) label->_attributedText = saved;
  CGContextRestoreGState(c);
}

void TTTAttributedLabel::drawFramesetterAttributedStringTextRangeInRectContext(
    const CTFramesetterRef& framesetter, const Strong<NSAttributedString>& string,
    CFRange textRange, CGRect rect, const CGContextRef& c) {
  CTFrameRef frame = CTFramesetterCreateFrame(framesetter, textRange,
                                              CGPathCreateWithRect(rect, nullptr), nullptr);
  if (!frame) return;
  // Most texts carry no boxes and no strike-outs: a redraw need not walk the frame's runs
  // to find that out.
  if (carriesAny(string,
                 {&kTTTBackgroundFillColorAttributeName, &kTTTBackgroundStrokeColorAttributeName}))
    drawBackgroundInRectContext(frame, rect, c);

  CFArrayRef lines = CTFrameGetLines(frame);
  NSInteger count = static_cast<NSInteger>(lines->count());
  NSInteger limit = numberOfLines();
  NSInteger n = limit >= 1 && limit < count ? limit : count;
  NSInteger mode = lineBreakMode();
  bool truncates = mode == TTTLineBreakByTruncatingHead || mode == TTTLineBreakByTruncatingMiddle ||
                   mode == TTTLineBreakByTruncatingTail;
  std::vector<CGFloat> flushes = TTTLineFlushFactors(lines, textAlignment(), string);
  CGFloat fontDescender = font()->descender();
  std::vector<CGPoint> origins = originsOf(frame, n);

  for (NSInteger i = 0; i < n; ++i) {
    CTLineRef line = lines->objectAtIndexAs<CTLine>(static_cast<NSUInteger>(i));
    CGFloat y0 = std::ceil(origins[static_cast<size_t>(i)].y);
    CGFloat descent = 0;
    CTLineGetTypographicBounds(line, nullptr, &descent, nullptr);
    CFRange r = CTLineGetStringRange(line);
    CGFloat flush = flushes[static_cast<size_t>(i)];
    if (i == n - 1 && truncates && !(r.location == 0 && r.length == 0) &&
        r.location + r.length < textRange.location + textRange.length) {
      drawTruncatedLine(line, string, flush, rect, y0, descent, n, c);
      continue;
    }
    CGFloat penOffset = CTLineGetPenOffsetForFlush(line, flush, rect.size.width);
    CGContextSetTextPosition(c, penOffset, y0 - descent - fontDescender);
    CTLineDraw(line, c);
  }
  if (carriesAny(string, {&kTTTStrikeOutAttributeName})) drawStrikeInRectContext(frame, rect, c);
}

void TTTAttributedLabel::drawTruncatedLine(const CTLineRef& line,
                                           const Strong<NSAttributedString>& string, CGFloat flush,
                                           CGRect rect, CGFloat y0, CGFloat descent,
                                           NSInteger numberOfLinesDrawn, const CGContextRef& c) {
  CFRange r = CTLineGetStringRange(line);
  NSInteger mode = numberOfLinesDrawn == 1 ? lineBreakMode() : TTTLineBreakByTruncatingTail;
  CTLineTruncationType type = kCTLineTruncationEnd;
  CFIndex position = r.location + r.length - 1;
  if (mode == TTTLineBreakByTruncatingHead) {
    type = kCTLineTruncationStart, position = r.location;
  } else if (mode == TTTLineBreakByTruncatingMiddle) {
    type = kCTLineTruncationMiddle, position = r.location + r.length / 2;
  }

  Strong<NSString> tokenText = _truncationTokenString
                                   ? _truncationTokenString
                                   : NSString::stringWithCharacters(kDefaultTruncationToken);
  Strong<NSDictionary> tokenAttributes =
      _truncationTokenStringAttributes
          ? _truncationTokenStringAttributes
          : string->attributesAtIndexEffectiveRange(static_cast<NSUInteger>(position), nullptr);
  auto token = NSAttributedString::initWithStringAttributes(tokenText, tokenAttributes);
  CTLineRef tokenLine = CTLineCreateWithAttributedString(token);

  auto last = string
                  ->attributedSubstringFromRange(NSMakeRange(static_cast<NSUInteger>(r.location),
                                                             static_cast<NSUInteger>(r.length)))
                  ->mutableCopy();
  NSUInteger length = last->length();
  if (length > 0 &&
      NSCharacterSet::newlineCharacterSet()->characterIsMember(last->characters()[length - 1]))
    last->deleteCharactersInRange(NSMakeRange(length - 1, 1));
  // The token shows once, where the mode puts it. A line too wide for the rectangle is
  // cut at its start or middle with the token there; only a line that fits (the text
  // goes on after it) carries the token at its end, whatever the mode.
  // (The frame's own line may be cut already: measure the text itself.)
  bool fits = false;
  if (type != kCTLineTruncationEnd) {
    CTLineRef whole = CTLineCreateWithAttributedString(last);
    fits = CTLineGetTypographicBounds(whole, nullptr, nullptr, nullptr) -
               CTLineGetTrailingWhitespaceWidth(whole) <=
           rect.size.width;
  }
  if (type == kCTLineTruncationEnd || fits) {
    type = kCTLineTruncationEnd;
    last->appendAttributedString(token);
  }

  CTLineRef truncated = CTLineCreateTruncatedLine(CTLineCreateWithAttributedString(last),
                                                  rect.size.width, type, tokenLine);
  if (!truncated) truncated = tokenLine;
  CGFloat penOffset = CTLineGetPenOffsetForFlush(truncated, flush, rect.size.width);
  CGContextSetTextPosition(c, penOffset, y0 - descent - font()->descender());
  CTLineDraw(truncated, c);
}

void TTTAttributedLabel::drawBackgroundInRectContext(const CTFrameRef& frame, CGRect rect,
                                                     const CGContextRef& c) {
  StyleMemo<BoxStyle> boxes;
  auto boxed = [&](const CTRunRef& run) {
    const BoxStyle& style = boxes.of(CTRunGetAttributes(run));
    return style.fill || style.stroke;
  };
  auto drawBox = [&](const PlacedRun& placed) {
    const BoxStyle& style = boxes.of(CTRunGetAttributes(placed.run));
    const CGColorRef& stroke = style.stroke;
    const CGColorRef& fill = style.fill;
    UIEdgeInsets padding = style.padding;

    CGFloat runAscent = 0, runDescent = 0;
    CGFloat runWidth =
        CTRunGetTypographicBounds(placed.run, CFRangeMake(0, 0), &runAscent, &runDescent, nullptr);
    CGRect box;
    box.size.width = runWidth + padding.left + padding.right;
    box.size.height = runAscent + runDescent + padding.top + padding.bottom;
    box.origin.x = placed.x() - padding.left;
    box.origin.y = placed.baseline - padding.bottom - runDescent;
    box.size.width = std::min(box.size.width, std::fabs(placed.lineWidth));

    CGRect pathRect =
        CGRectInset(CGRectInset(box, kBoxHorizontalOutset, 0.0), style.lineWidth, style.lineWidth);
    // A line width past half the box leaves no box to draw.
    if (CGRectIsNull(pathRect)) return;
    CGPathRef path =
        UIBezierPath::bezierPathWithRoundedRectCornerRadius(pathRect, style.cornerRadius)->CGPath();
    CGContextSetLineJoin(c, kCGLineJoinRound);
    if (fill) {
      CGContextSetFillColorWithColor(c, fill);
      CGContextAddPath(c, path);
      CGContextFillPath(c);
    }
    if (stroke) {
      // A given line width is the outline's width as well as its inset; without one the
      // context's width stands.
      CGContextSaveGState(c);
      if (style.lineWidth > 0) CGContextSetLineWidth(c, style.lineWidth);
      CGContextSetStrokeColorWithColor(c, stroke);
      CGContextAddPath(c, path);
      CGContextStrokePath(c);
      CGContextRestoreGState(c);
    }
  };
  forEachPlacedRun(frame, textAlignment(), _attributedText, rect.size.width, boxed, drawBox);
}

void TTTAttributedLabel::drawStrikeInRectContext(const CTFrameRef& frame, CGRect rect,
                                                 const CGContextRef& c) {
  // The label font's underline thickness, looked up for the first strike only: most
  // frames have none.
  CGFloat thickness = -1;
  auto strikeThickness = [&] {
    if (thickness < 0) {
      Strong<UIFont> labelFont = font();
      thickness = CTFontGetUnderlineThickness(
          CTFontCreateWithName(labelFont->fontName(), labelFont->pointSize(), nullptr));
    }
    return thickness;
  };
  StyleMemo<StrikeStyle> strikes;
  auto struck = [&](const CTRunRef& run) { return strikes.of(CTRunGetAttributes(run)).strike; };
  auto drawStrike = [&](const PlacedRun& placed) {
    const StrikeStyle& marked = strikes.of(CTRunGetAttributes(placed.run));

    CGFloat runAscent = 0, runDescent = 0;
    CGFloat runWidth =
        CTRunGetTypographicBounds(placed.run, CFRangeMake(0, 0), &runAscent, &runDescent, nullptr);
    runWidth = std::min(runWidth, placed.lineWidth);
    CGFloat x = placed.x();
    // The typesetter raises a superscript and lowers a subscript, and the run's ascent
    // and descent move with it: the middle of those is the middle of its glyphs, with
    // no further correction for the style.
    CGFloat y = placed.baseline - runDescent;

    CGContextSetStrokeColorWithColor(c, marked.color);
    CGContextSetLineWidth(c, strikeThickness());
    CGFloat strikeY = std::round(y + (runAscent + runDescent) * 0.5);
    CGContextMoveToPoint(c, x, strikeY);
    CGContextAddLineToPoint(c, x + runWidth, strikeY);
    CGContextStrokePath(c);
  };
  forEachPlacedRun(frame, textAlignment(), _attributedText, rect.size.width, struck, drawStrike);
}
