// Holds icon views that are not on a page, kept for reuse. Hidden; never drawn.
#pragma once

#include "UIKit/UIView.h"

class SBRecycledViewsContainer : public UIView {
  OBJC_CLASS(SBRecycledViewsContainer, UIView)

 public:
  SBRecycledViewsContainer();
};
