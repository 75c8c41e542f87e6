#include "UIKit/NSTextContainer.h"

OBJC_CLASS_IMPL(NSTextContainer) {}
