// The Settings app host, headless: the root list of the preference entries found under
// <root>/Library/PreferenceLoader/Preferences, the bundles they open (loaded from
// <root>/Library/PreferenceBundles by their Info.plist), a navigation stack and alerts,
// driven by steps. The steps, their arguments and what each does are one table,
// stepKinds(); the command's options and its usage are made from it (`nimbra help
// settings` lists them).
//
// Steps that change a setting write the settings file and post its notification, as the
// entries do on a device. A tap is a real touch down and up at the row's centre (the list
// scrolled to show the row first). While an alert is shown the views behind it are dimmed
// (their tint adjustment mode is dimmed) and fingers on them are cancelled; closing it
// restores them. A finger lifted on a root list entry opens it as the tap step does.
// Every display commit renders a frame, counted by frameCount(), so what a
// step flushed is drawn before the step's handler returns. Opened URLs are printed as
// "openURL URL". A change notification a shown pane's entries post, arriving from another
// process (`nimbra prefs set`), refreshes every list's values. The accessibility step prints what a
// screen reader finds on the screen, in its order: per element its kind, frame (screen points),
// traits, label, value, hint.
#pragma once

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "../common/CommandLine.h"
#include "../common/DefaultRoot.h"
#include "../common/TouchSteps.h"
#include "CoreFoundation/CFNotificationCenter.h"
#include "objc/runtime.h"

class NSIndexPath;
class PSListController;
class UINavigationController;
class UITextField;
class UIViewController;
class UITableView;
class UIWindow;

namespace settingshost {

struct Step {
  std::string verb;
  std::vector<std::string> args;
};

class Host;

// When a step can run: any time, only while an alert is shown, or only while none is.
enum class StepTime { Anytime, WithAlert, WithoutAlert };

struct StepKind {
  const char* verb;       // the step in a script; the option is "--" and the verb
  const char* arguments;  // how the usage names them: "LABEL VALUE", "X,Y", ""
  std::size_t count;      // how many
  StepTime when;
  // None for the finger steps (apps/common/TouchSteps.h), which the host's fingers run.
  bool (Host::*run)(const std::vector<std::string>& args, std::string* error);
  const char* summary;
};

const std::vector<StepKind>& stepKinds();
const StepKind* findStepKind(const std::string& verb);
// A step whose verb is known and whose argument count is right; NO with `error` set.
bool checkStep(const Step& step, std::string* error);

// Splits a script into steps: one per line, words separated by blanks, "double quotes"
// around words with blanks, # starts a comment; each step checked as checkStep does. NO
// with `error` set (naming the line) on a bad line.
bool parseScript(const std::string& text, std::vector<Step>* steps, std::string* error);

class Host {
 public:
  explicit Host(std::string root);
  ~Host();

  // Reads the root list's entries and shows it. NO when the root has no entries folder.
  bool start(std::string* error);
  bool run(const Step& step, std::string* error);

  // Also run xdg-open on every URL the pane opens (off by default: URLs are printed).
  void setOpenURLsExternally(bool open) { external_ = open; }

  Strong<UINavigationController> navigation() const { return nav_; }
  Strong<UIViewController> topViewController() const;
  // The table the top screen shows; none when it has none.
  Strong<UITableView> topTable() const;
  bool screenshot(const std::string& path, std::string* error);
  // The screen's accessibility elements as the accessibility step prints them.
  std::string accessibilityTree();
  Strong<UIWindow> window() const { return window_; }
  // Frames rendered by display commits since start.
  uint64_t frameCount() const { return frames_; }
  // Dims or restores the views behind the top alert when it came or went. Every step
  // does this; a window that delivers fingers itself does it after each input.
  void followAlert();

 private:
  friend const std::vector<StepKind>& stepKinds();
  using Args = std::vector<std::string>;
  bool openEntry(const std::string& label, std::string* error);
  // Observes the notifications `list`'s entries post, once each.
  void followChangesOf(PSListController* list);
  static void settingsChanged(CFNotificationCenterRef, void* observer, CFStringRef, const void*,
                              CFDictionaryRef);
  bool tap(const std::string& label, std::string* error);
  // The steps, one handler each (see stepKinds()).
  bool tapStep(const Args& args, std::string* error);
  bool toggleStep(const Args& args, std::string* error);
  bool slideStep(const Args& args, std::string* error);
  bool deleteStep(const Args& args, std::string* error);
  bool chooseStep(const Args& args, std::string* error);
  bool typeStep(const Args& args, std::string* error);
  bool clearStep(const Args& args, std::string* error);
  bool keyStep(const Args& args, std::string* error);
  bool pressStep(const Args& args, std::string* error);
  bool backStep(const Args& args, std::string* error);
  bool screenshotStep(const Args& args, std::string* error);
  bool accessibilityStep(const Args& args, std::string* error);
  // The row labelled `label` on the top screen with its table, for the row steps.
  bool findRowStep(const std::string& label, Strong<UITableView>* table, Strong<NSIndexPath>* path,
                   std::string* error);
  // The shown alert's first text field, for the field steps.
  UITextField* alertField(std::string* error);

  std::string root_;
  Strong<UINavigationController> nav_;
  Strong<UIWindow> window_;
  bool external_ = false;
  hoststeps::Fingers fingers_;
  bool dimmed_ = false;
  uint64_t frames_ = 0;
  uint64_t commitHandler_ = 0;
  std::set<std::string> followed_;  // notifications observed
  bool refreshQueued_ = false;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);  // expires with the host
};

// Shows a started host in a desktop window until it is closed; the exit status.
using WindowRunner = int (*)(Host& host, const std::string& frameDump);

// `nimbra settings` and the nimbra-settings program: steps from the options (a --script
// FILE's where it is given), in order; then with --window (programs that pass `window`) the
// host in a window, each frame drawn also written to the PNG of --window-frames FILE.
class SettingsCommand : public commandline::Command {
 public:
  SettingsCommand(std::string name, WindowRunner window = nullptr);
  int run() override;

 private:
  std::string root_ = hostpaths::defaultRoot();
  std::vector<Step> steps_;
  bool external_ = false;
  bool windowed_ = false;
  std::string frames_;
  WindowRunner window_;
};

}  // namespace settingshost
