// The current UIKit context: a stack per thread. Image contexts are y-down, in points,
// with `scale` pixels per point.
#pragma once

#include "CoreGraphics/CoreGraphics.h"
#include "UIKit/UIImage.h"

CGContextRef UIGraphicsGetCurrentContext();  // none when the stack is empty
void UIGraphicsPushContext(const CGContextRef& context);
void UIGraphicsPopContext();  // ignored when empty

// scale 0: the main screen's. A size with no pixels still pushes a context (of one
// pixel) so that Begin and End stay balanced.
void UIGraphicsBeginImageContextWithOptions(CGSize size, bool opaque, CGFloat scale);
void UIGraphicsBeginImageContext(CGSize size);  // scale 1
// None unless the current context is an image context.
Strong<UIImage> UIGraphicsGetImageFromCurrentImageContext();
void UIGraphicsEndImageContext();

void UIRectFill(CGRect rect);
void UIRectFrame(CGRect rect);
void UIRectClip(CGRect rect);
