// nimbra prefs get KEY | set KEY VALUE...: the plug-in's settings file, written whole
// under the file lock with the types the plug-in reads, by the settings pane's own writer,
// then the change notification.
// The keys, their values and titles are in SettingsKeys.h; `nimbra help prefs` lists them.
#include <cstdio>
#include <filesystem>

#include "Command.h"
#include "CoreFoundation/CFNotificationCenter.h"
#include "Foundation/Foundation.h"
#include "NimbraSettings/Settings.h"
#include "Preferences/PSPreferenceStore.h"
#include "SettingsKeys.h"

namespace {

using namespace NimbraSettings;
using settingskeys::Key;

std::string settingsPath() {
  return NSHomeDirectory()->stringByAppendingPathComponent(NSSTR(kFile))->stdString();
}

int fail(const std::string& message) {
  std::fprintf(stderr, "nimbra prefs: %s\n", message.c_str());
  return 2;
}

const char* const kUsage = "usage: nimbra prefs get KEY | nimbra prefs set KEY VALUE...";

std::string keyNames() {
  std::string out;
  for (const Key& key : settingskeys::keys())
    out += (out.empty() ? "" : ", ") + std::string(key.name);
  return out;
}

int runPrefs(int argc, char** argv) {
  if (argc < 3) return fail(std::string("needs get KEY or set KEY VALUE\n") + kUsage);
  std::string verb = argv[1];
  if (verb != "get" && verb != "set")
    return fail("no such action '" + verb + "': get or set\n" + kUsage);
  const Key* key = settingskeys::findKey(argv[2]);
  if (!key) {
    return fail(std::string("unknown key '") + argv[2] + "'; the keys are " + keyNames() +
                " (nimbra help prefs says what each takes)");
  }
  if (verb == "get") {
    if (argc != 3) return fail("get takes one KEY\n" + std::string(kUsage));
    auto settings = NSDictionary::dictionaryWithContentsOfFile(settingsPath());
    id value =
        settings ? settings->objectForKey(NSString::stringWithUTF8String(key->name)) : nullptr;
    std::string shown = value ? settingskeys::show(*key, value) : settingskeys::showDefault(*key);
    std::printf("%s\n", shown.c_str());
    return 0;
  }
  std::string error;
  id value =
      settingskeys::parseValue(*key, std::vector<std::string>(argv + 3, argv + argc), &error);
  if (!value) return fail(error);

  // The settings pane's own writer: an unreadable file is moved aside, not lost.
  std::string path = settingsPath();
  std::string keptAside;
  if (!PSPreferenceStore::setValueForKey(NSString::stringWithUTF8String(kDomain),
                                         NSString::stringWithUTF8String(key->name), value, &error,
                                         &keptAside)) {
    // A folder where the file belongs is bad input, as everywhere else.
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return fail(error);
    if (error == "cannot write " + path) error += "; check that its folder is writable";
    std::fprintf(stderr, "nimbra prefs: %s\n", error.c_str());
    return 1;
  }
  if (!keptAside.empty()) {
    std::fprintf(stderr, "nimbra prefs: %s could not be read; kept it as %s\n", path.c_str(),
                 keptAside.c_str());
  }
  CFNotificationCenterPostNotification(CFNotificationCenterGetDarwinNotifyCenter(),
                                       NSString::stringWithUTF8String(kChangedNotification),
                                       nullptr, nullptr, true);
  return 0;
}

std::string keyTable() {
  std::string out = "keys (nimbra prefs set takes a choice's value or its title):\n";
  for (const Key& key : settingskeys::keys()) {
    std::string name = key.name;
    out += "  " + name + std::string(name.size() < 24 ? 24 - name.size() : 1, ' ') +
           settingskeys::describe(key) + "\n";
  }
  return out;
}

const nimbra::Command prefs{
    "prefs", "prefs get KEY | prefs set KEY VALUE...   read or change the Nimbra settings",
    &runPrefs, keyTable()};

}  // namespace
