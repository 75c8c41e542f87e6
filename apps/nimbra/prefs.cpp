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

std::string keyNames() {
  std::string out;
  for (const Key& key : settingskeys::keys())
    out += (out.empty() ? "" : ", ") + std::string(key.name);
  return out;
}

// `verb` is get or set; `values` what set was given after the key.
int runPrefs(const std::string& verb, const std::string& name,
             const std::vector<std::string>& values) {
  const Key* key = settingskeys::findKey(name);
  if (!key) {
    return fail("unknown key '" + name + "'; the keys are " + keyNames() +
                " (nimbra help prefs says what each takes)");
  }
  if (verb == "get") {
    auto settings = NSDictionary::dictionaryWithContentsOfFile(settingsPath());
    id value =
        settings ? settings->objectForKey(NSString::stringWithUTF8String(key->name)) : nullptr;
    std::string shown = value ? settingskeys::show(*key, value) : settingskeys::showDefault(*key);
    std::printf("%s\n", shown.c_str());
    return 0;
  }
  std::string error;
  id value = settingskeys::parseValue(*key, values, &error);
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

const char* const kNeeds = "needs get KEY or set KEY VALUE";

// prefs get KEY, prefs set KEY VALUE...
class Action : public commandline::Command {
 public:
  Action(const char* verb, const char* summary) : Command(verb, summary) {
    add_option("KEY", key_)->required();
    missing(kNeeds);
  }
  int run() override { return runPrefs(get_name(), key_, values_); }

 protected:
  std::string key_;
  std::vector<std::string> values_;
};

class Get : public Action {
 public:
  Get() : Action("get", "print a setting, a choice's value with its title") {
    unknown([](const std::string&) { return "get takes one KEY"; });
  }
};

class Set : public Action {
 public:
  Set() : Action("set", "change a setting to a value the settings pane can write") {
    add_option("VALUE", values_);
  }
};

class Prefs : public commandline::Command {
 public:
  Prefs() : Command("prefs", "read or change the Nimbra settings") {
    require_subcommand(0, 1);
    add_subcommand(std::make_shared<Get>());
    add_subcommand(std::make_shared<Set>());
    footer(keyTable());
    unknown([](const std::string& arg) { return "no such action '" + arg + "': get or set"; });
  }
  // Neither get nor set.
  int run() override { throw commandline::Refused(kNeeds); }
};

const nimbra::Registration prefs{[] { return std::make_shared<Prefs>(); }};

}  // namespace
