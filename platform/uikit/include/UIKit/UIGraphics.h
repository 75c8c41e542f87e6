// The current UIKit context: a stack per thread. Image contexts are y-down, in points,
// with `scale` pixels per point.
#pragma once

#include "CoreGraphics/CoreGraphics.h"
#include "UIKit/UIImage.h"
#include "UIKit/UIKitExport.h"

NIMBRA_UIKIT_API CGContextRef UIGraphicsGetCurrentContext();  // none when the stack is empty
NIMBRA_UIKIT_API void UIGraphicsPushContext(const CGContextRef& context);
NIMBRA_UIKIT_API void UIGraphicsPopContext();  // ignored when empty

// scale 0: the main screen's. A size with no pixels still pushes a context (of one
// pixel) so that Begin and End stay balanced.
NIMBRA_UIKIT_API void UIGraphicsBeginImageContextWithOptions(CGSize size, bool opaque,
                                                             CGFloat scale);
NIMBRA_UIKIT_API void UIGraphicsBeginImageContext(CGSize size);  // scale 1
// None unless the current context is an image context.
NIMBRA_UIKIT_API Strong<UIImage> UIGraphicsGetImageFromCurrentImageContext();
NIMBRA_UIKIT_API void UIGraphicsEndImageContext();

NIMBRA_UIKIT_API void UIRectFill(CGRect rect);
NIMBRA_UIKIT_API void UIRectFrame(CGRect rect);
NIMBRA_UIKIT_API void UIRectClip(CGRect rect);
