#include "Painter.h"

#include <cmath>
#include <vector>

#include "Attributes.h"
#include "CoreGraphics/CGFont.h"

namespace ct {

void CGPainter::glyphs(const FontFace* face, double size, const CGColorRef& color,
                       double strokeWidth, const CGColorRef& strokeColor, const uint32_t* ids,
                       const double* xs, const double* ys, size_t count) {
  if (!face || count == 0) return;
  // Runs mostly share their face: the last one's font saves a lookup by path.
  struct LastFont {
    const FontFace* face = nullptr;
    CGFontRef font;
  };
  thread_local LastFont last;
  LastFont& kept = last;  // one look-up of the thread's slot
  if (face != kept.face) {
    kept.font = CGFontCreateWithFontFile(face->path, face->index);
    kept.face = face;
  }
  const CGFontRef& font = kept.font;
  if (!font) return;
  CGContextSetFont(context_, font);
  CGContextSetFontSize(context_, size);
  if (color) CGContextSetFillColorWithColor(context_, color);
  if (strokeWidth == 0) {
    cg::showGlyphRun(context_, ids, xs, ys, count);
    return;
  }
  CGContextSaveGState(context_);
  CGContextSetLineWidth(context_, std::fabs(strokeWidth) * size / 100);
  if (strokeColor) CGContextSetStrokeColorWithColor(context_, strokeColor);
  CGContextSetTextDrawingMode(context_, strokeWidth > 0 ? kCGTextStroke : kCGTextFillStroke);
  cg::showGlyphRun(context_, ids, xs, ys, count);
  CGContextSetTextDrawingMode(context_, kCGTextFill);
  CGContextRestoreGState(context_);
}

void CGPainter::rect(CGRect r, const CGColorRef& color) {
  // Text space to user space: the text matrix, whose translation is the text position.
  CGAffineTransform m = CGContextGetTextMatrix(context_);
  CGPoint pos = CGContextGetTextPosition(context_);
  m.tx = pos.x;
  m.ty = pos.y;
  CGPoint corners[4] = {
      CGPointApplyAffineTransform(CGPointMake(r.origin.x, r.origin.y), m),
      CGPointApplyAffineTransform(CGPointMake(r.origin.x + r.size.width, r.origin.y), m),
      CGPointApplyAffineTransform(
          CGPointMake(r.origin.x + r.size.width, r.origin.y + r.size.height), m),
      CGPointApplyAffineTransform(CGPointMake(r.origin.x, r.origin.y + r.size.height), m)};
  if (color) CGContextSetFillColorWithColor(context_, color);
  CGContextBeginPath(context_);
  CGContextAddLines(context_, corners, 4);
  CGContextClosePath(context_);
  CGContextFillPath(context_);
}

void paintRun(Painter& painter, const RunData& run, size_t first, size_t count, const LineData&) {
  if (count == 0 || first + count > run.glyphs.size()) return;
  const RunStyle& st = run.runStyle();
  // Borrowed from the run's style or the black every run shares: no count per run.
  static const CGColorRef fromContext;
  const CGColorRef& color = st.foregroundFromContext ? fromContext
                            : st.foreground          ? st.foreground
                                                     : blackColor();
  // The outline takes the stroke colour, else the foreground colour.
  const CGColorRef& stroke = st.strokeColor ? st.strokeColor : color;
  painter.glyphs(run.face, run.size, color, st.strokeWidth, stroke, run.glyphs.data() + first,
                 run.xs.data() + first, run.ys.data() + first, count);

  int style = st.underline & 0xff;
  if (style == 0 && st.strikethrough == 0) return;
  double x0 = run.xs[first] - run.xOffsets[first];
  double w = 0;
  for (size_t k = 0; k < count; ++k) w += run.advances[first + k];
  double scale = run.size / run.face->unitsPerEm;
  double thickness = std::max(run.face->underlineThickness * scale, 0.5);
  if (style != 0) {
    // From context: the context's colour for underlines too.
    CGColorRef uc =
        st.foregroundFromContext ? CGColorRef() : (st.underlineColor ? st.underlineColor : color);
    double t = style == 0x02 ? thickness * 2 : thickness;
    double y = run.face->underlinePosition * scale;  // negative: below the baseline
    painter.rect(CGRectMake(x0, y - t / 2, w, t), uc);
    if (style == 0x09) painter.rect(CGRectMake(x0, y - t * 2.5, w, t), uc);
  }
  if (st.strikethrough != 0) {
    // Through the glyphs where they sit, raised or lowered.
    double y = run.face->xHeight * scale / 2 + run.shift;
    painter.rect(CGRectMake(x0, y - thickness / 2, w, thickness), color);
  }
}

}  // namespace ct
