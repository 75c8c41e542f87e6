#include "CoreText/CTLine.h"

#include <algorithm>
#include <cmath>

#include "Attributes.h"
#include "CoreText/CTFont.h"
#include "CoreText/CTTypesetter.h"
#include "Engine.h"
#include "Painter.h"

OBJC_CLASS_IMPL(CTRun) {}
OBJC_CLASS_IMPL(CTLine) {}

namespace {

constexpr double kEpsilon = 1e-6;

using ct::LineData;
using ct::RunData;

const RunData* runData(const CTRunRef& run) {
  if (!run) return nullptr;
  const LineData& L = run->line();
  return run->index() < L.runs.size() ? &L.runs[run->index()] : nullptr;
}

// [first, first + count) of a glyph range, length 0 meaning to the end; false when the
// range lies outside the run.
bool glyphSpan(const RunData& r, CFRange range, size_t& first, size_t& count) {
  CFIndex n = static_cast<CFIndex>(r.glyphs.size());
  if (range.location < 0 || range.length < 0 || range.location > n) return false;
  CFIndex len = range.length == 0 ? n - range.location : range.length;
  if (len > n - range.location) return false;
  first = static_cast<size_t>(range.location);
  count = static_cast<size_t>(len);
  return true;
}

std::vector<RunData> logicalRuns(const LineData& L) {
  std::vector<RunData> runs = L.runs;
  std::stable_sort(runs.begin(), runs.end(),
                   [](const RunData& a, const RunData& b) { return a.start < b.start; });
  return runs;
}

// Advance of the characters [a, b) over the line's runs (logical order).
double advance(const std::vector<RunData>& runs, size_t a, size_t b) {
  double w = 0;
  for (const RunData& r : runs) {
    if (r.token) continue;
    size_t s = std::max(a, r.start), e = std::min(b, r.end);
    if (s < e) w += r.charX[e - r.start] - r.charX[s - r.start];
  }
  return w;
}

// Characters [a, b) of the runs, cut from them in logical order.
void appendSlices(const std::vector<RunData>& runs, size_t a, size_t b, std::vector<RunData>& out) {
  for (const RunData& r : runs) {
    if (r.token) continue;
    size_t s = std::max(a, r.start), e = std::min(b, r.end);
    if (s < e) out.push_back(ct::sliceRun(r, s, e));
  }
}

CTLineRef makeLine(LineData data) {
  return std::make_shared<CTLine>(std::make_shared<const LineData>(std::move(data)));
}

}  // namespace

CTRun::CTRun(std::shared_ptr<const ct::LineData> line, size_t index)
    : line_(std::move(line)), index_(index) {
  attributes_ = ct::runAttributes(line_->runs[index_]);
}

CTLine::CTLine(std::shared_ptr<const ct::LineData> data) : data_(std::move(data)) {
  std::vector<id> runs;
  for (size_t i = 0; i < data_->runs.size(); ++i) runs.push_back(std::make_shared<CTRun>(data_, i));
  runs_ = std::make_shared<NSArray>(std::move(runs));
}

// Runs

CFDictionaryRef CTRunGetAttributes(const CTRunRef& run) {
  return run ? run->attributes() : NSDictionary::dictionary();
}

CTRunStatus CTRunGetStatus(const CTRunRef& run) {
  const RunData* r = runData(run);
  if (!r) return kCTRunStatusNoStatus;
  uint32_t s = r->rightToLeft() ? 1u : 0u;
  for (size_t k = 1; k < r->indices.size(); ++k) {
    bool ordered =
        r->rightToLeft() ? r->indices[k] <= r->indices[k - 1] : r->indices[k] >= r->indices[k - 1];
    if (!ordered) {
      s |= kCTRunStatusNonMonotonic;
      break;
    }
  }
  return static_cast<CTRunStatus>(s);
}

CFIndex CTRunGetGlyphCount(const CTRunRef& run) {
  const RunData* r = runData(run);
  return r ? static_cast<CFIndex>(r->glyphs.size()) : 0;
}

CFRange CTRunGetStringRange(const CTRunRef& run) {
  const RunData* r = runData(run);
  if (!r) return {};
  return CFRangeMake(static_cast<CFIndex>(r->start), static_cast<CFIndex>(r->end - r->start));
}

void CTRunGetGlyphs(const CTRunRef& run, CFRange range, CGGlyph* buffer) {
  const RunData* r = runData(run);
  size_t first, count;
  if (!r || !buffer || !glyphSpan(*r, range, first, count)) return;
  for (size_t k = 0; k < count; ++k) buffer[k] = static_cast<CGGlyph>(r->glyphs[first + k]);
}

void CTRunGetPositions(const CTRunRef& run, CFRange range, CGPoint* buffer) {
  const RunData* r = runData(run);
  size_t first, count;
  if (!r || !buffer || !glyphSpan(*r, range, first, count)) return;
  for (size_t k = 0; k < count; ++k) buffer[k] = CGPointMake(r->xs[first + k], r->ys[first + k]);
}

void CTRunGetAdvances(const CTRunRef& run, CFRange range, CGSize* buffer) {
  const RunData* r = runData(run);
  size_t first, count;
  if (!r || !buffer || !glyphSpan(*r, range, first, count)) return;
  for (size_t k = 0; k < count; ++k) buffer[k] = CGSizeMake(r->advances[first + k], 0);
}

void CTRunGetStringIndices(const CTRunRef& run, CFRange range, CFIndex* buffer) {
  const RunData* r = runData(run);
  size_t first, count;
  if (!r || !buffer || !glyphSpan(*r, range, first, count)) return;
  for (size_t k = 0; k < count; ++k) buffer[k] = static_cast<CFIndex>(r->indices[first + k]);
}

double CTRunGetTypographicBounds(const CTRunRef& run, CFRange range, CGFloat* ascent,
                                 CGFloat* descent, CGFloat* leading) {
  const RunData* r = runData(run);
  size_t first, count;
  if (!r || !glyphSpan(*r, range, first, count)) {
    if (ascent) *ascent = 0;
    if (descent) *descent = 0;
    if (leading) *leading = 0;
    return 0;
  }
  if (ascent) *ascent = r->ascent();
  if (descent) *descent = r->descent();
  if (leading) *leading = r->leading();
  if (first == 0 && count == r->glyphs.size()) return r->width;
  double w = 0;
  for (size_t k = 0; k < count; ++k) w += r->advances[first + k];
  return w;
}

CGAffineTransform CTRunGetTextMatrix(const CTRunRef&) {
  return CGAffineTransform{};
}

// Lines

CTLineRef CTLineCreateWithAttributedString(const Strong<NSAttributedString>& string) {
  if (!string) return nullptr;
  ct::Typesetter ts(ct::makeSource(*string));
  return makeLine(ts.buildLine(0, string->length()));
}

CFIndex CTLineGetGlyphCount(const CTLineRef& line) {
  if (!line) return 0;
  size_t n = 0;
  for (const RunData& r : line->data()->runs) n += r.glyphs.size();
  return static_cast<CFIndex>(n);
}

CFArrayRef CTLineGetGlyphRuns(const CTLineRef& line) {
  return line ? line->runs() : NSArray::array();
}

CFRange CTLineGetStringRange(const CTLineRef& line) {
  if (!line) return {};
  const LineData& L = *line->data();
  return CFRangeMake(static_cast<CFIndex>(L.start), static_cast<CFIndex>(L.end - L.start));
}

double CTLineGetTypographicBounds(const CTLineRef& line, CGFloat* ascent, CGFloat* descent,
                                  CGFloat* leading) {
  const LineData* L = line ? line->data().get() : nullptr;
  if (ascent) *ascent = L ? L->ascent : 0;
  if (descent) *descent = L ? L->descent : 0;
  if (leading) *leading = L ? L->leading : 0;
  return L ? L->width : 0;
}

double CTLineGetTrailingWhitespaceWidth(const CTLineRef& line) {
  return line ? line->data()->trailingWhitespace : 0;
}

CGRect CTLineGetBoundsWithOptions(const CTLineRef& line, uint32_t options) {
  if (!line) return CGRectNull;
  const LineData& L = *line->data();
  double leading = (options & 1) ? 0 : L.leading;
  return CGRectMake(0, -L.descent - leading, L.width, L.ascent + L.descent + leading);
}

double CTLineGetPenOffsetForFlush(const CTLineRef& line, CGFloat flushFactor, double flushWidth) {
  if (!line) return 0;
  const LineData& L = *line->data();
  double f = std::clamp(flushFactor, 0.0, 1.0);
  double offset = (flushWidth - (L.width - L.trailingWhitespace)) * f;
  if (offset < 0) offset = 0;
  // A right-to-left line's trailing whitespace sits at its left end: it hangs outside
  // the flush, so that the visible text meets the margin on either side.
  return (L.baseLevel & 1) ? offset - L.trailingWhitespace : offset;
}

namespace {

// Primary (and secondary) caret of an index: the leading edge of its character and the
// trailing edge of the one before; where they differ, the one whose run runs in the
// line's direction is primary.
double caretFor(const LineData& L, size_t i, double* secondary) {
  const RunData* here = nullptr;
  const RunData* before = nullptr;
  for (const RunData& r : L.runs) {
    if (r.token) continue;
    if (i >= r.start && i < r.end) here = &r;
    if (i > r.start && i <= r.end) before = &r;
  }
  double lineEnd = (L.baseLevel & 1) ? 0 : L.width;
  double primary, other;
  if (here && before && here != before) {
    double lead = here->caret(i), trail = before->caret(i);
    bool hereMatches = (here->level & 1) == (L.baseLevel & 1);
    primary = hereMatches ? lead : trail;
    other = hereMatches ? trail : lead;
  } else if (here) {
    primary = other = here->caret(i);
  } else if (before) {
    primary = other = before->caret(i);
    // The line's last caret sits at the line's end, not inside an opposite run.
    if (i >= L.contentEnd && (before->level & 1) != (L.baseLevel & 1)) primary = other = lineEnd;
  } else {
    primary = other = i <= L.start ? ((L.baseLevel & 1) ? L.width : 0) : lineEnd;
  }
  if (secondary) *secondary = other;
  return primary;
}

}  // namespace

CGFloat CTLineGetOffsetForStringIndex(const CTLineRef& line, CFIndex charIndex,
                                      CGFloat* secondaryOffset) {
  if (!line) {
    if (secondaryOffset) *secondaryOffset = 0;
    return 0;
  }
  const LineData& L = *line->data();
  size_t i =
      charIndex < 0 ? L.start : std::clamp<size_t>(static_cast<size_t>(charIndex), L.start, L.end);
  return caretFor(L, i, secondaryOffset);
}

CFIndex CTLineGetStringIndexForPosition(const CTLineRef& line, CGPoint position) {
  if (!line || !line->data()->source) return kCFNotFound;
  const LineData& L = *line->data();
  double x = position.x;
  if (L.simple) {
    // Runs in index order, carets increasing: find the run, then the nearer edge of the
    // character under x.
    if (L.runs.empty() || x <= 0) return static_cast<CFIndex>(L.start);
    for (const RunData& r : L.runs) {
      if (x > r.x + r.width && &r != &L.runs.back()) continue;
      double rx = x - r.x;
      auto it = std::upper_bound(r.charX.begin(), r.charX.end(), rx);
      if (it == r.charX.end()) return static_cast<CFIndex>(std::min(r.end, L.contentEnd));
      size_t hi = static_cast<size_t>(it - r.charX.begin());
      size_t lo = hi - 1;
      size_t pick = (rx - r.charX[lo] <= r.charX[hi] - rx) ? lo : hi;
      return static_cast<CFIndex>(std::min(r.start + pick, L.contentEnd));
    }
    return static_cast<CFIndex>(L.contentEnd);
  }
  // Over a glyph: the character under it, in visual order. Its leading half answers the
  // character, its trailing half the next one when that one starts at the same point (the
  // same run) or ends the line; across a direction boundary the next character in
  // logical order is elsewhere on the line, and the character under the point stands.
  for (const RunData& r : L.runs) {
    if (x < r.x || x >= r.x + r.width) continue;
    if (r.token) return static_cast<CFIndex>(r.start);
    std::vector<size_t> g = ct::graphemeBoundaries(L.source->text, r.start, r.end);
    for (size_t k = 0; k + 1 < g.size(); ++k) {
      double a = r.caret(g[k]), b = r.caret(g[k + 1]);
      double left = std::min(a, b), right = std::max(a, b);
      if (x < left || x >= right) continue;
      bool leadingHalf = r.rightToLeft() ? x >= (left + right) / 2 : x < (left + right) / 2;
      if (leadingHalf) return static_cast<CFIndex>(g[k]);
      size_t next = g[k + 1];
      bool lineEnd = next >= L.contentEnd && (r.level & 1) == (L.baseLevel & 1);
      return static_cast<CFIndex>(next < r.end || lineEnd ? std::min(next, L.contentEnd) : g[k]);
    }
  }
  // Beside the glyphs: the nearest caret.
  std::vector<size_t> stops = ct::graphemeBoundaries(L.source->text, L.start, L.contentEnd);
  size_t best = L.start;
  double bestDistance = INFINITY;
  for (size_t i : stops) {
    double d = std::fabs(caretFor(L, i, nullptr) - x);
    if (d < bestDistance - kEpsilon) {
      bestDistance = d;
      best = i;
    }
  }
  return static_cast<CFIndex>(best);
}

CTLineRef CTLineCreateTruncatedLine(const CTLineRef& line, double width, CTLineTruncationType type,
                                    const CTLineRef& token) {
  if (!line) return nullptr;
  const LineData& L = *line->data();
  if (L.width - L.trailingWhitespace <= width + kEpsilon) return makeLine(L);
  double tokenWidth = token ? token->data()->width : 0;
  if (tokenWidth > width + kEpsilon) return nullptr;
  if (!L.source) return nullptr;
  double avail = width - tokenWidth;
  std::vector<RunData> runs = logicalRuns(L);
  size_t s = L.start;
  size_t ce = ct::trimTrailingWhitespace(L.source->text, s, L.contentEnd);
  std::vector<size_t> g = ct::graphemeBoundaries(L.source->text, s, ce);
  auto trimmed = [&](size_t b) { return ct::trimTrailingWhitespace(L.source->text, s, b); };
  auto skipped = [&](size_t b) { return ct::skipLeadingWhitespace(L.source->text, b, ce); };
  size_t keepEnd = s, keepStart = ce;  // kept: [s, keepEnd) and [keepStart, ce)
  // Spaces beside the token are dropped ("word…", "…word", not "word …" or "… word").
  if (type == kCTLineTruncationEnd) {
    for (size_t b : g)
      if (advance(runs, s, trimmed(b)) <= avail + kEpsilon) keepEnd = trimmed(b);
  } else if (type == kCTLineTruncationStart) {
    for (auto it = g.rbegin(); it != g.rend(); ++it)
      if (advance(runs, skipped(*it), ce) <= avail + kEpsilon) keepStart = skipped(*it);
  } else {
    for (size_t b : g)
      if (advance(runs, s, trimmed(b)) <= avail / 2 + kEpsilon) keepEnd = trimmed(b);
    double left = avail - advance(runs, s, keepEnd);
    for (auto it = g.rbegin(); it != g.rend() && *it >= keepEnd; ++it)
      if (advance(runs, skipped(*it), ce) <= left + kEpsilon) keepStart = skipped(*it);
  }
  std::vector<RunData> pieces;
  appendSlices(runs, s, keepEnd, pieces);
  if (token) {
    for (const RunData& t : token->data()->runs) {
      RunData r = t;
      r.token = true;
      r.start = keepEnd;
      r.end = keepStart;
      r.level = L.baseLevel;
      r.charX.assign(1, 0.0);
      pieces.push_back(std::move(r));
    }
  }
  appendSlices(runs, keepStart, ce, pieces);
  LineData out;
  out.source = L.source;
  out.baseLevel = L.baseLevel;
  out.start = L.start;
  out.end = L.end;
  out.contentEnd = L.contentEnd;
  ct::finishLine(out, std::move(pieces));
  return makeLine(std::move(out));
}

CTLineRef CTLineCreateJustifiedLine(const CTLineRef& line, CGFloat factor, double width) {
  if (!line) return nullptr;
  const LineData& L = *line->data();
  double visible = L.width - L.trailingWhitespace;
  double extra = (width - visible) * std::min<CGFloat>(factor, 1.0);
  if (factor <= 0 || extra == 0 || !L.source) return makeLine(L);
  size_t vis = ct::trimTrailingWhitespace(L.source->text, L.start, L.contentEnd);
  size_t spaces = 0;
  for (size_t i = L.start; i < vis; ++i) spaces += L.source->text[i] == u' ';
  if (spaces == 0) return makeLine(L);
  double each = extra / static_cast<double>(spaces);
  std::vector<RunData> runs = logicalRuns(L);
  for (RunData& r : runs) {
    if (r.token) continue;
    for (size_t k = 0; k < r.glyphs.size(); ++k)
      if (r.indices[k] < vis && L.source->text[r.indices[k]] == u' ') r.advances[k] += each;
    double added = 0;
    for (size_t i = r.start; i < r.end; ++i) {
      r.charX[i - r.start] += added;
      if (i < vis && L.source->text[i] == u' ') added += each;
    }
    r.charX.back() += added;
    r.width = r.charX.back();
  }
  LineData out = L;
  ct::finishLine(out, std::move(runs));
  return makeLine(std::move(out));
}

// Drawing

void CTRunDraw(const CTRunRef& run, const CGContextRef& context, CFRange range) {
  const RunData* r = runData(run);
  size_t first, count;
  if (!r || !context || !glyphSpan(*r, range, first, count)) return;
  ct::CGPainter painter(context);
  ct::paintRun(painter, *r, first, count, run->line());
}

void CTLineDraw(const CTLineRef& line, const CGContextRef& context) {
  if (!line || !context) return;
  ct::CGPainter painter(context);
  for (const RunData& r : line->data()->runs)
    ct::paintRun(painter, r, 0, r.glyphs.size(), *line->data());
}
