// The settings keys as `nimbra prefs` reads and writes them: each key's kind, the values
// the settings pane can write (the slider's range, the choice lists' values with their
// titles) and the default the plug-in uses without it. The pane's own list is the
// reference; tests/apps/nimbra/settings_keys_test.cpp holds this table to it.
#pragma once

#include <string>
#include <vector>

#include "objc/runtime.h"

namespace settingskeys {

enum class Kind { Boolean, Choice, Real, Names };

struct Choice {
  int value;
  const char* title;  // as the pane's choice list shows it
};

struct Key {
  const char* name;
  Kind kind;
  std::vector<Choice> choices;      // Choice keys
  double minimum = 0, maximum = 0;  // Real keys: the slider's range
  const char* fallback;             // the value the plug-in uses without the key, as `get` shows it
};

const std::vector<Key>& keys();
const Key* findKey(const std::string& name);

// The property-list value `args` give `key`, or none with `error` filled (what is wrong
// and what the key takes). Choice keys take a value or a title (case and blanks aside).
id parseValue(const Key& key, const std::vector<std::string>& args, std::string* error);

// A stored value as `get` prints it: YES/NO, a list joined by commas, a choice's value
// followed by its title in parentheses.
std::string show(const Key& key, const id& value);

// The plug-in's value for an absent key: "3 (Show all, default)", "YES (default)".
std::string showDefault(const Key& key);

// What the key takes, one line: its type, range or choices, and default.
std::string describe(const Key& key);

}  // namespace settingskeys
