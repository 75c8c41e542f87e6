// The compositor: renders a layer tree into pixels. Each layer draws, in order, its
// background (rounded by cornerRadius), its contents image, its delegate's drawing, its
// sublayers and its border, all clipped to the bounds when masksToBounds is set; then its
// opacity applies to the whole. A shadow (shadowOpacity > 0 with a colour) is the alpha of
// all that, blurred with a Gaussian of sigma = shadowRadius points, tinted by the colour
// times shadowOpacity, moved by shadowOffset and drawn beneath the layer; masksToBounds
// clips it too. Hidden layers and their sublayers are not drawn.
#pragma once

#include <string>

#include "QuartzCore/CALayer.h"
#include "QuartzCore/QuartzCoreExport.h"

namespace CACompositor {

// An image of `layer`'s frame at `scale` pixels per point, transparent where nothing is
// drawn. The layer's own position is ignored: its frame's origin is the image's top-left.
NIMBRA_QUARTZCORE_API CGImageRef renderLayer(CALayer* layer, CGFloat scale);
// The same, with a margin of `margin` points around the frame (for glows).
NIMBRA_QUARTZCORE_API CGImageRef renderLayerWithMargin(CALayer* layer, CGFloat scale,
                                                       CGFloat margin);
// Writes `renderLayer` to a PNG file; NO on failure.
NIMBRA_QUARTZCORE_API bool writePNG(CALayer* layer, const std::string& path, CGFloat scale);

}  // namespace CACompositor
