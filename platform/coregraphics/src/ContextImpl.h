// The state behind a CGContext (internal to Core Graphics).
#pragma once

#include <cairo.h>

#include <vector>

#include "CoreGraphics/CGContext.h"
#include "PixelFormat.h"

struct CGContext::Impl {
  struct GState {
    CGAffineTransform ctm;
    CGFloat fill[4] = {0, 0, 0, 1};
    CGFloat stroke[4] = {0, 0, 0, 1};
    CGFloat alpha = 1;
    CGFloat lineWidth = 1;
    CGLineJoin join = kCGLineJoinMiter;
    CGLineCap cap = kCGLineCapButt;
    CGFloat miter = 10;
    std::vector<double> dash;
    CGFloat dashPhase = 0;
    CGBlendMode blend = kCGBlendModeNormal;
    bool antialias = true;
    CGInterpolationQuality interpolation = kCGInterpolationDefault;
    bool shadow = false;
    CGFloat shadowDX = 0, shadowDY = 0;  // Cairo device pixels (y-down)
    CGFloat shadowSigma = 0;             // device pixels
    CGFloat shadowColor[4] = {0, 0, 0, 0};
    CGFontRef font;
    CGFloat fontSize = 12;
    CGTextDrawingMode textMode = kCGTextFill;
    bool clipped = false;
  };
  struct Layer {
    GState outer;  // the state at Begin, applied when compositing
    size_t stackDepth;
  };

  // The surface and its cairo_t are made on first use (realize): a context that is only
  // drawn into by the one-pixel image path never needs them.
  Impl(size_t width, size_t height, CGAffineTransform base);
  ~Impl();

  cairo_surface_t* surface = nullptr;  // none until realized
  cairo_t* cr = nullptr;               // none until realized
  size_t width = 0, height = 0;
  CGAffineTransform base;
  GState gs;
  std::vector<GState> stack;
  std::vector<Layer> layers;
  CGAffineTransform textMatrix{};

  // The scaled font glyphs were last shown in, from the font's face and the font matrix
  // (size, text matrix and CTM: glyphs are shown in device space, under Cairo's identity
  // matrix); reused while those repeat, so that showing a run of glyphs does not look the
  // font up again. Dropped when the context goes.
  struct GlyphFont {
    cairo_font_face_t* face = nullptr;
    cairo_matrix_t font{};  // under the identity matrix
    cairo_scaled_font_t* scaled = nullptr;
    bool answers(cairo_font_face_t* f, const cairo_matrix_t& fm) const {
      return scaled && face == f && font.xx == fm.xx && font.yx == fm.yx && font.xy == fm.xy &&
             font.yy == fm.yy;
    }
  } glyphFont;
  // The glyphs of the run being shown, in device space; kept so that a run does not
  // allocate.
  std::vector<cairo_glyph_t> glyphScratch;

  // Bitmap contexts: the caller's memory and how its bytes are laid out. When `direct`,
  // the surface is that memory; otherwise it is copied out after each drawing call.
  bool bitmap = false;
  bool direct = true;
  bool alphaOnly = false;
  void* data = nullptr;
  std::vector<uint8_t> owned;
  size_t bytesPerRow = 0;
  uint32_t bitmapInfo = 0;
  cg::Layout layout = cg::kCairo;
  CGColorSpaceRef space;

  // Makes the surface over the bitmap's memory (or a copy of it) and the cairo_t; no
  // drawing state exists before, so the fresh cairo_t only needs the base matrix.
  void realize();
  // The matrix applyMatrix gives Cairo for the current CTM.
  cairo_matrix_t deviceMatrix() const;
  void applyMatrix();
  void syncOut();
  void importIn();
  void drawn();
};
