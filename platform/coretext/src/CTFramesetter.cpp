#include "CoreText/CTFramesetter.h"

#include <algorithm>
#include <mutex>

#include "Attributes.h"
#include "CoreText/CTLayoutRules.h"
#include "CoreText/CTStringAttributes.h"
#include "Engine.h"

OBJC_CLASS_IMPL(CTTypesetter) {}
OBJC_CLASS_IMPL(CTFramesetter) {}
OBJC_CLASS_IMPL(CTFrame) {}

struct CTFramesetter::Memo {
  std::mutex lock;  // a framesetter may be shared between threads
  struct Key {
    size_t start = 0, end = 0;
    double width = -1, height = -1;
    bool operator==(const Key&) const = default;
  };
  Key frameKey;
  CTFrameRef frame;  // with no frame attributes
  Key sizeKey;
  CGSize size{};
  size_t sizeVisibleEnd = 0;
};

CTFramesetter::CTFramesetter(CTTypesetterRef ts)
    : typesetter_(std::move(ts)), memo_(std::make_unique<Memo>()) {}

CTFramesetter::~CTFramesetter() = default;

namespace {

// [location, end) of a CFRange over `length` characters; false when outside.
bool resolve(CFRange range, size_t length, size_t& start, size_t& end) {
  if (range.location < 0 || range.length < 0) return false;
  size_t loc = static_cast<size_t>(range.location);
  if (loc > length) return false;
  size_t len = range.length == 0 ? length - loc : static_cast<size_t>(range.length);
  if (len > length - loc) return false;
  start = loc;
  end = loc + len;
  return true;
}

CTLineRef lineFor(const std::shared_ptr<const ct::LineData>& data) {
  return std::make_shared<CTLine>(data);
}

// The "…" token of a truncating paragraph style, in the attributes of the text it
// stands for.
CTLineRef ellipsisToken(const ct::TextSource& src, size_t at) {
  return CTLineCreateTruncationToken(
      objc_cast<NSDictionary>(src.styles[src.styleAt(at)].attributes));
}

}  // namespace

CTTypesetterRef CTTypesetterCreateWithAttributedString(const Strong<NSAttributedString>& string) {
  if (!string) return nullptr;
  return std::make_shared<CTTypesetter>(std::make_shared<ct::Typesetter>(ct::makeSource(*string)));
}

CTLineRef CTTypesetterCreateLine(const CTTypesetterRef& ts, CFRange range) {
  size_t a, b;
  if (!ts || !resolve(range, ts->engine()->length(), a, b)) return nullptr;
  return lineFor(std::make_shared<const ct::LineData>(ts->engine()->buildLine(a, b)));
}

CFIndex CTTypesetterSuggestLineBreak(const CTTypesetterRef& ts, CFIndex startIndex, double width) {
  if (!ts || startIndex < 0 || static_cast<size_t>(startIndex) >= ts->engine()->length()) return 0;
  size_t s = static_cast<size_t>(startIndex);
  return static_cast<CFIndex>(ts->engine()->suggestLineBreak(s, width, false) - s);
}

CFIndex CTTypesetterSuggestClusterBreak(const CTTypesetterRef& ts, CFIndex startIndex,
                                        double width) {
  if (!ts || startIndex < 0 || static_cast<size_t>(startIndex) >= ts->engine()->length()) return 0;
  size_t s = static_cast<size_t>(startIndex);
  return static_cast<CFIndex>(ts->engine()->suggestLineBreak(s, width, true) - s);
}

CTFramesetterRef CTFramesetterCreateWithAttributedString(const Strong<NSAttributedString>& string) {
  CTTypesetterRef ts = CTTypesetterCreateWithAttributedString(string);
  return ts ? std::make_shared<CTFramesetter>(ts) : nullptr;
}

CTTypesetterRef CTFramesetterGetTypesetter(const CTFramesetterRef& fs) {
  return fs ? fs->typesetter() : nullptr;
}

CGSize CTFramesetterSuggestFrameSizeWithConstraints(const CTFramesetterRef& fs, CFRange range,
                                                    const CFDictionaryRef&, CGSize constraints,
                                                    CFRange* fitRange) {
  size_t a, b;
  if (!fs || !resolve(range, fs->typesetter()->engine()->length(), a, b)) {
    if (fitRange) *fitRange = CFRangeMake(std::max<CFIndex>(range.location, 0), 0);
    return CGSizeZero;
  }
  CTFramesetter::Memo& memo = fs->memo();
  CTFramesetter::Memo::Key key{a, b, constraints.width, constraints.height};
  std::lock_guard guard(memo.lock);
  if (!(memo.sizeKey == key)) {
    ct::FrameLayout f =
        fs->typesetter()->engine()->layoutFrame(a, b, constraints.width, constraints.height);
    memo.sizeKey = key;
    memo.size = CGSizeMake(f.width, f.height);
    memo.sizeVisibleEnd = f.visibleEnd;
  }
  if (fitRange)
    *fitRange = CFRangeMake(static_cast<CFIndex>(a), static_cast<CFIndex>(memo.sizeVisibleEnd - a));
  return memo.size;
}

namespace {

CTFrameRef layOutFrame(const CTFramesetterRef& fs, size_t a, size_t b, CGRect box);

}  // namespace

CTFrameRef CTFramesetterCreateFrame(const CTFramesetterRef& fs, CFRange range,
                                    const CGPathRef& path, const CFDictionaryRef& attributes) {
  if (!fs) return nullptr;
  size_t a, b;
  if (!resolve(range, fs->typesetter()->engine()->length(), a, b)) return nullptr;
  CGRect box = path ? CGPathGetPathBoundingBox(path) : CGRectNull;
  CTFrameRef laidOut;
  if (CGRectIsNull(box)) {
    laidOut = layOutFrame(fs, a, b, box);
  } else {
    CTFramesetter::Memo& memo = fs->memo();
    CTFramesetter::Memo::Key key{a, b, box.size.width, box.size.height};
    std::lock_guard guard(memo.lock);
    if (!(memo.frameKey == key) || !memo.frame) {
      memo.frame = layOutFrame(fs, a, b, box);
      memo.frameKey = key;
    }
    laidOut = memo.frame;
  }
  // Lines and origins are shared; the frame itself is the caller's.
  auto frame = std::make_shared<CTFrame>();
  frame->path = path;
  frame->attributes = attributes;
  frame->stringRange = laidOut->stringRange;
  frame->visibleRange = laidOut->visibleRange;
  if (!CGRectIsNull(box)) frame->box = box;
  frame->lines = laidOut->lines;
  frame->origins = laidOut->origins;
  return frame;
}

namespace {

// Lines of [a, b) in a box; origins relative to the box's origin.
CTFrameRef layOutFrame(const CTFramesetterRef& fs, size_t a, size_t b, CGRect box) {
  const auto& engine = fs->typesetter()->engine();
  auto frame = std::make_shared<CTFrame>();
  frame->stringRange = CFRangeMake(static_cast<CFIndex>(a), static_cast<CFIndex>(b - a));
  frame->visibleRange = CFRangeMake(static_cast<CFIndex>(a), 0);
  std::vector<id> lines;
  if (!CGRectIsNull(box)) {
    frame->box = box;
    ct::FrameLayout f = engine->layoutFrame(a, b, box.size.width, box.size.height);
    const ct::TextSource& src = *engine->source();
    for (const ct::PlacedLine& pl : f.lines) {
      const ct::LineRecord& r = pl.record;
      const CTParagraphSettings& S = *engine->paragraphAt(r.start).settings;
      CTLineRef line =
          lineFor(std::make_shared<const ct::LineData>(engine->buildLine(r.start, r.end)));
      if (S.alignment == kCTTextAlignmentJustified && !r.lastInParagraph) {
        line = CTLineCreateJustifiedLine(line, 1.0, r.available);
      } else if (r.truncate) {
        CTLineTruncationType type =
            CTLineTruncationTypeForLineBreakMode(static_cast<CTLineBreakMode>(S.lineBreakMode));
        size_t at = CTTruncationTokenIndex(type, r.start, r.visibleEnd);
        CTLineRef t = CTLineCreateTruncatedLine(line, r.available, type, ellipsisToken(src, at));
        if (t) line = t;
      }
      lines.push_back(line);
      frame->origins.push_back(CGPointMake(pl.x, box.size.height - pl.baseline));
    }
    frame->visibleRange =
        CFRangeMake(static_cast<CFIndex>(a), static_cast<CFIndex>(f.visibleEnd - a));
  }
  frame->lines = std::make_shared<NSArray>(std::move(lines));
  return frame;
}

}  // namespace

CFRange CTFrameGetStringRange(const CTFrameRef& frame) {
  return frame ? frame->stringRange : CFRange{};
}
CFRange CTFrameGetVisibleStringRange(const CTFrameRef& frame) {
  return frame ? frame->visibleRange : CFRange{};
}
CGPathRef CTFrameGetPath(const CTFrameRef& frame) {
  return frame ? frame->path : nullptr;
}
CFDictionaryRef CTFrameGetFrameAttributes(const CTFrameRef& frame) {
  return frame ? frame->attributes : nullptr;
}
CFArrayRef CTFrameGetLines(const CTFrameRef& frame) {
  return frame ? frame->lines : NSArray::array();
}

void CTFrameGetLineOrigins(const CTFrameRef& frame, CFRange range, CGPoint origins[]) {
  if (!frame || !origins) return;
  size_t a, b;
  if (!resolve(range, frame->origins.size(), a, b)) return;
  std::copy(frame->origins.begin() + static_cast<std::ptrdiff_t>(a),
            frame->origins.begin() + static_cast<std::ptrdiff_t>(b), origins);
}

void CTFrameDraw(const CTFrameRef& frame, const CGContextRef& context) {
  if (!frame || !context) return;
  for (size_t i = 0; i < frame->origins.size(); ++i) {
    CGContextSetTextPosition(context, frame->box.origin.x + frame->origins[i].x,
                             frame->box.origin.y + frame->origins[i].y);
    CTLineDraw(frame->lines->objectAtIndexAs<CTLine>(i), context);
  }
}
