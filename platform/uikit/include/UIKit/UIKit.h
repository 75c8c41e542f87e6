#pragma once

#include "QuartzCore/QuartzCore.h"
#include "UIKit/UIAccessibility.h"
#include "UIKit/UIBezierPath.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIEvent.h"
#include "UIKit/UIGeometry.h"
#include "UIKit/UIGraphics.h"
#include "UIKit/UIImage.h"
#include "UIKit/UIPasteboard.h"
#include "UIKit/UIResponder.h"
#include "UIKit/UIScreen.h"
#include "UIKit/UITouch.h"
#include "UIKit/UIView.h"
#include "UIKit/UIWindow.h"
#if __has_include("UIKit/UIFont.h")
#include "UIKit/UIFont.h"
#endif
#if __has_include("UIKit/NSParagraphStyle.h")
#include "UIKit/NSParagraphStyle.h"
#endif
#if __has_include("UIKit/NSAttributedStringKeys.h")
#include "UIKit/NSAttributedStringKeys.h"
#endif
#if __has_include("UIKit/UILabel.h")
#include "UIKit/UILabel.h"
#endif
