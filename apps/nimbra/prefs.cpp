// nimbra prefs get KEY | set KEY VALUE...: the plug-in's settings file, written whole
// under the file lock with the types the plug-in reads, then the change notification.
// The keys, their values and titles are in SettingsKeys.h; `nimbra help prefs` lists them.
#include <cstdio>
#include <filesystem>

#include "Command.h"
#include "CoreFoundation/CFNotificationCenter.h"
#include "Foundation/Foundation.h"
#include "NimbraSettings/Settings.h"
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

  std::string path = settingsPath();
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
  enum class Outcome { Written, Unreadable, WriteFailed } outcome = Outcome::WriteFailed;
  BOOL locked = NSFileCoordinator::coordinateWritingItemAtPath(path, [&] {
    auto settings = NSMutableDictionary::dictionaryWithContentsOfFile(path);
    if (!settings) {
      // A file that is there but unreadable is left for the user to look at, not
      // replaced by one holding a single key.
      if (std::filesystem::exists(path, ec)) {
        outcome = Outcome::Unreadable;
        return;
      }
      settings = NSMutableDictionary::dictionary();
    }
    settings->setObjectForKey(value, NSString::stringWithUTF8String(key->name));
    outcome = settings->writeToFileAtomically(path, YES) ? Outcome::Written : Outcome::WriteFailed;
  });
  if (locked && outcome == Outcome::Unreadable) {
    return fail(path + " is not a property-list dictionary; fix or remove it first");
  }
  if (!locked || outcome != Outcome::Written) {
    std::fprintf(stderr, "nimbra prefs: cannot write %s; check that its folder is writable\n",
                 path.c_str());
    return 1;
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
