// The screen: bounds in points and a scale. Both can be set (our extension) so hosts and
// tests can choose the device they act as.
#pragma once

#include "CoreGraphics/CGGeometry.h"
#include "UIKit/UIKitExport.h"
#include "objc/NSObject.h"

class NIMBRA_UIKIT_API UIScreen : public NSObject {
  OBJC_CLASS(UIScreen, NSObject)
 public:
  UIScreen() = default;
  static Strong<UIScreen> mainScreen();

  CGRect bounds() const { return bounds_; }
  void setBounds(CGRect bounds) { bounds_ = bounds; }  // our extension
  CGFloat scale() const { return scale_; }
  void setScale(CGFloat scale);  // our extension; <= 0 counts as 1
  CGRect applicationFrame() const { return bounds_; }

 private:
  CGRect bounds_{{0, 0}, {320, 568}};
  CGFloat scale_ = 2;
};
