// The plug-in's process-wide state and functions. Everything here runs on the host's
// main thread (layout passes and the settings notification), so nothing is locked.
#pragma once

#include "CoreFoundation/CFNotificationCenter.h"
#include "Foundation/Foundation.h"
#include "NimbraSettings/Settings.h"
#include "UIKit/UIKit.h"

// Settings store.
extern Strong<NSDictionary> prefs;
extern BOOL isEnabled;
extern BOOL isFolderEnabled;
extern NimbraSettings::ShowBadges showBadge;
extern Strong<NSArray> badgeWhitelist;
extern BOOL customStrengthEnabled;
extern CGFloat customStrength;
extern Strong<UIColor> daColor;
extern BOOL sameAsApp;
extern Strong<NSArray> colors;

// Also the settings notification's callback, whose arguments it ignores.
void reloadPrefs(CFNotificationCenterRef center = nullptr, void* observer = nullptr,
                 CFStringRef name = nullptr, const void* object = nullptr,
                 CFDictionaryRef userInfo = nullptr);
void checkColor();

// The settings file as a dictionary, or none when it is missing or unreadable.
Strong<NSDictionary> readPrefsFile();
// The whitelist a settings dictionary holds: its BadgeWhitelist when that is an array,
// otherwise a new empty array.
Strong<NSArray> whitelistFromPrefs(const Strong<NSDictionary>& dict);
Strong<NSArray> buildColorTable();

// Host implementations saved by installHooks, each called with objc_callImp.
extern IMP origBadgeLayout;
extern IMP origIconLayout;
extern IMP origFolderLayout;

// Replacements and added methods.
void iconViewLayoutSubviews(NSObject* self, SEL _cmd);
void folderIconViewLayoutSubviews(NSObject* self, SEL _cmd);
BOOL hasBadge(NSObject* self, SEL _cmd);
CGFloat calculateRadius(NSObject* self, SEL _cmd);
BOOL folderHasBadge(NSObject* self, SEL _cmd);
CGFloat calculateFolderRadius(NSObject* self, SEL _cmd);
void badgeViewLayoutSubviews(NSObject* self, SEL _cmd);

// Start-up steps, run by the library's initialisers in this order.
void loadPrefsAndObserve();
void installHooks();
void initGlobals();
