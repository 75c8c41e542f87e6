#pragma once

#include "CoreGraphics/CGBitmapContext.h"
#include "CoreGraphics/CGColor.h"
#include "CoreGraphics/CGColorSpace.h"
#include "CoreGraphics/CGContext.h"
#include "CoreGraphics/CGFont.h"
#include "CoreGraphics/CGGeometry.h"
#include "CoreGraphics/CGImage.h"
#include "CoreGraphics/CGPath.h"
