// Icons of the home screen: the objects icon views show. What the plug-in sends them by
// name is in the runtime table: "displayName", "getIconImage:" and "badgeNumberOrString"
// answer plain `NSObject*`s that the icon keeps (the badge until the next time it is asked,
// for a folder's sum), "isFolderIcon" a BOOL; "getIconImage:" takes an int variant.
#pragma once

#include <cstdint>

#include "Foundation/NSString.h"
#include "SpringBoard/SpringBoardExport.h"
#include "UIKit/UIImage.h"

class NIMBRA_SPRINGBOARD_API SBIcon : public NSObject {
  OBJC_CLASS(SBIcon, NSObject)

 public:
  explicit SBIcon(Strong<NSString> displayName) : displayName_(std::move(displayName)) {}

  const Strong<NSString>& displayName() const { return displayName_; }
  // None, an NSNumber or an NSString.
  virtual const id& badgeNumberOrString() const { return badge_; }
  // Values of any other type count as none.
  void setBadgeNumberOrString(const id& value);
  // Goes up with every badge set on any icon, so that a folder knows when to sum again.
  static std::uint64_t badgeChanges();
  virtual BOOL isFolderIcon() const { return NO; }
  // The image at the home screen's size, whatever the variant.
  virtual const Strong<UIImage>& getIconImage(int variant) const = 0;

  // Whether a badge with this value is drawn at all: none, the number 0 and the empty
  // string show no badge, as on the device.
  static BOOL badgeValueIsVisible(const id& value);

 protected:
  Strong<NSString> displayName_;
  id badge_;
};
