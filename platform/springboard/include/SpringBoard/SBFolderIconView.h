// A folder's icon view. Its "layoutSubviews" is its own entry in the runtime table and
// runs the icon view's layout code directly, not through SBIconView's entry, so a hook on
// SBIconView reaches app icon views only.
#pragma once

#include "SpringBoard/SBIconView.h"
#include "SpringBoard/SpringBoardExport.h"

class NIMBRA_SPRINGBOARD_API SBFolderIconView : public SBIconView {
  OBJC_CLASS(SBFolderIconView, SBIconView)

 public:
  using SBIconView::SBIconView;
};
