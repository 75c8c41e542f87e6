// Start-up: the library's three initialisers, run once by the loader in this order.
#include "Nimbra.h"

LayoutIMP origBadgeLayout = nullptr;
LayoutIMP origIconLayout = nullptr;
LayoutIMP origFolderLayout = nullptr;

namespace {

template <class F>
IMP asIMP(F* function) {
  return reinterpret_cast<IMP>(function);
}

void hook(Class cls, IMP replacement, LayoutIMP* slot) {
  MSHookMessageEx(cls, OBJC_SEL("layoutSubviews"), replacement, reinterpret_cast<IMP*>(slot));
}

}  // namespace

void loadPrefsAndObserve() {
  reloadPrefs();
  CFNotificationCenterAddObserver(CFNotificationCenterGetDarwinNotifyCenter(), nullptr,
                                  &reloadPrefs, CFSTR(NimbraSettings::kChangedNotification),
                                  nullptr, CFNotificationSuspensionBehaviorDeliverImmediately);
}

// Missing classes are handed on unchecked; the runtime ignores them.
void installHooks() {
  hook(objc_getClass("SBIconBadgeView"), asIMP(&badgeViewLayoutSubviews), &origBadgeLayout);

  Class iconView = objc_getClass("SBIconView");
  hook(iconView, asIMP(&iconViewLayoutSubviews), &origIconLayout);
  class_addMethod(iconView, OBJC_SEL("hasBadge"), asIMP(&hasBadge), "B@:");
  class_addMethod(iconView, OBJC_SEL("calculateRadius"), asIMP(&calculateRadius), "d@:");

  Class folderIconView = objc_getClass("SBFolderIconView");
  hook(folderIconView, asIMP(&folderIconViewLayoutSubviews), &origFolderLayout);
  class_addMethod(folderIconView, OBJC_SEL("folderHasBadge"), asIMP(&folderHasBadge), "B@:");
  class_addMethod(folderIconView, OBJC_SEL("calculateFolderRadius"), asIMP(&calculateFolderRadius),
                  "d@:");
}

// The whitelist is taken from this second read: emptying it here would hide every
// whitelisted badge in mode 2 until the settings next change.
void initGlobals() {
  prefs = readPrefsFile();
  badgeWhitelist = whitelistFromPrefs(prefs);
  colors = buildColorTable();
}

__attribute__((constructor(101))) static void startupStep1() {
  loadPrefsAndObserve();
}
__attribute__((constructor(102))) static void startupStep2() {
  installHooks();
}
__attribute__((constructor(103))) static void startupStep3() {
  initGlobals();
}
