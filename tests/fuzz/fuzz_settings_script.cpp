// The Settings host's step script on fuzzed text: reading it either fails naming a line,
// or gives steps that are each known with the right number of arguments; a script written
// back from those steps reads as the same steps. Then the steps run in a headless host
// over the staged root (no window), as `nimbra settings --script` runs them: a step may
// fail with a reason, never crash.
// fuzz-sources: apps/settings/SettingsHost.cpp apps/settings/RootListController.cpp
// fuzz-sources: apps/common/CommandLine.cpp
// fuzz-includes: apps/settings apps/common
// fuzz-depends: nimbra_bundle Nimbra
// fuzz-mutations: 1000
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "ScratchFolder.h"
#include "SettingsHost.h"
#include "UIKit/UIAlertView.h"
#include "UIKit/UIApplication.h"

namespace {

[[noreturn]] void fault(const char* what, const std::string& detail) {
  std::fprintf(stderr, "settings script fault: %s: %s\n", what, detail.c_str());
  std::abort();
}

// A script line for a step: every word quoted (no word holds a quote or a line break).
std::string line(const settingshost::Step& step) {
  std::string out = step.verb;
  for (const auto& arg : step.args) out += " \"" + arg + "\"";
  return out + "\n";
}

// Steps that write files other than the settings file, or open URLs, are left out of the
// run: the script reader is what is fuzzed, the host only takes what it reads.
bool runnable(const settingshost::Step& step) {
  return step.verb != "screenshot" && step.verb != "accessibility";
}

bool gInitialised = false;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The settings file is rewritten by many steps: a folder in memory, removed at exit.
  static std::string home = fuzz::makeScratchFolder("script");
  setenv("HOME", home.c_str(), 1);
  unsetenv("XDG_RUNTIME_DIR");  // the pasteboard in that home too
  gInitialised = true;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!gInitialised) LLVMFuzzerInitialize(nullptr, nullptr);
  fuzz::Input in(data, size);
  std::string text(in.rest());
  std::vector<settingshost::Step> steps;
  std::string error;
  if (!settingshost::parseScript(text, &steps, &error)) {
    if (error.rfind("line ", 0) != 0) fault("an error that names no line", error);
    return 0;
  }
  std::string written;
  for (const auto& step : steps) {
    if (!settingshost::checkStep(step, &error)) fault("a step read that is not one", step.verb);
    bool plain = true;
    for (const auto& arg : step.args)
      plain = plain && arg.find_first_of("\"\n\r") == std::string::npos;
    if (plain) written += line(step);
  }
  std::vector<settingshost::Step> again;
  if (!settingshost::parseScript(written, &again, &error)) fault("a written script", error);

  settingshost::Host host(NIMBRA_ROOT);
  if (!host.start(&error)) fault("the host did not start", error);
  int budget = 24;  // steps per input: a long script repeats what a short one covers
  for (const auto& step : steps) {
    if (!runnable(step)) continue;
    if (--budget < 0) break;
    std::string why;
    if (!host.run(step, &why) && why.empty()) fault("a failed step without a reason", step.verb);
  }
  UIAlertView::dismissAllWithoutDelegate();
  UIApplication::sharedApplication()->clearOpenedURLs();
  return 0;
}
