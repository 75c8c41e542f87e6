// One line of centred text for badges and icon labels, drawn with Cairo's own simple
// text API: the home screen needs no shaping or wrapping.
#pragma once

#include <string>

#include "CoreGraphics/CoreGraphics.h"

namespace sbtext {

CGSize measure(const std::string& text, CGFloat fontSize, bool bold);
// Centred in `rect` of the current UIKit context; nothing without one.
void drawCentered(const std::string& text, CGRect rect, CGFloat fontSize, bool bold,
                  const CGFloat rgba[4]);

}  // namespace sbtext
