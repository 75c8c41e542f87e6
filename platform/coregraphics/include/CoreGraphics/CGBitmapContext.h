// Bitmap contexts over caller memory (or their own), in the byte orders of the device.
// The caller's memory is brought up to date after each drawing call.
#pragma once

#include "CoreGraphics/CGContext.h"
#include "CoreGraphics/CoreGraphicsExport.h"

// 8 bits per component, 32 bits per pixel. Supported: premultiplied first or last, skip
// first or last, with default, 32-bit little or 32-bit big byte order; kCGImageAlphaOnly
// with 8 bits per pixel. None for anything else, a bytesPerRow too small, a zero size,
// or a missing colour space (except alpha-only). `data` none: the context owns its
// pixels; `bytesPerRow` 0: computed. The caller's memory must outlive the context.
NIMBRA_COREGRAPHICS_API CGContextRef CGBitmapContextCreate(void* data, size_t width, size_t height,
                                                           size_t bitsPerComponent,
                                                           size_t bytesPerRow,
                                                           const CGColorSpaceRef& space,
                                                           uint32_t bitmapInfo);
NIMBRA_COREGRAPHICS_API void* CGBitmapContextGetData(
    const CGContextRef& c);  // none for a non-bitmap context
NIMBRA_COREGRAPHICS_API size_t CGBitmapContextGetWidth(const CGContextRef& c);
NIMBRA_COREGRAPHICS_API size_t CGBitmapContextGetHeight(const CGContextRef& c);
NIMBRA_COREGRAPHICS_API size_t CGBitmapContextGetBytesPerRow(const CGContextRef& c);
NIMBRA_COREGRAPHICS_API size_t CGBitmapContextGetBitsPerComponent(const CGContextRef& c);
NIMBRA_COREGRAPHICS_API size_t CGBitmapContextGetBitsPerPixel(const CGContextRef& c);
NIMBRA_COREGRAPHICS_API uint32_t CGBitmapContextGetBitmapInfo(const CGContextRef& c);
NIMBRA_COREGRAPHICS_API CGImageAlphaInfo CGBitmapContextGetAlphaInfo(const CGContextRef& c);
NIMBRA_COREGRAPHICS_API CGColorSpaceRef CGBitmapContextGetColorSpace(const CGContextRef& c);
// A copy of the pixels as an image; none for a non-bitmap context.
NIMBRA_COREGRAPHICS_API CGImageRef CGBitmapContextCreateImage(const CGContextRef& c);
