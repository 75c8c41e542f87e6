// Loads plug-ins as the device's hooking framework does: every *.dylib in
// ROOT/Library/MobileSubstrate/DynamicLibraries, in name order, whose filter property
// list of the same base name selects this process:
//   {Filter = {Executables = ("nimbra-springboard"); Bundles = ("com.apple.springboard")}}
// A filter selects a process when either list names it (the executable's file name, or
// the bundle identifier the host runs as). A library without a readable filter, or whose
// filter has neither list, is not loaded. A filter may also name the Darwin notifications
// after which the host should lay its icons out again (a plug-in's settings changes):
//   {RelayoutNotifications = ("org.example.plugin/changed"); Filter = {...}}
// Entries that are not strings are passed over.
#pragma once

#include <string>
#include <vector>

#include "Foundation/NSDictionary.h"
#include "SpringBoard/SpringBoardExport.h"

// The bundle identifier the home-screen host runs as.
NIMBRA_SPRINGBOARD_API extern const char* const SBHostBundleIdentifier;  // "com.apple.springboard"

struct NIMBRA_SPRINGBOARD_API SBPluginLoadResult {
  std::vector<std::string> loaded;  // paths, in load order
  std::vector<std::string> errors;  // one line per library that failed to load
  // The loaded libraries' relayout notifications, each once, in load order.
  std::vector<std::string> relayoutNotifications;
};

namespace SBPluginLoader {

NIMBRA_SPRINGBOARD_API std::string pluginDirectory(const std::string& root);
NIMBRA_SPRINGBOARD_API BOOL filterSelects(const Strong<NSDictionary>& filterPlist,
                                          const std::string& executable,
                                          const std::string& bundleIdentifier);
// The names a filter's RelayoutNotifications holds; none for no filter or no list.
NIMBRA_SPRINGBOARD_API std::vector<std::string> relayoutNotifications(
    const Strong<NSDictionary>& filterPlist);
NIMBRA_SPRINGBOARD_API SBPluginLoadResult
loadPlugins(const std::string& root, const std::string& executable,
            const std::string& bundleIdentifier = SBHostBundleIdentifier);
// This process's executable file name.
NIMBRA_SPRINGBOARD_API std::string currentExecutableName();

}  // namespace SBPluginLoader
