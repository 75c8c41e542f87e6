// The drawing context, on Cairo.
//
// The CTM maps user space to the context's device space, which is y-up with the origin
// at the bottom-left pixel, as on the device; a context made by UIKit starts with a flip
// in its CTM so that user space is y-down. Graphics state (CTM, clip, colours, line
// settings, alpha, shadow, font) is saved and restored; the text matrix, the text
// position and the current path are not.
//
// Shadows: CGContextSetShadowWithColor applies to every later drawing operation until
// the state is restored or the shadow is reset. The offset and blur are measured in the
// context's base space (its user space as created: pixels for a bitmap context, y-down
// points for a UIKit context), whatever the CTM is at the time. The blur is a Gaussian
// with sigma = blur / 2.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "CoreGraphics/CGColor.h"
#include "CoreGraphics/CGFont.h"
#include "CoreGraphics/CGImage.h"
#include "CoreGraphics/CGPath.h"
#include "CoreGraphics/CoreGraphicsExport.h"

typedef struct _cairo cairo_t;

enum CGPathDrawingMode : int32_t {
  kCGPathFill = 0,
  kCGPathEOFill = 1,
  kCGPathStroke = 2,
  kCGPathFillStroke = 3,
  kCGPathEOFillStroke = 4,
};

enum CGTextDrawingMode : int32_t {
  kCGTextFill = 0,
  kCGTextStroke = 1,
  kCGTextFillStroke = 2,
  kCGTextInvisible = 3,
};

enum CGBlendMode : int32_t {
  kCGBlendModeNormal = 0,
  kCGBlendModeMultiply = 1,
  kCGBlendModeClear = 16,
  kCGBlendModeCopy = 17,
};

enum CGInterpolationQuality : int32_t {
  kCGInterpolationDefault = 0,
  kCGInterpolationNone = 1,
  kCGInterpolationLow = 2,
  kCGInterpolationMedium = 4,
  kCGInterpolationHigh = 3,
};

class NIMBRA_COREGRAPHICS_API CGContext : public NSObject {
  OBJC_CLASS(CGContext, NSObject)
 public:
  struct Impl;
  // Used by the creation functions; `impl` owns the surface.
  explicit CGContext(std::unique_ptr<Impl> impl);
  ~CGContext() override;
  // The implementation with its drawing surface made.
  Impl& impl() const;
  // As it is, the surface perhaps not made yet: for paths that write the caller's memory.
  Impl& implAsIs() const { return *impl_; }

 private:
  std::unique_ptr<Impl> impl_;
};
using CGContextRef = Strong<CGContext>;

// Every function below does nothing (or answers a zero value) for a none context.

NIMBRA_COREGRAPHICS_API void CGContextSaveGState(const CGContextRef& c);
NIMBRA_COREGRAPHICS_API void CGContextRestoreGState(
    const CGContextRef& c);  // unbalanced restores are ignored
NIMBRA_COREGRAPHICS_API void CGContextFlush(const CGContextRef& c);
NIMBRA_COREGRAPHICS_API void CGContextSynchronize(const CGContextRef& c);

// Transforms
NIMBRA_COREGRAPHICS_API void CGContextTranslateCTM(const CGContextRef& c, CGFloat tx, CGFloat ty);
NIMBRA_COREGRAPHICS_API void CGContextScaleCTM(const CGContextRef& c, CGFloat sx, CGFloat sy);
NIMBRA_COREGRAPHICS_API void CGContextRotateCTM(const CGContextRef& c, CGFloat angle);
NIMBRA_COREGRAPHICS_API void CGContextConcatCTM(const CGContextRef& c, CGAffineTransform transform);
NIMBRA_COREGRAPHICS_API CGAffineTransform CGContextGetCTM(const CGContextRef& c);
NIMBRA_COREGRAPHICS_API CGAffineTransform
CGContextGetUserSpaceToDeviceSpaceTransform(const CGContextRef& c);
NIMBRA_COREGRAPHICS_API CGPoint CGContextConvertPointToDeviceSpace(const CGContextRef& c,
                                                                   CGPoint point);
NIMBRA_COREGRAPHICS_API CGPoint CGContextConvertPointToUserSpace(const CGContextRef& c,
                                                                 CGPoint point);
NIMBRA_COREGRAPHICS_API CGRect CGContextConvertRectToDeviceSpace(const CGContextRef& c,
                                                                 CGRect rect);

// Text matrix and position (not part of the saved state)
NIMBRA_COREGRAPHICS_API void CGContextSetTextMatrix(const CGContextRef& c, CGAffineTransform t);
NIMBRA_COREGRAPHICS_API CGAffineTransform CGContextGetTextMatrix(const CGContextRef& c);
NIMBRA_COREGRAPHICS_API void CGContextSetTextPosition(const CGContextRef& c, CGFloat x, CGFloat y);
NIMBRA_COREGRAPHICS_API CGPoint CGContextGetTextPosition(const CGContextRef& c);
NIMBRA_COREGRAPHICS_API void CGContextSetTextDrawingMode(const CGContextRef& c,
                                                         CGTextDrawingMode mode);
NIMBRA_COREGRAPHICS_API void CGContextSetFont(const CGContextRef& c, const CGFontRef& font);
NIMBRA_COREGRAPHICS_API void CGContextSetFontSize(const CGContextRef& c, CGFloat size);
// Glyph origins are `positions` in text space (y-up), mapped by the text matrix (whose
// translation is the text position) and then the CTM; drawn with the fill colour, the
// shadow applied. Nothing without a font.
NIMBRA_COREGRAPHICS_API void CGContextShowGlyphsAtPositions(const CGContextRef& c,
                                                            const CGGlyph* glyphs,
                                                            const CGPoint* positions, size_t count);
namespace cg {
// The same for a run as Core Text keeps it: glyph ids (only their low 16 bits are glyphs)
// and the origins' coordinates in arrays of their own, so that drawing copies neither.
NIMBRA_COREGRAPHICS_API void showGlyphRun(const CGContextRef& c, const uint32_t* glyphs,
                                          const double* xs, const double* ys, size_t count);
}  // namespace cg

// Colours and drawing state
NIMBRA_COREGRAPHICS_API void CGContextSetFillColorWithColor(const CGContextRef& c,
                                                            const CGColorRef& color);
NIMBRA_COREGRAPHICS_API void CGContextSetStrokeColorWithColor(const CGContextRef& c,
                                                              const CGColorRef& color);
NIMBRA_COREGRAPHICS_API void CGContextSetRGBFillColor(const CGContextRef& c, CGFloat r, CGFloat g,
                                                      CGFloat b, CGFloat a);
NIMBRA_COREGRAPHICS_API void CGContextSetRGBStrokeColor(const CGContextRef& c, CGFloat r, CGFloat g,
                                                        CGFloat b, CGFloat a);
NIMBRA_COREGRAPHICS_API void CGContextSetGrayFillColor(const CGContextRef& c, CGFloat gray,
                                                       CGFloat alpha);
NIMBRA_COREGRAPHICS_API void CGContextSetGrayStrokeColor(const CGContextRef& c, CGFloat gray,
                                                         CGFloat alpha);
NIMBRA_COREGRAPHICS_API void CGContextSetAlpha(const CGContextRef& c,
                                               CGFloat alpha);  // clamped to 0...1
NIMBRA_COREGRAPHICS_API void CGContextSetLineWidth(const CGContextRef& c, CGFloat width);
NIMBRA_COREGRAPHICS_API void CGContextSetLineJoin(const CGContextRef& c, CGLineJoin join);
NIMBRA_COREGRAPHICS_API void CGContextSetLineCap(const CGContextRef& c, CGLineCap cap);
NIMBRA_COREGRAPHICS_API void CGContextSetMiterLimit(const CGContextRef& c, CGFloat limit);
NIMBRA_COREGRAPHICS_API void CGContextSetLineDash(const CGContextRef& c, CGFloat phase,
                                                  const CGFloat* lengths, size_t count);
NIMBRA_COREGRAPHICS_API void CGContextSetBlendMode(const CGContextRef& c, CGBlendMode mode);
NIMBRA_COREGRAPHICS_API void CGContextSetShouldAntialias(const CGContextRef& c, bool antialias);
NIMBRA_COREGRAPHICS_API void CGContextSetInterpolationQuality(const CGContextRef& c,
                                                              CGInterpolationQuality quality);
// None or a colour with zero alpha turns the shadow off.
NIMBRA_COREGRAPHICS_API void CGContextSetShadowWithColor(const CGContextRef& c, CGSize offset,
                                                         CGFloat blur, const CGColorRef& color);
// Black with alpha 1/3, as on the device.
NIMBRA_COREGRAPHICS_API void CGContextSetShadow(const CGContextRef& c, CGSize offset, CGFloat blur);
// Our extension: a shadow whose offset and blur are in the current user space (mapped
// by the CTM now), as layers need. `sigma` is the Gaussian's deviation there.
NIMBRA_COREGRAPHICS_API void CGContextSetShadowInUserSpace(const CGContextRef& c, CGSize offset,
                                                           CGFloat sigma, const CGColorRef& color);

// Transparency layers: drawing between Begin and End is composited as one image when
// End is called, with the alpha, shadow and blend mode in force at Begin.
NIMBRA_COREGRAPHICS_API void CGContextBeginTransparencyLayer(const CGContextRef& c,
                                                             const void* auxiliaryInfo);
NIMBRA_COREGRAPHICS_API void CGContextEndTransparencyLayer(const CGContextRef& c);

// Paths
NIMBRA_COREGRAPHICS_API void CGContextBeginPath(const CGContextRef& c);
NIMBRA_COREGRAPHICS_API void CGContextMoveToPoint(const CGContextRef& c, CGFloat x, CGFloat y);
NIMBRA_COREGRAPHICS_API void CGContextAddLineToPoint(const CGContextRef& c, CGFloat x, CGFloat y);
NIMBRA_COREGRAPHICS_API void CGContextAddCurveToPoint(const CGContextRef& c, CGFloat cp1x,
                                                      CGFloat cp1y, CGFloat cp2x, CGFloat cp2y,
                                                      CGFloat x, CGFloat y);
NIMBRA_COREGRAPHICS_API void CGContextAddQuadCurveToPoint(const CGContextRef& c, CGFloat cpx,
                                                          CGFloat cpy, CGFloat x, CGFloat y);
NIMBRA_COREGRAPHICS_API void CGContextAddArc(const CGContextRef& c, CGFloat x, CGFloat y,
                                             CGFloat radius, CGFloat startAngle, CGFloat endAngle,
                                             int clockwise);
NIMBRA_COREGRAPHICS_API void CGContextAddArcToPoint(const CGContextRef& c, CGFloat x1, CGFloat y1,
                                                    CGFloat x2, CGFloat y2, CGFloat radius);
NIMBRA_COREGRAPHICS_API void CGContextAddRect(const CGContextRef& c, CGRect rect);
NIMBRA_COREGRAPHICS_API void CGContextAddRects(const CGContextRef& c, const CGRect* rects,
                                               size_t count);
NIMBRA_COREGRAPHICS_API void CGContextAddEllipseInRect(const CGContextRef& c, CGRect rect);
NIMBRA_COREGRAPHICS_API void CGContextAddLines(const CGContextRef& c, const CGPoint* points,
                                               size_t count);
NIMBRA_COREGRAPHICS_API void CGContextAddPath(const CGContextRef& c, const CGPathRef& path);
NIMBRA_COREGRAPHICS_API void CGContextClosePath(const CGContextRef& c);
NIMBRA_COREGRAPHICS_API bool CGContextIsPathEmpty(const CGContextRef& c);
NIMBRA_COREGRAPHICS_API CGPoint CGContextGetPathCurrentPoint(const CGContextRef& c);
NIMBRA_COREGRAPHICS_API CGRect CGContextGetPathBoundingBox(const CGContextRef& c);
// These consume the current path.
NIMBRA_COREGRAPHICS_API void CGContextFillPath(const CGContextRef& c);
NIMBRA_COREGRAPHICS_API void CGContextEOFillPath(const CGContextRef& c);
NIMBRA_COREGRAPHICS_API void CGContextStrokePath(const CGContextRef& c);
NIMBRA_COREGRAPHICS_API void CGContextDrawPath(const CGContextRef& c, CGPathDrawingMode mode);
NIMBRA_COREGRAPHICS_API void CGContextClip(const CGContextRef& c);
NIMBRA_COREGRAPHICS_API void CGContextEOClip(const CGContextRef& c);
// These leave the current path alone.
NIMBRA_COREGRAPHICS_API void CGContextFillRect(const CGContextRef& c, CGRect rect);
NIMBRA_COREGRAPHICS_API void CGContextFillRects(const CGContextRef& c, const CGRect* rects,
                                                size_t count);
NIMBRA_COREGRAPHICS_API void CGContextStrokeRect(const CGContextRef& c, CGRect rect);
NIMBRA_COREGRAPHICS_API void CGContextStrokeRectWithWidth(const CGContextRef& c, CGRect rect,
                                                          CGFloat width);
NIMBRA_COREGRAPHICS_API void CGContextFillEllipseInRect(const CGContextRef& c, CGRect rect);
NIMBRA_COREGRAPHICS_API void CGContextStrokeEllipseInRect(const CGContextRef& c, CGRect rect);
NIMBRA_COREGRAPHICS_API void CGContextStrokeLineSegments(const CGContextRef& c,
                                                         const CGPoint* points, size_t count);
NIMBRA_COREGRAPHICS_API void CGContextClearRect(const CGContextRef& c,
                                                CGRect rect);  // to transparent, no shadow
NIMBRA_COREGRAPHICS_API void CGContextClipToRect(const CGContextRef& c, CGRect rect);
NIMBRA_COREGRAPHICS_API void CGContextClipToRects(const CGContextRef& c, const CGRect* rects,
                                                  size_t count);
NIMBRA_COREGRAPHICS_API CGRect CGContextGetClipBoundingBox(const CGContextRef& c);

// Images are drawn upright in a y-up space (their first row at the rectangle's maximum
// y), so in a flipped context they come out upside down, as on the device. Scaling an
// image down onto whole device pixels averages each pixel's footprint exactly.
NIMBRA_COREGRAPHICS_API void CGContextDrawImage(const CGContextRef& c, CGRect rect,
                                                const CGImageRef& image);

// Our extensions.
// Write the context's pixels to a PNG file (NO on failure or for a none context).
NIMBRA_COREGRAPHICS_API bool CGContextWriteToPNGFile(const CGContextRef& c,
                                                     const std::string& path);
// The Cairo context underneath, with its matrix set to the CTM (y-down device pixels).
NIMBRA_COREGRAPHICS_API cairo_t* CGContextGetCairo(const CGContextRef& c);
// Device pixel size.
NIMBRA_COREGRAPHICS_API size_t CGContextGetPixelWidth(const CGContextRef& c);
NIMBRA_COREGRAPHICS_API size_t CGContextGetPixelHeight(const CGContextRef& c);
// A context over new memory of `width` x `height` pixels whose user space is y-down with
// `scale` pixels per unit, as UIKit makes them.
NIMBRA_COREGRAPHICS_API CGContextRef CGContextCreateFlipped(size_t width, size_t height,
                                                            CGFloat scale);
