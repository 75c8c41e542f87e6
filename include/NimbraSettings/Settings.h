// The plug-in's settings as the plug-in, its settings pane and the nimbra command all see
// them: where the file lives, the notification posted after it is written, its keys and
// what each means when it is absent. Constants only, so the three share nothing at run
// time.
#pragma once

#include <cstdint>

namespace NimbraSettings {

// The settings file, below the home directory: the preference domain's file.
inline constexpr const char* kDomain = "com.varenko.nimbra";
inline constexpr const char* kFile = "Library/Preferences/com.varenko.nimbra.plist";
// Posted (Darwin) after every write of the file.
inline constexpr const char* kChangedNotification = "com.varenko.nimbra/preferencechanged";

// Which badges stay visible, the ShowBadges setting.
enum ShowBadges : int32_t {
  kShowNoBadges = 0,
  kShowFolderBadges = 1,       // badges of folder icons only
  kShowWhitelistedBadges = 2,  // badges of the apps BadgeWhitelist names
  kShowAllBadges = 3,
};

// The Color setting: an index into the plug-in's colour table, or one of these.
inline constexpr int32_t kColorCount = 14;  // indexes 0 to 13
inline constexpr int32_t kRandomColor = 673;
inline constexpr int32_t kSameColorAsApp = 674;

// Keys, each with the value the plug-in uses without one.
inline constexpr const char* kEnabled = "Enabled";
inline constexpr bool kEnabledDefault = true;
inline constexpr const char* kFoldersEnabled = "FoldersEnabled";
inline constexpr bool kFoldersEnabledDefault = true;
inline constexpr const char* kShowBadgesKey = "ShowBadges";
inline constexpr ShowBadges kShowBadgesDefault = kShowAllBadges;
inline constexpr const char* kBadgeWhitelist = "BadgeWhitelist";  // default: none
inline constexpr const char* kCustomStrengthEnabled = "CustomStrengthEnabled";
inline constexpr bool kCustomStrengthEnabledDefault = true;
inline constexpr const char* kCustomStrength = "CustomStrength";
inline constexpr double kCustomStrengthDefault = 5.0;
inline constexpr const char* kColor = "Color";
inline constexpr int32_t kColorDefault = 0;

}  // namespace NimbraSettings
