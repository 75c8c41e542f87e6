// Icons of the home screen: the objects icon views show. What the plug-in sends them by
// name is in the runtime table: "displayName" and "getIconImage:" answer `id` (owning),
// "badgeNumberOrString" a plain `NSObject*` that the icon keeps (until the next time it is
// asked, for a folder's sum), "isFolderIcon" a BOOL; "getIconImage:" takes an int variant.
#pragma once

#include "Foundation/NSString.h"
#include "UIKit/UIImage.h"

class SBIcon : public NSObject {
  OBJC_CLASS(SBIcon, NSObject)

 public:
  explicit SBIcon(Strong<NSString> displayName) : displayName_(std::move(displayName)) {}

  const Strong<NSString>& displayName() const { return displayName_; }
  // None, an NSNumber or an NSString.
  virtual const id& badgeNumberOrString() const { return badge_; }
  // Values of any other type count as none.
  void setBadgeNumberOrString(const id& value);
  virtual BOOL isFolderIcon() const { return NO; }
  // The image at the home screen's size, whatever the variant.
  virtual Strong<UIImage> getIconImage(int variant) const = 0;

  // Whether a badge with this value is drawn at all: none, the number 0 and the empty
  // string show no badge, as on the device.
  static BOOL badgeValueIsVisible(const id& value);

 protected:
  Strong<NSString> displayName_;
  id badge_;
};
