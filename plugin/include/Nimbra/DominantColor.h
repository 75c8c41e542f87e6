// The UIImage category that Nimbra.dylib attaches when it loads: `dominantColor`
// (type "@16@0:8") answers a new UIColor, the image averaged into one premultiplied
// pixel. Callers reach it through the runtime, so they need not link the plug-in.
#pragma once

#include "UIKit/UIColor.h"
#include "UIKit/UIImage.h"
#include "objc/runtime.h"

// None when the plug-in is not loaded or the receiver is none.
inline Strong<UIColor> UIImageDominantColor(const Strong<UIImage>& image) {
  if (!image || !image->respondsToSelector(OBJC_SEL("dominantColor"))) return nullptr;
  return objc_cast<UIColor>(objc_msgSend<id>(image, OBJC_SEL("dominantColor")));
}
