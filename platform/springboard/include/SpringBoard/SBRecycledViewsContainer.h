// Holds icon views that are not on a page, kept for reuse. Hidden; never drawn.
#pragma once

#include "SpringBoard/SpringBoardExport.h"
#include "UIKit/UIView.h"

class NIMBRA_SPRINGBOARD_API SBRecycledViewsContainer : public UIView {
  OBJC_CLASS(SBRecycledViewsContainer, UIView)

 public:
  SBRecycledViewsContainer();
};
