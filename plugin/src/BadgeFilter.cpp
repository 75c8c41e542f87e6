// Shows or hides badge views by the badge mode and the whitelist of display names.
#include "Nimbra.h"

namespace {

// Exact, case-sensitive comparison; entries that are not strings never match.
BOOL whitelistContains(NSObject* name) {
  auto* displayName = objc_cast<NSString>(name);
  if (!displayName || !badgeWhitelist) return NO;
  for (uint64_t i = 0, n = badgeWhitelist->count(); i < n; ++i) {
    auto entry = objc_cast<NSString>(badgeWhitelist->objectAtIndex(i));
    if (entry && entry->isEqualToString(displayName)) return YES;
  }
  return NO;
}

BOOL badgeShown(NSObject* badgeView) {
  // "superview" answers a plain pointer: the superview owns the badge view, not the reverse.
  UIView* iconView = objc_msgSend<UIView*>(badgeView, OBJC_SEL("superview"));
  switch (showBadge) {
    case NimbraSettings::kShowNoBadges:
      return NO;
    case NimbraSettings::kShowFolderBadges: {
      NSObject* icon = objc_msgSend<NSObject*>(iconView, OBJC_SEL("icon"));
      return objc_msgSend<BOOL>(icon, OBJC_SEL("isFolderIcon"));
    }
    case NimbraSettings::kShowWhitelistedBadges: {
      NSObject* icon = objc_msgSend<NSObject*>(iconView, OBJC_SEL("icon"));
      return whitelistContains(objc_msgSend<NSObject*>(icon, OBJC_SEL("displayName")));
    }
    default:
      return YES;
  }
}

}  // namespace

void badgeViewLayoutSubviews(NSObject* self, SEL _cmd) {
  objc_callImp(origBadgeLayout, self, _cmd);
  BOOL hidden = isEnabled ? !badgeShown(self) : NO;
  objc_msgSend(self, OBJC_SEL("setHidden:"), hidden);
}
