// The region text is laid out in: a size and a padding at both ends of each line.
#pragma once

#include "CoreGraphics/CGGeometry.h"
#include "UIKit/UIKitExport.h"
#include "objc/NSObject.h"

class NSLayoutManager;

class NIMBRA_UIKIT_API NSTextContainer : public NSObject {
  OBJC_CLASS(NSTextContainer, NSObject)
 public:
  explicit NSTextContainer(CGSize size = CGSizeZero) : size_(size) {}
  static Strong<NSTextContainer> initWithSize(CGSize size) {
    return std::make_shared<NSTextContainer>(size);
  }

  CGSize size() const { return size_; }
  void setSize(CGSize size) { size_ = size; }
  CGFloat lineFragmentPadding() const { return padding_; }
  void setLineFragmentPadding(CGFloat padding) { padding_ = padding; }
  Strong<NSLayoutManager> layoutManager() const { return layoutManager_.lock(); }
  void setLayoutManager(const Strong<NSLayoutManager>& lm) { layoutManager_ = lm; }

 private:
  CGSize size_;
  CGFloat padding_ = 5.0;
  Weak<NSLayoutManager> layoutManager_;
};
