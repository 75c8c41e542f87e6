// The plug-in's settings store reading a fuzzed settings file: reloadPrefs must leave
// every global with a value the glow and badge passes can use, and a file it cannot
// read must give exactly the defaults.
// fuzz-mutations: 2000
// fuzz-sources: plugin/src/Prefs.cpp
// fuzz-includes: plugin/src plugin/include include
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "Nimbra.h"
#include "ScratchFolder.h"

namespace {

std::string gSettingsPath;

[[noreturn]] void fault(const char* what) {
  std::fprintf(stderr, "settings store fault: %s\n", what);
  std::abort();
}

bool writeFile(const uint8_t* data, size_t size) {
  FILE* f = std::fopen(gSettingsPath.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && ok;
}

bool isTableColour(const Strong<UIColor>& colour) {
  for (const id& entry : *colors)
    if (entry == colour) return true;
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  static std::string home = fuzz::makeScratchFolder("settings");
  setenv("HOME", home.c_str(), 1);
  std::string folder = home + "/Library";
  mkdir(folder.c_str(), 0755);
  folder += "/Preferences";
  mkdir(folder.c_str(), 0755);
  gSettingsPath = folder + "/com.varenko.nimbra.plist";
  colors = buildColorTable();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (gSettingsPath.empty()) LLVMFuzzerInitialize(nullptr, nullptr);
  if (!writeFile(data, size)) fault("cannot write the settings file");
  reloadPrefs();

  if (!prefs) {
    if (!isEnabled || !isFolderEnabled || showBadge != 3 || !customStrengthEnabled ||
        customStrength != 5.0)
      fault("an unreadable file does not give the defaults");
    if (sameAsApp || daColor != colors->objectAtIndex(0)) fault("no file is not yellow");
  }
  if (!badgeWhitelist) fault("no whitelist");
  if (prefs && objc_cast<NSArray>(prefs->objectForKey(NSSTR("BadgeWhitelist"))) &&
      badgeWhitelist != prefs->objectForKey(NSSTR("BadgeWhitelist")))
    fault("the whitelist is not the file's");
  if (!std::isfinite(customStrength)) fault("the glow radius is not a number");
  // Whatever the Color value, the glow has a colour of the table unless it follows the
  // app; random mode draws anew each time.
  for (int pass = 0; pass < 3; ++pass) {
    if (!sameAsApp && (!daColor || !isTableColour(daColor))) fault("no glow colour");
    checkColor();
  }
  return 0;
}
