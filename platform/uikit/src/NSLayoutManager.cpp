#include "UIKit/NSLayoutManager.h"

#include <algorithm>
#include <cmath>

#include "CoreGraphics/CGPath.h"
#include "CoreText/CTLine.h"

OBJC_CLASS_IMPL(NSLayoutManager) {}

namespace {
// A container without height lays out everything.
constexpr CGFloat kUnbounded = 100000;
}  // namespace

void NSLayoutManager::setTextStorage(const Strong<NSTextStorage>& storage) {
  storage_ = storage;
  invalidateLayout();
}

void NSLayoutManager::addTextContainer(const Strong<NSTextContainer>& container) {
  if (!container) return;
  containers_.push_back(container);
  container->setLayoutManager(retainedSelf<NSLayoutManager>());
  invalidateLayout();
}

void NSLayoutManager::invalidateLayout() {
  framesetter_ = nullptr;
  frame_ = nullptr;
}

NSUInteger NSLayoutManager::numberOfGlyphs() const {
  auto s = textStorage();
  return s ? s->length() : 0;
}

NSRange NSLayoutManager::wholeClusters(NSRange range) const {
  auto s = textStorage();
  NSUInteger n = s ? s->length() : 0;
  NSUInteger a = std::min<NSUInteger>(range.location, n);
  NSUInteger b = std::min<NSUInteger>(NSMaxRange(range), n);
  if (!s) return NSMakeRange(a, b - a);
  const std::u16string& t = s->characters();
  // Marks and the low half of a pair belong to the character before them.
  auto inside = [&](NSUInteger i) {
    if (i == 0 || i >= n) return false;
    char16_t c = t[i];
    return (c >= 0xDC00 && c <= 0xDFFF) || (c >= 0x0300 && c <= 0x036F) || c == 0x200D ||
           (c >= 0xFE00 && c <= 0xFE0F);
  };
  while (inside(a)) --a;
  while (b > a && inside(b)) ++b;
  return NSMakeRange(a, b - a);
}

NSRange NSLayoutManager::characterRangeForGlyphRangeActualGlyphRange(NSRange glyphRange,
                                                                     NSRangePointer actual) {
  NSRange r = wholeClusters(glyphRange);
  if (actual) *actual = r;
  return r;
}

NSRange NSLayoutManager::glyphRangeForCharacterRangeActualCharacterRange(NSRange charRange,
                                                                         NSRangePointer actual) {
  NSRange r = wholeClusters(charRange);
  if (actual) *actual = r;
  return r;
}

CTFrameRef NSLayoutManager::frameFor(const Strong<NSTextContainer>& container) {
  auto s = textStorage();
  if (!s || !container) return nullptr;
  CGSize size = container->size();
  CGFloat pad = container->lineFragmentPadding();
  if (frame_ && frameSize_ == size && framePadding_ == pad) return frame_;
  if (!framesetter_) framesetter_ = CTFramesetterCreateWithAttributedString(s->copy());
  CGFloat w = std::max<CGFloat>(0, size.width - 2 * pad);
  CGFloat h = size.height > 0 ? size.height : kUnbounded;
  frame_ = CTFramesetterCreateFrame(framesetter_, CFRangeMake(0, 0),
                                    CGPathCreateWithRect(CGRectMake(0, 0, w, h), nullptr), nullptr);
  frameSize_ = size;
  framePadding_ = pad;
  return frame_;
}

CGRect NSLayoutManager::boundingRectForGlyphRangeInTextContainer(
    NSRange glyphRange, const Strong<NSTextContainer>& container) {
  CTFrameRef frame = frameFor(container);
  if (!frame) return CGRectZero;
  NSRange r = wholeClusters(glyphRange);
  auto lines = CTFrameGetLines(frame);
  std::vector<CGPoint> origins(lines->count());
  CTFrameGetLineOrigins(frame, CFRangeMake(0, 0), origins.data());
  CGFloat h = CGPathGetPathBoundingBox(CTFrameGetPath(frame)).size.height;
  CGFloat pad = container->lineFragmentPadding();
  bool any = false;
  CGRect out = CGRectZero;
  for (NSUInteger i = 0; i < lines->count(); ++i) {
    auto line = lines->objectAtIndexAs<CTLine>(i);
    CFRange lr = CTLineGetStringRange(line);
    NSUInteger a = std::max<NSUInteger>(r.location, static_cast<NSUInteger>(lr.location));
    NSUInteger b =
        std::min<NSUInteger>(NSMaxRange(r), static_cast<NSUInteger>(lr.location + lr.length));
    // An empty range still has a place: the caret where it starts.
    bool hit = a < b || (r.length == 0 && r.location >= static_cast<NSUInteger>(lr.location) &&
                         r.location < static_cast<NSUInteger>(lr.location + lr.length));
    if (!hit) continue;
    CGFloat asc, desc, lead;
    CTLineGetTypographicBounds(line, &asc, &desc, &lead);
    // The extent of the characters: the carets at every boundary inside the range
    // (right-to-left text puts the range's ends anywhere on the line).
    CGFloat lo = INFINITY, hi = -INFINITY;
    for (NSUInteger k = a; k <= b; ++k) {
      CGFloat sec;
      CGFloat x = CTLineGetOffsetForStringIndex(line, static_cast<CFIndex>(k), &sec);
      lo = std::min({lo, x, sec});
      hi = std::max({hi, x, sec});
    }
    CGFloat x0 = pad + origins[i].x + lo;
    CGFloat top = h - origins[i].y - asc;
    CGRect rect = CGRectMake(x0, top, hi - lo, asc + desc + lead);
    out = any ? CGRectUnion(out, rect) : rect;
    any = true;
  }
  return any ? out : CGRectZero;
}

CGRect NSLayoutManager::usedRectForTextContainer(const Strong<NSTextContainer>& container) {
  auto s = textStorage();
  if (!s) return CGRectZero;
  return boundingRectForGlyphRangeInTextContainer(NSMakeRange(0, s->length()), container);
}
