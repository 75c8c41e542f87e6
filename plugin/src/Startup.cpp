// Start-up: the library's three initialisers, run once by the loader in this order.
#include "Nimbra.h"

IMP origBadgeLayout = nullptr;
IMP origIconLayout = nullptr;
IMP origFolderLayout = nullptr;

void loadPrefsAndObserve() {
  reloadPrefs();
  CFNotificationCenterAddObserver(CFNotificationCenterGetDarwinNotifyCenter(), nullptr,
                                  &reloadPrefs, CFSTR(NimbraSettings::kChangedNotification),
                                  nullptr, CFNotificationSuspensionBehaviorDeliverImmediately);
}

// Missing classes are handed on unchecked; the runtime ignores them.
void installHooks() {
  SEL layout = OBJC_SEL("layoutSubviews");
  MSHookMessageEx(objc_getClass("SBIconBadgeView"), layout, objc::imp<&badgeViewLayoutSubviews>(),
                  &origBadgeLayout);

  Class iconView = objc_getClass("SBIconView");
  MSHookMessageEx(iconView, layout, objc::imp<&iconViewLayoutSubviews>(), &origIconLayout);
  class_addMethod(iconView, OBJC_SEL("hasBadge"), objc::method<&hasBadge>());
  class_addMethod(iconView, OBJC_SEL("calculateRadius"), objc::method<&calculateRadius>());

  Class folderIconView = objc_getClass("SBFolderIconView");
  MSHookMessageEx(folderIconView, layout, objc::imp<&folderIconViewLayoutSubviews>(),
                  &origFolderLayout);
  class_addMethod(folderIconView, OBJC_SEL("folderHasBadge"), objc::method<&folderHasBadge>());
  class_addMethod(folderIconView, OBJC_SEL("calculateFolderRadius"),
                  objc::method<&calculateFolderRadius>());
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
