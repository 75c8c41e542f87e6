// The paint step: glyph runs and decorations handed to a painter. Layout never sees the
// drawing context; the context-backed painter is the only implementation here.
#pragma once

#include <cstddef>

#include "CoreGraphics/CGContext.h"
#include "Engine.h"

namespace ct {

class Painter {
 public:
  virtual ~Painter() = default;
  // Glyph origins (xs[k], ys[k]) in text space, relative to the text position. A stroke
  // width (percent of the size) above 0 outlines the glyphs, below 0 fills and outlines
  // them.
  virtual void glyphs(const FontFace* face, double size, const CGColorRef& color,
                      double strokeWidth, const CGColorRef& strokeColor, const uint32_t* glyphs,
                      const double* xs, const double* ys, size_t count) = 0;
  // A filled rectangle in text space (underlines, strikes).
  virtual void rect(CGRect textRect, const CGColorRef& color) = 0;
};

// Paints into a context that its caller holds for as long as the painter lives (a
// drawing call's own argument): the painter borrows it, counting no reference per line.
class CGPainter : public Painter {
 public:
  explicit CGPainter(const CGContextRef& context) : context_(context) {}
  void glyphs(const FontFace* face, double size, const CGColorRef& color, double strokeWidth,
              const CGColorRef& strokeColor, const uint32_t* glyphs, const double* xs,
              const double* ys, size_t count) override;
  void rect(CGRect textRect, const CGColorRef& color) override;

 private:
  const CGContextRef& context_;
};

// Glyphs [first, first + count) of a run and its decorations. A none colour leaves the
// context's fill colour in force (colour from context).
void paintRun(Painter& painter, const RunData& run, size_t first, size_t count,
              const LineData& line);

}  // namespace ct
