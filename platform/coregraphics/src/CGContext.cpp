#include "CoreGraphics/CGContext.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <optional>

#include "Blur.h"
#include "ContextImpl.h"
#include "CoreGraphics/CGBitmapContext.h"

OBJC_CLASS_IMPL(CGContext) {}

CGContext::CGContext(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
CGContext::~CGContext() = default;

CGContext::Impl& CGContext::impl() const {
  impl_->realize();
  return *impl_;
}

CGContext::Impl::Impl(size_t w, size_t h, CGAffineTransform b) : width(w), height(h), base(b) {
  gs.ctm = base;
}

void CGContext::Impl::realize() {
  if (cr) return;
  cairo_format_t format = alphaOnly ? CAIRO_FORMAT_A8 : CAIRO_FORMAT_ARGB32;
  surface =
      direct
          ? cairo_image_surface_create_for_data(static_cast<unsigned char*>(data), format,
                                                static_cast<int>(width), static_cast<int>(height),
                                                static_cast<int>(bytesPerRow))
          : cairo_image_surface_create(format, static_cast<int>(width), static_cast<int>(height));
  // A failure here is memory running out; Cairo's error objects then draw nothing.
  cr = cairo_create(surface);
  applyMatrix();
  importIn();
}

CGContext::Impl::~Impl() {
  if (glyphFont.scaled) cairo_scaled_font_destroy(glyphFont.scaled);
  if (!cr) return;  // never realized: the caller's memory holds everything drawn
  if (!layers.empty()) {
    while (!layers.empty()) {
      cairo_pattern_destroy(cairo_pop_group(cr));
      layers.pop_back();
    }
  }
  // No copy out here: every drawing call has already copied its result to the caller's
  // memory, and the memory may since hold what its owner put there.
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
}

namespace {

using Impl = CGContext::Impl;

// User space to Cairo's y-down device space.
cairo_matrix_t cairoMatrix(const Impl& c, CGAffineTransform ctm) {
  CGAffineTransform flip{1, 0, 0, -1, 0, static_cast<CGFloat>(c.height)};
  CGAffineTransform m = CGAffineTransformConcat(ctm, flip);
  cairo_matrix_t cm;
  cairo_matrix_init(&cm, m.a, m.b, m.c, m.d, m.tx, m.ty);
  return cm;
}

bool invertible(const cairo_matrix_t& m) {
  double det = m.xx * m.yy - m.xy * m.yx;
  return det != 0 && std::isfinite(det) && std::isfinite(m.x0) && std::isfinite(m.y0);
}

// Non-finite coordinates are ignored, as on the device; Cairo would turn them into
// arbitrary fixed-point values and paint across the surface.
bool finite(double a, double b) {
  return std::isfinite(a) && std::isfinite(b);
}
bool finite(CGRect r) {
  return finite(r.origin.x, r.origin.y) && finite(r.size.width, r.size.height);
}

// Wider blurs spread any shape so thin that nothing visible remains, while the offscreen
// area they need grows with the square of the radius.
constexpr CGFloat kMaxShadowSigma = 256;  // device pixels

cairo_operator_t cairoOperator(CGBlendMode mode) {
  switch (mode) {
    case kCGBlendModeMultiply:
      return CAIRO_OPERATOR_MULTIPLY;
    case kCGBlendModeClear:
      return CAIRO_OPERATOR_CLEAR;
    case kCGBlendModeCopy:
      return CAIRO_OPERATOR_SOURCE;
    default:
      return CAIRO_OPERATOR_OVER;
  }
}

void setColor(cairo_t* cr, const CGFloat c[4], CGFloat alpha) {
  cairo_set_source_rgba(cr, c[0], c[1], c[2], std::clamp(c[3] * alpha, 0.0, 1.0));
}

void applyLine(cairo_t* cr, const Impl::GState& gs) {
  cairo_set_line_width(cr, gs.lineWidth);
  cairo_set_line_join(cr, gs.join == kCGLineJoinRound   ? CAIRO_LINE_JOIN_ROUND
                          : gs.join == kCGLineJoinBevel ? CAIRO_LINE_JOIN_BEVEL
                                                        : CAIRO_LINE_JOIN_MITER);
  cairo_set_line_cap(cr, gs.cap == kCGLineCapRound    ? CAIRO_LINE_CAP_ROUND
                         : gs.cap == kCGLineCapSquare ? CAIRO_LINE_CAP_SQUARE
                                                      : CAIRO_LINE_CAP_BUTT);
  cairo_set_miter_limit(cr, gs.miter);
  cairo_set_dash(cr, gs.dash.data(), static_cast<int>(gs.dash.size()), gs.dashPhase);
}

// The shadow beneath what `op` draws (see draw, below); out of line and kept apart, as most
// drawing has none and a draw's common path stays small.
template <class Op>
[[gnu::noinline, gnu::cold]] void drawShadow(Impl& c, bool usesPath, Op& op,
                                             const cairo_matrix_t& m) {
  double sigma = c.gs.shadowSigma;
  double reach = std::ceil(3 * sigma) + 1;
  // Only source pixels whose shadow can land inside the clip matter.
  double cx0, cy0, cx1, cy1;
  cairo_save(c.cr);
  cairo_identity_matrix(c.cr);
  cairo_clip_extents(c.cr, &cx0, &cy0, &cx1, &cy1);
  cairo_restore(c.cr);
  double sx0 = std::floor(cx0 - c.gs.shadowDX - reach),
         sy0 = std::floor(cy0 - c.gs.shadowDY - reach);
  double sx1 = std::ceil(cx1 - c.gs.shadowDX + reach), sy1 = std::ceil(cy1 - c.gs.shadowDY + reach);
  // A bound on what the shadow needs even for unbounded clips.
  double lim = 1 << 14;
  sx0 = std::max(sx0, -lim), sy0 = std::max(sy0, -lim);
  sx1 = std::min(sx1, lim), sy1 = std::min(sy1, lim);
  int w = static_cast<int>(sx1 - sx0), h = static_cast<int>(sy1 - sy0);
  if (w > 0 && h > 0) {
    cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A8, w, h);
    if (cairo_surface_status(mask) == CAIRO_STATUS_SUCCESS) {
      cairo_t* t = cairo_create(mask);
      cairo_matrix_t tm = m;
      tm.x0 -= sx0;
      tm.y0 -= sy0;
      cairo_set_matrix(t, &tm);
      if (usesPath) {
        cairo_path_t* path = cairo_copy_path(c.cr);
        cairo_append_path(t, path);
        cairo_path_destroy(path);
      }
      cairo_set_source(t, cairo_get_source(c.cr));
      cairo_set_fill_rule(t, cairo_get_fill_rule(c.cr));
      applyLine(t, c.gs);
      cairo_set_antialias(t, cairo_get_antialias(c.cr));
      op(t, -sx0, -sy0);
      cairo_destroy(t);
      cairo_surface_flush(mask);
      // Blur only around what was drawn.
      uint8_t* px = cairo_image_surface_get_data(mask);
      size_t stride = static_cast<size_t>(cairo_image_surface_get_stride(mask));
      int bx0, by0, bx1, by1;
      cg::inkBounds(px, w, h, stride, bx0, by0, bx1, by1);
      if (bx1 >= 0) {
        int r = static_cast<int>(reach);
        bx0 = std::max(0, bx0 - r), by0 = std::max(0, by0 - r);
        bx1 = std::min(w - 1, bx1 + r), by1 = std::min(h - 1, by1 + r);
        cg::blurAlpha(px + by0 * stride + bx0, static_cast<size_t>(bx1 - bx0 + 1),
                      static_cast<size_t>(by1 - by0 + 1), stride, sigma);
        cairo_surface_mark_dirty(mask);
        cairo_save(c.cr);
        cairo_identity_matrix(c.cr);
        setColor(c.cr, c.gs.shadowColor, 1.0);
        cairo_mask_surface(c.cr, mask, sx0 + c.gs.shadowDX, sy0 + c.gs.shadowDY);
        cairo_restore(c.cr);
      }
    }
    cairo_surface_destroy(mask);
  }
}

// Runs `op(cr, dx, dy)` on the context, with the shadow beneath it when one is set. The
// op draws with the context's current path, matrix and state; (dx, dy) is the shift of
// device space for ops that place things in device pixels.
template <class Op>
void draw(Impl& c, bool usesPath, Op op) {
  cairo_matrix_t m;
  cairo_get_matrix(c.cr, &m);
  if (!invertible(m) && usesPath) {
    cairo_new_path(c.cr);
    return;
  }
  cairo_set_antialias(c.cr, c.gs.antialias ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
  cairo_set_operator(c.cr, cairoOperator(c.gs.blend));
  if (c.gs.shadow && c.gs.shadowColor[3] > 0) drawShadow(c, usesPath, op, m);
  op(c.cr, 0.0, 0.0);
}

// Unhinted outlines at unrounded positions, as the device draws text at any scale.
const cairo_font_options_t* glyphFontOptions() {
  static const cairo_font_options_t* options = [] {
    cairo_font_options_t* o = cairo_font_options_create();
    cairo_font_options_set_hint_style(o, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(o, CAIRO_HINT_METRICS_OFF);
    return o;
  }();
  return options;
}

// FreeType refuses glyphs of 65,536 device pixels or more. Cairo then marks the font
// face as failed, so every later size of that face draws nothing in this process, and it
// drops the half-made scaled font without freeing it. A glyph that size is larger than
// any surface can be, so it is not drawn at all; the face stays usable. The scales are
// the two Cairo takes from the matrix: the length the x axis maps to, and the area over
// it; compared squared, without a root or a division on every run.
bool glyphSizeDrawable(const cairo_matrix_t& fm) {
  constexpr double kLargestGlyph = 32768;  // device pixels, half FreeType's bound
  constexpr double kLimit2 = kLargestGlyph * kLargestGlyph;
  double major2 = fm.xx * fm.xx + fm.yx * fm.yx;
  double area = fm.xx * fm.yy - fm.xy * fm.yx;
  return major2 > 0 && major2 < kLimit2 && area * area < kLimit2 * major2;
}

// Puts the context's font into `t`, whose matrix is the identity, with the font matrix
// `fm` (its size and the text matrix, in device space). On the context itself the scaled
// font is kept, so that run after run in one font leaves Cairo's state, and its glyph
// cache, untouched.
void setGlyphFont(CGContext::Impl& c, cairo_t* t, const cairo_matrix_t& fm) {
  cairo_font_face_t* face = c.gs.font->cairoFace();
  CGContext::Impl::GlyphFont& kept = c.glyphFont;
  if (t == c.cr && kept.answers(face, fm)) {
    cairo_set_scaled_font(t, kept.scaled);
    return;
  }
  cairo_set_font_face(t, face);
  cairo_set_font_matrix(t, &fm);
  cairo_set_font_options(t, glyphFontOptions());
  if (t != c.cr) return;  // a shadow's mask: drawn once
  cairo_scaled_font_t* scaled = cairo_get_scaled_font(t);
  if (cairo_scaled_font_status(scaled) != CAIRO_STATUS_SUCCESS) return;
  if (kept.scaled) cairo_scaled_font_destroy(kept.scaled);
  kept = {face, fm, cairo_scaled_font_reference(scaled)};
}

CGContext::Impl* get(const CGContextRef& c) {
  return c ? &c->impl() : nullptr;
}

void setShadowDevice(Impl& c, CGSize offsetDevUp, CGFloat sigma, const CGColorRef& color) {
  if (!color || !(color->alpha() > 0)) {
    c.gs.shadow = false;
    return;
  }
  c.gs.shadow = true;
  // Offsets beyond any surface are as good as none being visible; keep them castable.
  auto offset = [](CGFloat v) { return std::isfinite(v) ? std::clamp(v, -1e5, 1e5) : 0.0; };
  c.gs.shadowDX = offset(offsetDevUp.width);
  c.gs.shadowDY = -offset(offsetDevUp.height);  // device space is y-up, Cairo's is y-down
  c.gs.shadowSigma = std::isnan(sigma) ? 0.0 : std::clamp(sigma, 0.0, kMaxShadowSigma);
  color->getRGBA(c.gs.shadowColor);
}

void fillCurrentPath(Impl& c, bool evenOdd) {
  setColor(c.cr, c.gs.fill, c.gs.alpha);
  cairo_set_fill_rule(c.cr, evenOdd ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
  draw(c, true, [](cairo_t* t, double, double) { cairo_fill_preserve(t); });
}

void strokeCurrentPath(Impl& c) {
  setColor(c.cr, c.gs.stroke, c.gs.alpha);
  applyLine(c.cr, c.gs);
  draw(c, true, [](cairo_t* t, double, double) { cairo_stroke_preserve(t); });
}

// Runs `body` with a fresh path and puts the previous path back afterwards.
template <class F>
void withOwnPath(Impl& c, F body) {
  // Without a current point the path is empty (every segment leaves one): nothing to
  // keep, and text, drawn run by run, is spared a copy each time.
  if (!cairo_has_current_point(c.cr)) {
    body();
    cairo_new_path(c.cr);
    return;
  }
  cairo_path_t* saved = cairo_copy_path(c.cr);
  cairo_new_path(c.cr);
  body();
  cairo_new_path(c.cr);
  cairo_append_path(c.cr, saved);
  cairo_path_destroy(saved);
}

void appendPath(cairo_t* cr, const CGPath& path) {
  for (const auto& e : path.elements()) {
    switch (e.type) {
      case kCGPathElementMoveToPoint:
        cairo_move_to(cr, e.points[0].x, e.points[0].y);
        break;
      case kCGPathElementAddLineToPoint:
        cairo_line_to(cr, e.points[0].x, e.points[0].y);
        break;
      case kCGPathElementAddQuadCurveToPoint: {
        double x0, y0;
        if (!cairo_has_current_point(cr)) cairo_move_to(cr, e.points[0].x, e.points[0].y);
        cairo_get_current_point(cr, &x0, &y0);
        CGPoint p1 = e.points[0], p2 = e.points[1];
        cairo_curve_to(cr, x0 + 2.0 / 3 * (p1.x - x0), y0 + 2.0 / 3 * (p1.y - y0),
                       p2.x + 2.0 / 3 * (p1.x - p2.x), p2.y + 2.0 / 3 * (p1.y - p2.y), p2.x, p2.y);
        break;
      }
      case kCGPathElementAddCurveToPoint:
        cairo_curve_to(cr, e.points[0].x, e.points[0].y, e.points[1].x, e.points[1].y,
                       e.points[2].x, e.points[2].y);
        break;
      case kCGPathElementCloseSubpath:
        cairo_close_path(cr);
        break;
    }
  }
}

}  // namespace

cairo_matrix_t CGContext::Impl::deviceMatrix() const {
  cairo_matrix_t m = cairoMatrix(*this, gs.ctm);
  if (invertible(m)) return m;
  // Cairo refuses singular matrices; drawing is skipped while the CTM is singular.
  cairo_matrix_t tiny;
  cairo_matrix_init_scale(&tiny, 1e-9, 1e-9);
  return tiny;
}

void CGContext::Impl::applyMatrix() {
  cairo_matrix_t m = deviceMatrix();
  cairo_set_matrix(cr, &m);
}

void CGContext::Impl::syncOut() {
  cairo_surface_flush(surface);
  if (!bitmap || direct || !data || !layers.empty()) return;
  const uint8_t* src = cairo_image_surface_get_data(surface);
  size_t stride = static_cast<size_t>(cairo_image_surface_get_stride(surface));
  auto* dst = static_cast<uint8_t*>(data);
  for (size_t y = 0; y < height; ++y) {
    if (alphaOnly)
      std::memcpy(dst + y * bytesPerRow, src + y * stride, width);
    else
      cg::convertRow(src + y * stride, cg::kCairo, dst + y * bytesPerRow, layout, width);
  }
}

void CGContext::Impl::importIn() {
  if (!bitmap || direct || !data) return;
  cairo_surface_flush(surface);
  uint8_t* dst = cairo_image_surface_get_data(surface);
  size_t stride = static_cast<size_t>(cairo_image_surface_get_stride(surface));
  auto* src = static_cast<const uint8_t*>(data);
  for (size_t y = 0; y < height; ++y) {
    if (alphaOnly)
      std::memcpy(dst + y * stride, src + y * bytesPerRow, width);
    else
      cg::convertRow(src + y * bytesPerRow, layout, dst + y * stride, cg::kCairo, width);
  }
  cairo_surface_mark_dirty(surface);
}

void CGContext::Impl::drawn() {
  syncOut();
}

// ---- state

void CGContextSaveGState(const CGContextRef& c) {
  if (auto* i = get(c)) {
    i->stack.push_back(i->gs);
    cairo_save(i->cr);
  }
}

void CGContextRestoreGState(const CGContextRef& c) {
  auto* i = get(c);
  if (!i || i->stack.empty()) return;
  // A restore cannot cross the start of an open transparency layer.
  if (!i->layers.empty() && i->stack.size() <= i->layers.back().stackDepth) return;
  i->gs = std::move(i->stack.back());
  i->stack.pop_back();
  // Cairo's matrix comes back with its state: every CTM change set it from the CTM, and
  // the save was made with the one restored here.
  cairo_restore(i->cr);
}

void CGContextFlush(const CGContextRef& c) {
  if (auto* i = get(c)) i->syncOut();
}
void CGContextSynchronize(const CGContextRef& c) {
  CGContextFlush(c);
}

// ---- transforms

namespace {
void concat(const CGContextRef& c, CGAffineTransform t) {
  if (auto* i = get(c)) {
    i->gs.ctm = CGAffineTransformConcat(t, i->gs.ctm);
    i->applyMatrix();
  }
}
}  // namespace

void CGContextTranslateCTM(const CGContextRef& c, CGFloat tx, CGFloat ty) {
  concat(c, CGAffineTransformMakeTranslation(tx, ty));
}
void CGContextScaleCTM(const CGContextRef& c, CGFloat sx, CGFloat sy) {
  concat(c, CGAffineTransformMakeScale(sx, sy));
}
void CGContextRotateCTM(const CGContextRef& c, CGFloat angle) {
  concat(c, CGAffineTransformMakeRotation(angle));
}
void CGContextConcatCTM(const CGContextRef& c, CGAffineTransform t) {
  concat(c, t);
}
CGAffineTransform CGContextGetCTM(const CGContextRef& c) {
  return c ? c->implAsIs().gs.ctm : CGAffineTransformIdentity;
}
CGAffineTransform CGContextGetUserSpaceToDeviceSpaceTransform(const CGContextRef& c) {
  return CGContextGetCTM(c);
}
CGPoint CGContextConvertPointToDeviceSpace(const CGContextRef& c, CGPoint p) {
  return CGPointApplyAffineTransform(p, CGContextGetCTM(c));
}
CGPoint CGContextConvertPointToUserSpace(const CGContextRef& c, CGPoint p) {
  return CGPointApplyAffineTransform(p, CGAffineTransformInvert(CGContextGetCTM(c)));
}
CGRect CGContextConvertRectToDeviceSpace(const CGContextRef& c, CGRect r) {
  return CGRectApplyAffineTransform(r, CGContextGetCTM(c));
}

// ---- text

void CGContextSetTextMatrix(const CGContextRef& c, CGAffineTransform t) {
  if (auto* i = get(c)) i->textMatrix = t;
}
CGAffineTransform CGContextGetTextMatrix(const CGContextRef& c) {
  return c ? c->implAsIs().textMatrix : CGAffineTransformIdentity;
}
void CGContextSetTextPosition(const CGContextRef& c, CGFloat x, CGFloat y) {
  if (auto* i = get(c)) {
    i->textMatrix.tx = x;
    i->textMatrix.ty = y;
  }
}
CGPoint CGContextGetTextPosition(const CGContextRef& c) {
  if (!c) return CGPointZero;
  return CGPoint{c->implAsIs().textMatrix.tx, c->implAsIs().textMatrix.ty};
}
void CGContextSetTextDrawingMode(const CGContextRef& c, CGTextDrawingMode mode) {
  if (auto* i = get(c)) i->gs.textMode = mode;
}
void CGContextSetFont(const CGContextRef& c, const CGFontRef& font) {
  // Text is set run by run, mostly in the font already set: that counts no reference.
  if (auto* i = get(c); i && i->gs.font != font) i->gs.font = font;
}
void CGContextSetFontSize(const CGContextRef& c, CGFloat size) {
  // Cairo puts the whole context in an error state for a non-finite font matrix.
  if (auto* i = get(c); i && std::isfinite(size)) i->gs.fontSize = size;
}

namespace {

struct GlyphAt {
  CGGlyph glyph;
  double x, y;  // text space
};

// Text space to device space: the text matrix, then the context's. Answers false when
// that flattens text space, which shows nothing.
bool textToDevice(const Impl& i, cairo_matrix_t* ctm, cairo_matrix_t* full) {
  const CGAffineTransform& tm = i.textMatrix;
  cairo_matrix_t textToUser;
  cairo_matrix_init(&textToUser, tm.a, tm.b, tm.c, tm.d, tm.tx, tm.ty);
  cairo_get_matrix(i.cr, ctm);
  cairo_matrix_multiply(full, &textToUser, ctm);
  return invertible(*full);
}

// Places `count` glyphs, the k-th of them `at(k)`, at their device positions in the
// context's scratch and answers how many it holds: the first entries are this run's
// glyphs. The scratch keeps the size of the longest run so far. A position that is not
// finite (or one the matrix sends beyond doubles) is left out: such a device position is
// not finite either, so the glyphs are placed first, and only a run that holds one is
// looked at again.
template <class At>
size_t placeGlyphs(std::vector<cairo_glyph_t>& gl, size_t count, const cairo_matrix_t& full,
                   At at) {
  if (gl.size() < count) gl.resize(count);
  unsigned nonFinite = 0;
  for (size_t k = 0; k < count; ++k) {
    const GlyphAt g = at(k);
    double dx = full.xx * g.x + full.xy * g.y + full.x0,
           dy = full.yx * g.x + full.yy * g.y + full.y0;
    gl[k] = {g.glyph, dx, dy};
    double zero = (dx - dx) + (dy - dy);  // a NaN unless both are finite
    nonFinite |= static_cast<unsigned>(zero != zero);
  }
  if (!nonFinite) return count;
  size_t n = 0;
  for (size_t k = 0; k < count; ++k) {
    if (std::isfinite(gl[k].x) && std::isfinite(gl[k].y)) gl[n++] = gl[k];
  }
  return n;
}

// A run placed in device space and how to paint it.
struct PlacedRun {
  cairo_matrix_t ctm;     // the context's, restored after each paint
  cairo_matrix_t font;    // the glyph outlines' matrix
  cairo_matrix_t linear;  // text space's scale, for outline widths
  int count;              // the scratch's first entries
};

enum class Paint { Fill, Stroke };

// Fills or outlines a placed run, on the context and on a shadow's mask alike.
void paintGlyphs(Impl* i, const PlacedRun& run, Paint paint) {
  const bool stroke = paint == Paint::Stroke;
  auto op = [&](cairo_t* t, double dx, double dy) {
    cairo_matrix_t user = run.ctm;  // the context's; a shadow's mask has its own
    if (t != i->cr) cairo_get_matrix(t, &user);
    cairo_identity_matrix(t);
    setGlyphFont(*i, t, run.font);
    // A shadow's mask has its own device space, shifted from the context's.
    std::vector<cairo_glyph_t> shifted;
    const cairo_glyph_t* shown = i->glyphScratch.data();
    if (dx != 0 || dy != 0) {
      shifted.assign(shown, shown + run.count);
      for (cairo_glyph_t& g : shifted) g.x += dx, g.y += dy;
      shown = shifted.data();
    }
    if (!stroke) {
      cairo_show_glyphs(t, shown, run.count);
    } else {
      cairo_new_path(t);
      cairo_glyph_path(t, shown, run.count);
      // The outline's width is measured in text space, as the glyphs are.
      cairo_save(t);
      cairo_transform(t, &run.linear);
      cairo_stroke(t);
      cairo_restore(t);
    }
    cairo_set_matrix(t, &user);
  };
  // Shown glyphs leave the current path alone; outlined ones are built as a path of
  // their own, so only they need the caller's path kept aside.
  if (stroke)
    withOwnPath(*i, [&] { draw(*i, false, op); });
  else
    draw(*i, false, op);
}

// Shows `count` glyphs, the k-th of them `at(k)`.
// Glyphs are shown in device space, under Cairo's identity matrix: their origins go
// through the text matrix and the CTM here, their outlines through the font matrix
// (the same, y turned down for the font's y-down outlines). Cairo then keeps one
// scaled font from run to run and line to line, whatever the CTM does in between, and
// places the glyphs without transforming each one again.
template <class At>
void showGlyphs(Impl* i, size_t count, At at) {
  if (count == 0 || !i->gs.font || i->gs.textMode == kCGTextInvisible || i->gs.fontSize == 0)
    return;
  PlacedRun run;
  cairo_matrix_t full;
  if (!textToDevice(*i, &run.ctm, &full)) return;
  const size_t n = placeGlyphs(i->glyphScratch, count, full, at);
  if (n == 0) return;
  run.count = static_cast<int>(std::min<size_t>(n, INT_MAX));
  const double size = i->gs.fontSize;
  // (+ 0.0: a negative zero would make Cairo key a second scaled font for the same one.)
  cairo_matrix_init(&run.font, full.xx * size + 0.0, full.yx * size + 0.0, -full.xy * size + 0.0,
                    -full.yy * size + 0.0, 0, 0);
  if (!glyphSizeDrawable(run.font)) return;
  run.linear = full;
  run.linear.x0 = run.linear.y0 = 0;
  bool fill = i->gs.textMode == kCGTextFill || i->gs.textMode == kCGTextFillStroke;
  bool stroke = i->gs.textMode == kCGTextStroke || i->gs.textMode == kCGTextFillStroke;
  if (fill) {
    setColor(i->cr, i->gs.fill, i->gs.alpha);
    paintGlyphs(i, run, Paint::Fill);
  }
  if (stroke) {
    setColor(i->cr, i->gs.stroke, i->gs.alpha);
    applyLine(i->cr, i->gs);
    paintGlyphs(i, run, Paint::Stroke);
  }
  // The text position advances past nothing: callers position each run themselves.
  i->drawn();
}

}  // namespace

void CGContextShowGlyphsAtPositions(const CGContextRef& c, const CGGlyph* glyphs,
                                    const CGPoint* positions, size_t count) {
  auto* i = get(c);
  if (!i || !glyphs || !positions) return;
  showGlyphs(i, count, [=](size_t k) {
    return GlyphAt{glyphs[k], positions[k].x, positions[k].y};
  });
}

namespace cg {

void showGlyphRun(const CGContextRef& c, const uint32_t* glyphs, const double* xs, const double* ys,
                  size_t count) {
  auto* i = get(c);
  if (!i || !glyphs || !xs || !ys) return;
  showGlyphs(i, count, [=](size_t k) {
    return GlyphAt{static_cast<CGGlyph>(glyphs[k]), xs[k], ys[k]};
  });
}

}  // namespace cg

// ---- colours and state

void CGContextSetFillColorWithColor(const CGContextRef& c, const CGColorRef& color) {
  if (auto* i = get(c); i && color) color->getRGBA(i->gs.fill);
}
void CGContextSetStrokeColorWithColor(const CGContextRef& c, const CGColorRef& color) {
  if (auto* i = get(c); i && color) color->getRGBA(i->gs.stroke);
}
void CGContextSetRGBFillColor(const CGContextRef& c, CGFloat r, CGFloat g, CGFloat b, CGFloat a) {
  if (auto* i = get(c)) {
    CGFloat v[4] = {r, g, b, a};
    std::copy(v, v + 4, i->gs.fill);
  }
}
void CGContextSetRGBStrokeColor(const CGContextRef& c, CGFloat r, CGFloat g, CGFloat b, CGFloat a) {
  if (auto* i = get(c)) {
    CGFloat v[4] = {r, g, b, a};
    std::copy(v, v + 4, i->gs.stroke);
  }
}
void CGContextSetGrayFillColor(const CGContextRef& c, CGFloat gray, CGFloat alpha) {
  CGContextSetRGBFillColor(c, gray, gray, gray, alpha);
}
void CGContextSetGrayStrokeColor(const CGContextRef& c, CGFloat gray, CGFloat alpha) {
  CGContextSetRGBStrokeColor(c, gray, gray, gray, alpha);
}
void CGContextSetAlpha(const CGContextRef& c, CGFloat alpha) {
  if (auto* i = get(c)) i->gs.alpha = std::isnan(alpha) ? 1.0 : std::clamp(alpha, 0.0, 1.0);
}
void CGContextSetLineWidth(const CGContextRef& c, CGFloat width) {
  if (auto* i = get(c); i && std::isfinite(width) && width >= 0) i->gs.lineWidth = width;
}
void CGContextSetLineJoin(const CGContextRef& c, CGLineJoin join) {
  if (auto* i = get(c)) i->gs.join = join;
}
void CGContextSetLineCap(const CGContextRef& c, CGLineCap cap) {
  if (auto* i = get(c)) i->gs.cap = cap;
}
void CGContextSetMiterLimit(const CGContextRef& c, CGFloat limit) {
  if (auto* i = get(c); i && std::isfinite(limit)) i->gs.miter = limit;
}
void CGContextSetLineDash(const CGContextRef& c, CGFloat phase, const CGFloat* lengths,
                          size_t count) {
  auto* i = get(c);
  if (!i) return;
  i->gs.dash.clear();
  bool anyPositive = false;
  for (size_t k = 0; lengths && k < count; ++k) {
    if (!(lengths[k] >= 0) || !std::isfinite(lengths[k])) return i->gs.dash.clear();
    anyPositive |= lengths[k] > 0;
    i->gs.dash.push_back(lengths[k]);
  }
  if (!anyPositive) i->gs.dash.clear();
  i->gs.dashPhase = std::isfinite(phase) ? phase : 0;
}
void CGContextSetBlendMode(const CGContextRef& c, CGBlendMode mode) {
  if (auto* i = get(c)) i->gs.blend = mode;
}
void CGContextSetShouldAntialias(const CGContextRef& c, bool antialias) {
  if (auto* i = get(c)) i->gs.antialias = antialias;
}
void CGContextSetInterpolationQuality(const CGContextRef& c, CGInterpolationQuality q) {
  if (auto* i = get(c)) i->gs.interpolation = q;
}

void CGContextSetShadowWithColor(const CGContextRef& c, CGSize offset, CGFloat blur,
                                 const CGColorRef& color) {
  auto* i = get(c);
  if (!i) return;
  CGSize dev = CGSizeApplyAffineTransform(offset, i->base);
  CGFloat scale = std::sqrt(std::fabs(i->base.a * i->base.d - i->base.b * i->base.c));
  setShadowDevice(*i, dev, std::max(0.0, blur) / 2 * scale, color);
}
void CGContextSetShadow(const CGContextRef& c, CGSize offset, CGFloat blur) {
  CGContextSetShadowWithColor(c, offset, blur, CGColorCreateGenericGray(0, 1.0 / 3));
}
void CGContextSetShadowInUserSpace(const CGContextRef& c, CGSize offset, CGFloat sigma,
                                   const CGColorRef& color) {
  auto* i = get(c);
  if (!i) return;
  CGAffineTransform m = i->gs.ctm;
  CGSize dev = CGSizeApplyAffineTransform(offset, m);
  CGFloat scale = std::sqrt(std::fabs(m.a * m.d - m.b * m.c));
  setShadowDevice(*i, dev, std::max(0.0, sigma) * scale, color);
}

// ---- transparency layers

void CGContextBeginTransparencyLayer(const CGContextRef& c, const void*) {
  auto* i = get(c);
  if (!i) return;
  CGContextSaveGState(c);
  i->layers.push_back({i->gs, i->stack.size()});
  // Pushed under the identity so the popped pattern is in device pixels.
  cairo_identity_matrix(i->cr);
  cairo_push_group(i->cr);
  i->applyMatrix();
  i->gs.alpha = 1;
  i->gs.shadow = false;
  i->gs.blend = kCGBlendModeNormal;
}

void CGContextEndTransparencyLayer(const CGContextRef& c) {
  auto* i = get(c);
  if (!i || i->layers.empty()) return;
  Impl::Layer layer = i->layers.back();
  // Unwind saves made inside the layer.
  while (i->stack.size() > layer.stackDepth) {
    i->gs = i->stack.back();
    i->stack.pop_back();
    cairo_restore(i->cr);
  }
  cairo_pattern_t* group = cairo_pop_group(i->cr);
  i->layers.pop_back();
  i->gs = layer.outer;
  i->applyMatrix();
  CGFloat alpha = i->gs.alpha;
  withOwnPath(*i, [&] {
    draw(*i, false, [&](cairo_t* t, double dx, double dy) {
      cairo_save(t);
      cairo_identity_matrix(t);
      cairo_translate(t, dx, dy);
      cairo_set_source(t, group);
      cairo_paint_with_alpha(t, alpha);
      cairo_restore(t);
    });
  });
  cairo_pattern_destroy(group);
  CGContextRestoreGState(c);
  i->drawn();
}

// ---- paths

void CGContextBeginPath(const CGContextRef& c) {
  if (auto* i = get(c)) cairo_new_path(i->cr);
}
void CGContextMoveToPoint(const CGContextRef& c, CGFloat x, CGFloat y) {
  if (auto* i = get(c); i && finite(x, y)) cairo_move_to(i->cr, x, y);
}
void CGContextAddLineToPoint(const CGContextRef& c, CGFloat x, CGFloat y) {
  if (auto* i = get(c); i && finite(x, y)) cairo_line_to(i->cr, x, y);
}
void CGContextAddCurveToPoint(const CGContextRef& c, CGFloat cp1x, CGFloat cp1y, CGFloat cp2x,
                              CGFloat cp2y, CGFloat x, CGFloat y) {
  if (auto* i = get(c); i && finite(cp1x, cp1y) && finite(cp2x, cp2y) && finite(x, y))
    cairo_curve_to(i->cr, cp1x, cp1y, cp2x, cp2y, x, y);
}
void CGContextAddQuadCurveToPoint(const CGContextRef& c, CGFloat cpx, CGFloat cpy, CGFloat x,
                                  CGFloat y) {
  auto* i = get(c);
  if (!i || !finite(cpx, cpy) || !finite(x, y)) return;
  if (!cairo_has_current_point(i->cr)) cairo_move_to(i->cr, cpx, cpy);
  double x0, y0;
  cairo_get_current_point(i->cr, &x0, &y0);
  cairo_curve_to(i->cr, x0 + 2.0 / 3 * (cpx - x0), y0 + 2.0 / 3 * (cpy - y0),
                 x + 2.0 / 3 * (cpx - x), y + 2.0 / 3 * (cpy - y), x, y);
}
void CGContextAddArc(const CGContextRef& c, CGFloat x, CGFloat y, CGFloat radius,
                     CGFloat startAngle, CGFloat endAngle, int clockwise) {
  auto* i = get(c);
  if (!i) return;
  auto p = CGPathCreateMutable();
  CGPathAddArc(p, nullptr, x, y, radius, startAngle, endAngle, clockwise != 0);
  // The arc starts with a line from the current point, not a new subpath.
  bool first = true;
  for (const auto& e : p->elements()) {
    if (first && e.type == kCGPathElementMoveToPoint && cairo_has_current_point(i->cr)) {
      cairo_line_to(i->cr, e.points[0].x, e.points[0].y);
    } else {
      switch (e.type) {
        case kCGPathElementMoveToPoint:
          cairo_move_to(i->cr, e.points[0].x, e.points[0].y);
          break;
        case kCGPathElementAddLineToPoint:
          cairo_line_to(i->cr, e.points[0].x, e.points[0].y);
          break;
        case kCGPathElementAddCurveToPoint:
          cairo_curve_to(i->cr, e.points[0].x, e.points[0].y, e.points[1].x, e.points[1].y,
                         e.points[2].x, e.points[2].y);
          break;
        default:
          break;
      }
    }
    first = false;
  }
}
void CGContextAddArcToPoint(const CGContextRef& c, CGFloat x1, CGFloat y1, CGFloat x2, CGFloat y2,
                            CGFloat radius) {
  auto* i = get(c);
  if (!i || !finite(x1, y1) || !finite(x2, y2) || !std::isfinite(radius)) return;
  auto p = CGPathCreateMutable();
  CGPoint cur = CGContextGetPathCurrentPoint(c);
  CGPathMoveToPoint(p, nullptr, cur.x, cur.y);
  CGPathAddArcToPoint(p, nullptr, x1, y1, x2, y2, radius);
  for (size_t k = 1; k < p->elements().size(); ++k) {
    const auto& e = p->elements()[k];
    if (e.type == kCGPathElementAddLineToPoint)
      cairo_line_to(i->cr, e.points[0].x, e.points[0].y);
    else if (e.type == kCGPathElementAddCurveToPoint)
      cairo_curve_to(i->cr, e.points[0].x, e.points[0].y, e.points[1].x, e.points[1].y,
                     e.points[2].x, e.points[2].y);
  }
}
void CGContextAddRect(const CGContextRef& c, CGRect r) {
  if (auto* i = get(c); i && finite(r)) {
    r = CGRectStandardize(r);
    cairo_rectangle(i->cr, r.origin.x, r.origin.y, r.size.width, r.size.height);
  }
}
void CGContextAddRects(const CGContextRef& c, const CGRect* rects, size_t count) {
  for (size_t k = 0; rects && k < count; ++k) CGContextAddRect(c, rects[k]);
}
void CGContextAddEllipseInRect(const CGContextRef& c, CGRect rect) {
  if (auto* i = get(c); i && !CGRectIsNull(rect))
    appendPath(i->cr, *CGPathCreateWithEllipseInRect(rect, nullptr));
}
void CGContextAddLines(const CGContextRef& c, const CGPoint* points, size_t count) {
  auto* i = get(c);
  if (!i || !points || count == 0) return;
  bool started = false;
  for (size_t k = 0; k < count; ++k) {
    if (!finite(points[k].x, points[k].y)) continue;
    if (started)
      cairo_line_to(i->cr, points[k].x, points[k].y);
    else
      cairo_move_to(i->cr, points[k].x, points[k].y);
    started = true;
  }
}
void CGContextAddPath(const CGContextRef& c, const CGPathRef& path) {
  if (auto* i = get(c); i && path) appendPath(i->cr, *path);
}
void CGContextClosePath(const CGContextRef& c) {
  if (auto* i = get(c); i && cairo_has_current_point(i->cr)) cairo_close_path(i->cr);
}
bool CGContextIsPathEmpty(const CGContextRef& c) {
  auto* i = get(c);
  if (!i) return true;
  cairo_path_t* p = cairo_copy_path(i->cr);
  bool empty = p->num_data == 0;
  cairo_path_destroy(p);
  return empty;
}
CGPoint CGContextGetPathCurrentPoint(const CGContextRef& c) {
  auto* i = get(c);
  if (!i || !cairo_has_current_point(i->cr)) return CGPointZero;
  double x, y;
  cairo_get_current_point(i->cr, &x, &y);
  return {x, y};
}
CGRect CGContextGetPathBoundingBox(const CGContextRef& c) {
  auto* i = get(c);
  if (!i || CGContextIsPathEmpty(c)) return CGRectNull;
  double x0, y0, x1, y1;
  cairo_path_extents(i->cr, &x0, &y0, &x1, &y1);
  return CGRectMake(x0, y0, x1 - x0, y1 - y0);
}

void CGContextFillPath(const CGContextRef& c) {
  CGContextDrawPath(c, kCGPathFill);
}
void CGContextEOFillPath(const CGContextRef& c) {
  CGContextDrawPath(c, kCGPathEOFill);
}
void CGContextStrokePath(const CGContextRef& c) {
  CGContextDrawPath(c, kCGPathStroke);
}

void CGContextDrawPath(const CGContextRef& c, CGPathDrawingMode mode) {
  auto* i = get(c);
  if (!i) return;
  switch (mode) {
    case kCGPathFill:
      fillCurrentPath(*i, false);
      break;
    case kCGPathEOFill:
      fillCurrentPath(*i, true);
      break;
    case kCGPathStroke:
      strokeCurrentPath(*i);
      break;
    case kCGPathFillStroke:
    case kCGPathEOFillStroke: {
      // One shadow for the combined shape: draw both into a layer when shadowed.
      bool shadowed = i->gs.shadow;
      if (shadowed) CGContextBeginTransparencyLayer(c, nullptr);
      fillCurrentPath(*i, mode == kCGPathEOFillStroke);
      strokeCurrentPath(*i);
      if (shadowed) {
        cairo_path_t* p = cairo_copy_path(i->cr);
        CGContextEndTransparencyLayer(c);
        cairo_path_destroy(p);
      }
      break;
    }
  }
  cairo_new_path(i->cr);
  i->drawn();
}

void CGContextClip(const CGContextRef& c) {
  if (auto* i = get(c)) {
    cairo_set_fill_rule(i->cr, CAIRO_FILL_RULE_WINDING);
    cairo_clip(i->cr);
    i->gs.clipped = true;
  }
}
void CGContextEOClip(const CGContextRef& c) {
  if (auto* i = get(c)) {
    cairo_set_fill_rule(i->cr, CAIRO_FILL_RULE_EVEN_ODD);
    cairo_clip(i->cr);
    i->gs.clipped = true;
  }
}

void CGContextFillRects(const CGContextRef& c, const CGRect* rects, size_t count) {
  auto* i = get(c);
  if (!i || !rects) return;
  withOwnPath(*i, [&] {
    for (size_t k = 0; k < count; ++k) CGContextAddRect(c, rects[k]);
    fillCurrentPath(*i, false);
  });
  i->drawn();
}
void CGContextFillRect(const CGContextRef& c, CGRect rect) {
  CGContextFillRects(c, &rect, 1);
}
void CGContextStrokeRect(const CGContextRef& c, CGRect rect) {
  auto* i = get(c);
  if (!i) return;
  withOwnPath(*i, [&] {
    CGContextAddRect(c, rect);
    strokeCurrentPath(*i);
  });
  i->drawn();
}
void CGContextStrokeRectWithWidth(const CGContextRef& c, CGRect rect, CGFloat width) {
  auto* i = get(c);
  if (!i) return;
  CGFloat saved = i->gs.lineWidth;
  CGContextSetLineWidth(c, width);
  CGContextStrokeRect(c, rect);
  i->gs.lineWidth = saved;
}
void CGContextFillEllipseInRect(const CGContextRef& c, CGRect rect) {
  auto* i = get(c);
  if (!i) return;
  withOwnPath(*i, [&] {
    CGContextAddEllipseInRect(c, rect);
    fillCurrentPath(*i, false);
  });
  i->drawn();
}
void CGContextStrokeEllipseInRect(const CGContextRef& c, CGRect rect) {
  auto* i = get(c);
  if (!i) return;
  withOwnPath(*i, [&] {
    CGContextAddEllipseInRect(c, rect);
    strokeCurrentPath(*i);
  });
  i->drawn();
}
void CGContextStrokeLineSegments(const CGContextRef& c, const CGPoint* points, size_t count) {
  auto* i = get(c);
  if (!i || !points) return;
  withOwnPath(*i, [&] {
    for (size_t k = 0; k + 1 < count; k += 2) {
      if (!finite(points[k].x, points[k].y) || !finite(points[k + 1].x, points[k + 1].y)) continue;
      cairo_move_to(i->cr, points[k].x, points[k].y);
      cairo_line_to(i->cr, points[k + 1].x, points[k + 1].y);
    }
    strokeCurrentPath(*i);
  });
  i->drawn();
}
void CGContextClearRect(const CGContextRef& c, CGRect rect) {
  auto* i = get(c);
  if (!i || !finite(rect)) return;
  withOwnPath(*i, [&] {
    cairo_save(i->cr);
    cairo_set_operator(i->cr, CAIRO_OPERATOR_CLEAR);
    rect = CGRectStandardize(rect);
    cairo_rectangle(i->cr, rect.origin.x, rect.origin.y, rect.size.width, rect.size.height);
    cairo_fill(i->cr);
    cairo_restore(i->cr);
  });
  i->drawn();
}
void CGContextClipToRects(const CGContextRef& c, const CGRect* rects, size_t count) {
  auto* i = get(c);
  if (!i || !rects) return;
  withOwnPath(*i, [&] {
    for (size_t k = 0; k < count; ++k) CGContextAddRect(c, rects[k]);
    cairo_set_fill_rule(i->cr, CAIRO_FILL_RULE_WINDING);
    cairo_clip(i->cr);
  });
  i->gs.clipped = true;
}
void CGContextClipToRect(const CGContextRef& c, CGRect rect) {
  if (CGRectIsNull(rect)) rect = CGRectZero;
  CGContextClipToRects(c, &rect, 1);
}
CGRect CGContextGetClipBoundingBox(const CGContextRef& c) {
  auto* i = get(c);
  if (!i) return CGRectNull;
  double x0, y0, x1, y1;
  cairo_clip_extents(i->cr, &x0, &y0, &x1, &y1);
  if (x1 <= x0 || y1 <= y0) return CGRectNull;
  return CGRectMake(x0, y0, x1 - x0, y1 - y0);
}

// ---- images

namespace {

// Area-average `image` down to w x h pixels (premultiplied), flipping as asked; a Cairo
// ARGB32 surface.
cairo_surface_t* boxDownscale(const CGImage& image, int w, int h, bool flipX, bool flipY) {
  size_t sw = image.width(), sh = image.height();
  cairo_surface_t* out = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  if (cairo_surface_status(out) != CAIRO_STATUS_SUCCESS) return out;
  cairo_surface_flush(out);
  uint8_t* dst = cairo_image_surface_get_data(out);
  size_t stride = static_cast<size_t>(cairo_image_surface_get_stride(out));
  // Horizontal pass into doubles, then vertical.
  std::vector<double> rows(sh * static_cast<size_t>(w) * 4, 0.0);
  double fx = static_cast<double>(sw) / w, fy = static_cast<double>(sh) / h;
  for (int dx = 0; dx < w; ++dx) {
    double a = dx * fx, b = (dx + 1) * fx;
    size_t s0 = static_cast<size_t>(a), s1 = std::min(sw, static_cast<size_t>(std::ceil(b)));
    for (size_t sx = s0; sx < s1; ++sx) {
      double wgt = std::min<double>(b, sx + 1) - std::max<double>(a, sx);
      if (wgt <= 0) continue;
      for (size_t y = 0; y < sh; ++y) {
        const uint8_t* p = image.pixels() + (y * sw + sx) * 4;
        double* r = &rows[(y * w + dx) * 4];
        for (int k = 0; k < 4; ++k) r[k] += wgt * p[k];
      }
    }
  }
  double area = fx * fy;
  for (int dy = 0; dy < h; ++dy) {
    double a = dy * fy, b = (dy + 1) * fy;
    size_t s0 = static_cast<size_t>(a), s1 = std::min(sh, static_cast<size_t>(std::ceil(b)));
    int oy = flipY ? h - 1 - dy : dy;
    for (int dx = 0; dx < w; ++dx) {
      double acc[4] = {0, 0, 0, 0};
      for (size_t sy = s0; sy < s1; ++sy) {
        double wgt = std::min<double>(b, sy + 1) - std::max<double>(a, sy);
        if (wgt <= 0) continue;
        const double* r = &rows[(sy * w + dx) * 4];
        for (int k = 0; k < 4; ++k) acc[k] += wgt * r[k];
      }
      uint8_t px[4];
      for (int k = 0; k < 4; ++k)
        px[k] = static_cast<uint8_t>(std::clamp(std::floor(acc[k] / area + 0.5), 0.0, 255.0));
      int ox = flipX ? w - 1 - dx : dx;
      cg::convertRow(px, cg::kRGBA, dst + oy * stride + ox * 4, cg::kCairo, 1);
    }
  }
  cairo_surface_mark_dirty(out);
  return out;
}

bool nearInt(double v) {
  return std::fabs(v - std::round(v)) < 1e-6;
}

// Source-over of a premultiplied RGBA colour onto one pixel stored in `layout`.
void blendPixel(const uint8_t src[4], uint8_t* px, const cg::Layout& layout) {
  uint8_t cur[4];
  cg::convertRow(px, layout, cur, cg::kRGBA, 1);
  unsigned inv = 255u - src[3];
  for (int k = 0; k < 4; ++k)
    cur[k] = static_cast<uint8_t>(std::min(255u, src[k] + (cur[k] * inv + 127) / 255));
  cg::convertRow(cur, cg::kRGBA, px, layout, 1);
}

}  // namespace

namespace {

// Device pixels an image lands on whole: an axis-aligned, unrotated placement on pixel
// edges, no larger than the image, for a box downscale.
struct PixelPlacement {
  int x, y, width, height;
  bool flipX, flipY;
};

std::optional<PixelPlacement> onWholePixels(const cairo_matrix_t& full, double W, double H) {
  if (full.xy != 0 || full.yx != 0) return std::nullopt;
  double x0 = full.x0, y0 = full.y0, x1 = full.x0 + full.xx * W, y1 = full.y0 + full.yy * H;
  double dw = std::fabs(x1 - x0), dh = std::fabs(y1 - y0);
  if (!(nearInt(x0) && nearInt(y0) && nearInt(x1) && nearInt(y1) && dw <= W + 1e-9 &&
        dh <= H + 1e-9 && dw >= 1 && dh >= 1))
    return std::nullopt;
  return PixelPlacement{static_cast<int>(std::lround(std::min(x0, x1))),
                        static_cast<int>(std::lround(std::min(y0, y1))),
                        static_cast<int>(std::lround(dw)),
                        static_cast<int>(std::lround(dh)),
                        full.xx < 0,
                        full.yy < 0};
}

// One pixel, nothing in the way: the exact average blended straight into the surface,
// or into the caller's memory when the context is not realized yet. False when something
// is in the way.
bool blendOnePixel(Impl* i, const CGImage& image, int X, int Y) {
  if (i->gs.shadow || i->gs.alpha != 1 || i->gs.clipped || i->gs.blend != kCGBlendModeNormal ||
      !i->layers.empty() || i->alphaOnly || X < 0 || Y < 0 || static_cast<size_t>(X) >= i->width ||
      static_cast<size_t>(Y) >= i->height)
    return false;
  uint8_t avg[4];
  cg::averageRGBA(image.pixels(), image.width(), image.height(), image.bytesPerRow(), avg);
  if (!i->cr) {
    uint8_t* px = static_cast<uint8_t*>(i->data) + Y * i->bytesPerRow + X * 4;
    blendPixel(avg, px, i->layout);
    return true;
  }
  cairo_surface_flush(i->surface);
  uint8_t* px = cairo_image_surface_get_data(i->surface) +
                Y * cairo_image_surface_get_stride(i->surface) + X * 4;
  blendPixel(avg, px, cg::kCairo);
  cairo_surface_mark_dirty(i->surface);
  i->drawn();
  return true;
}

// The image box-downscaled to the pixels it lands on, painted there unfiltered.
void paintDownscaled(Impl* i, const CGImage& image, const PixelPlacement& at) {
  i->realize();
  cairo_surface_t* small = boxDownscale(image, at.width, at.height, at.flipX, at.flipY);
  CGFloat alpha = i->gs.alpha;
  withOwnPath(*i, [&] {
    draw(*i, false, [&](cairo_t* t, double dx, double dy) {
      cairo_save(t);
      cairo_identity_matrix(t);
      cairo_set_source_surface(t, small, at.x + dx, at.y + dy);
      cairo_pattern_set_filter(cairo_get_source(t), CAIRO_FILTER_NEAREST);
      cairo_paint_with_alpha(t, alpha);
      cairo_restore(t);
    });
  });
  cairo_surface_destroy(small);
  i->drawn();
}

// The image through any matrix, filtered as the interpolation quality asks, its edges
// padded rather than faded.
void paintTransformed(Impl* i, const CGImage& image, const cairo_matrix_t& toUser) {
  i->realize();
  cairo_surface_t* src = image.cairoSurface();
  if (!src || cairo_surface_status(src) != CAIRO_STATUS_SUCCESS) return;
  cairo_filter_t filter =
      i->gs.interpolation == kCGInterpolationNone ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_GOOD;
  CGFloat alpha = i->gs.alpha;
  double W = static_cast<double>(image.width()), H = static_cast<double>(image.height());
  withOwnPath(*i, [&] {
    draw(*i, false, [&](cairo_t* t, double, double) {
      cairo_save(t);
      cairo_transform(t, &toUser);
      cairo_rectangle(t, 0, 0, W, H);
      cairo_clip(t);
      cairo_set_source_surface(t, src, 0, 0);
      cairo_pattern_set_extend(cairo_get_source(t), CAIRO_EXTEND_PAD);
      cairo_pattern_set_filter(cairo_get_source(t), filter);
      cairo_paint_with_alpha(t, alpha);
      cairo_restore(t);
    });
  });
  i->drawn();
}

}  // namespace

void CGContextDrawImage(const CGContextRef& c, CGRect rect, const CGImageRef& image) {
  // Not realized yet: the one-pixel path writes the caller's memory directly.
  auto* i = c ? &c->implAsIs() : nullptr;
  if (!i || !image || CGRectIsEmpty(rect) || !finite(rect) || image->width() == 0 ||
      image->height() == 0)
    return;
  rect = CGRectStandardize(rect);
  double W = static_cast<double>(image->width()), H = static_cast<double>(image->height());
  // Image pixel space (y-down) to user space: first row at the rectangle's top (max y).
  cairo_matrix_t toUser;
  cairo_matrix_init(&toUser, rect.size.width / W, 0, 0, -rect.size.height / H, rect.origin.x,
                    rect.origin.y + rect.size.height);
  cairo_matrix_t m = i->deviceMatrix(), full;
  cairo_matrix_multiply(&full, &toUser, &m);
  if (!invertible(full)) return;
  if (auto at = onWholePixels(full, W, H)) {
    if (at->width == 1 && at->height == 1 && blendOnePixel(i, *image, at->x, at->y)) return;
    paintDownscaled(i, *image, *at);
    return;
  }
  paintTransformed(i, *image, toUser);
}

// ---- extensions

bool CGContextWriteToPNGFile(const CGContextRef& c, const std::string& path) {
  auto* i = get(c);
  if (!i) return false;
  cairo_surface_flush(i->surface);
  return cg::writeCairoSurfacePNG(i->surface, path);
}
cairo_t* CGContextGetCairo(const CGContextRef& c) {
  return c ? c->impl().cr : nullptr;
}
size_t CGContextGetPixelWidth(const CGContextRef& c) {
  return c ? c->implAsIs().width : 0;
}
size_t CGContextGetPixelHeight(const CGContextRef& c) {
  return c ? c->implAsIs().height : 0;
}
