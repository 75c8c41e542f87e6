// `nimbra prefs set KEY VALUE...` on fuzzed arguments: the parser either refuses with a
// reason or gives a value the settings pane itself could have written (a boolean, a
// choice among the pane's values, a strength in the slider's range, a list of non-empty
// names without commas), and what `get` shows for it parses back to the same value.
// fuzz-sources: apps/nimbra/SettingsKeys.cpp
// fuzz-includes: apps/nimbra include
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Foundation/Foundation.h"
#include "FuzzInput.h"
#include "SettingsKeys.h"

namespace {

using settingskeys::Kind;

[[noreturn]] void fault(const char* what, const std::string& key) {
  std::fprintf(stderr, "prefs set fault: %s (%s)\n", what, key.c_str());
  std::abort();
}

void checkValue(const settingskeys::Key& key, const id& value) {
  auto n = objc_cast<NSNumber>(value);
  switch (key.kind) {
    case Kind::Boolean:
      if (!n || !n->isBoolean()) fault("not a boolean", key.name);
      break;
    case Kind::Choice: {
      bool offered = false;
      for (const auto& c : key.choices)
        offered = offered || (n && !n->isReal() && n->intValue() == c.value);
      if (!offered) fault("a choice the pane does not offer", key.name);
      break;
    }
    case Kind::Real:
      if (!n || !std::isfinite(n->doubleValue()) || n->doubleValue() < key.minimum ||
          n->doubleValue() > key.maximum)
        fault("a strength outside the slider's range", key.name);
      break;
    case Kind::Names: {
      auto list = objc_cast<NSArray>(value);
      if (!list) fault("not a list", key.name);
      for (const id& item : *list) {
        auto name = objc_cast<NSString>(item);
        if (!name || !name->length() || name->stdString().find(',') != std::string::npos)
          fault("an empty name or one with a comma", key.name);
      }
      break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in(data, size);
  const auto& keys = settingskeys::keys();
  const auto& key = keys[in.choice(static_cast<unsigned>(keys.size()))];
  std::vector<std::string> args;
  for (unsigned n = in.choice(4); n > 0; --n) args.push_back(in.text(24));
  std::string error;
  id value = settingskeys::parseValue(key, args, &error);
  if (!value) {
    if (error.empty()) fault("refused without a reason", key.name);
    return 0;
  }
  checkValue(key, value);
  // What get prints names the value; a choice's shown value parses back to it.
  std::string shown = settingskeys::show(key, value);
  if (key.kind == Kind::Choice) {
    std::string number = shown.substr(0, shown.find(' '));
    id again = settingskeys::parseValue(key, {number}, &error);
    if (!again || !again->isEqual(value)) fault("get's value does not parse back", key.name);
  }
  return 0;
}
