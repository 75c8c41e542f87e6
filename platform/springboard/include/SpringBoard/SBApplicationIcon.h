#pragma once

#include "SpringBoard/SBIcon.h"
#include "SpringBoard/SpringBoardExport.h"

class NIMBRA_SPRINGBOARD_API SBApplicationIcon : public SBIcon {
  OBJC_CLASS(SBApplicationIcon, SBIcon)

 public:
  SBApplicationIcon(Strong<NSString> displayName, Strong<UIImage> image)
      : SBIcon(std::move(displayName)), image_(std::move(image)) {}

  const Strong<UIImage>& getIconImage(int variant) const override { return image_; }

 private:
  Strong<UIImage> image_;
};
