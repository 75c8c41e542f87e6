#include "SettingsHost.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "../common/DefaultRoot.h"
#include "../common/PngPath.h"
#include "Foundation/NSArray.h"
#include "Foundation/NSDictionary.h"
#include "Foundation/NSString.h"
#include "Foundation/NSURL.h"
#include "Preferences/PSAllocation.h"
#include "Preferences/PSListController.h"
#include "Preferences/PSListItemsController.h"
#include "Preferences/PSPreferenceStore.h"
#include "Preferences/PSSpecifier.h"
#include "QuartzCore/CATransaction.h"
#include "RootListController.h"
#include "UIKit/NSIndexPath.h"
#include "UIKit/UIAccessibility.h"
#include "UIKit/UIAlertView.h"
#include "UIKit/UIApplication.h"
#include "UIKit/UILabel.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UIScreen.h"
#include "UIKit/UISlider.h"
#include "UIKit/UISwitch.h"
#include "UIKit/UITableView.h"
#include "UIKit/UITableViewCell.h"
#include "UIKit/UITextField.h"
#include "UIKit/UIWindow.h"
#include "dispatch/queue.h"

extern char** environ;

namespace settingshost {

namespace {

Strong<NSString> str(const std::string& s) {
  return NSString::stringWithUTF8String(s);
}

std::string quoted(const std::string& s) {
  return "\"" + s + "\"";
}

bool fail(std::string* error, const std::string& why) {
  if (error) *error = why;
  return false;
}

// The first table in a view tree, depth first.
Strong<UITableView> findTable(const Strong<UIView>& view) {
  if (!view) return nullptr;
  if (auto table = objc_cast<UITableView>(view)) return table;
  for (const auto& sub : view->subviews()) {
    if (auto table = findTable(sub)) return table;
  }
  return nullptr;
}

std::string labelOf(const Strong<UITableViewCell>& cell) {
  auto text = cell && cell->textLabel() ? cell->textLabel()->text() : nullptr;
  return text ? text->stdString() : std::string();
}

// The row whose entry is named `label` (settings lists), else whose text is `label`.
Strong<NSIndexPath> findRow(const Strong<UIViewController>& top, const Strong<UITableView>& table,
                            const std::string& label) {
  if (auto list = objc_cast<PSListController>(top)) {
    for (NSInteger s = 0; s < list->numberOfGroups(); ++s) {
      for (NSInteger r = 0; r < table->numberOfRowsInSection(s); ++r) {
        auto path = NSIndexPath::indexPathForRowInSection(r, s);
        auto entrySpecifier = list->specifierAtIndexPath(path);
        if (entrySpecifier && entrySpecifier->name() &&
            entrySpecifier->name()->stdString() == label)
          return path;
      }
    }
  }
  if (!table) return nullptr;
  for (NSInteger s = 0; s < table->numberOfSections(); ++s) {
    for (NSInteger r = 0; r < table->numberOfRowsInSection(s); ++r) {
      auto path = NSIndexPath::indexPathForRowInSection(r, s);
      if (labelOf(table->cellForRowAtIndexPath(path)) == label) return path;
    }
  }
  return nullptr;
}

template <class T>
Strong<T> findControl(const Strong<UIView>& view) {
  if (!view) return nullptr;
  if (auto control = objc_cast<T>(view)) return control;
  for (const auto& sub : view->subviews()) {
    if (auto control = findControl<T>(sub)) return control;
  }
  return nullptr;
}

void openExternally(const std::string& url) {
  pid_t pid;
  const char* argv[] = {"xdg-open", url.c_str(), nullptr};
  if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, const_cast<char**>(argv), environ) == 0) {
    int status;
    waitpid(pid, &status, 0);
  }
}

// Whether a program of that name is on PATH.
bool onPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::stringstream folders(path ? path : "");
  std::string folder;
  while (std::getline(folders, folder, ':')) {
    if (!folder.empty() && access((folder + "/" + program).c_str(), X_OK) == 0) return true;
  }
  return false;
}

}  // namespace

const std::vector<StepKind>& stepKinds() {
  using T = StepTime;
  static const std::vector<StepKind> kinds = {
      {"tap", "LABEL", 1, T::WithoutAlert, &Host::tapStep,
       "tap the row with that label (opens entries, presses buttons)"},
      {"toggle", "LABEL", 1, T::WithoutAlert, &Host::toggleStep, "flip the switch of that row"},
      {"slide", "LABEL VALUE", 2, T::WithoutAlert, &Host::slideStep, "move the slider of that row"},
      {"choose", "TITLE", 1, T::WithoutAlert, &Host::chooseStep,
       "pick a choice in an open choice list"},
      {"type", "TEXT", 1, T::WithAlert, &Host::typeStep,
       "type into the shown alert's field, at its caret"},
      {"clear", "", 0, T::WithAlert, &Host::clearStep, "empty the shown alert's field"},
      {"key", "KEY", 1, T::Anytime, &Host::keyStep,
       "a key: escape, return, backspace, delete, left, right, home, end (shift+ to select), "
       "ctrl+a, ctrl+x, ctrl+c, ctrl+v"},
      {"press", "TITLE", 1, T::WithAlert, &Host::pressStep,
       "press the shown alert's button with that title"},
      {"delete", "LABEL", 1, T::WithoutAlert, &Host::deleteStep, "delete the row with that label"},
      {"back", "", 0, T::WithoutAlert, &Host::backStep, "go back one screen"},
      {"screenshot", "FILE.png", 1, T::Anytime, &Host::screenshotStep,
       "render the screen (the whole list, and an alert if shown)"},
      {"accessibility", "", 0, T::Anytime, &Host::accessibilityStep,
       "print what a screen reader finds on the screen, in its order"},
      {"touch-down", "X,Y", 1, T::Anytime, &Host::touchDownStep, "a finger comes down"},
      {"touch-move", "X,Y", 1, T::Anytime, &Host::touchMoveStep, "the last finger down moves"},
      {"touch-up", "X,Y", 1, T::Anytime, &Host::touchUpStep, "the last finger down lifts there"},
      {"touch-cancel", "", 0, T::Anytime, &Host::touchCancelStep,
       "the system takes every finger away"},
      {"tap-point", "X,Y", 1, T::Anytime, &Host::tapPointStep,
       "a finger comes down and lifts at one place"},
  };
  return kinds;
}

const StepKind* findStepKind(const std::string& verb) {
  for (const StepKind& kind : stepKinds()) {
    if (verb == kind.verb) return &kind;
  }
  return nullptr;
}

std::string stepOptionsUsage() {
  std::string out;
  for (const StepKind& kind : stepKinds()) {
    out += (out.empty() ? "[--" : " [--") + std::string(kind.verb);
    if (kind.count) out += std::string(" ") + kind.arguments;
    out += "]";
  }
  return out;
}

bool checkStep(const Step& step, std::string* error) {
  const StepKind* kind = findStepKind(step.verb);
  if (!kind) return fail(error, "unknown step " + quoted(step.verb));
  if (step.args.size() == kind->count) return true;
  std::string takes = kind->count ? std::string(kind->arguments) : "no arguments";
  return fail(error, step.verb + " takes " + takes);
}

bool parseScript(const std::string& text, std::vector<Step>* steps, std::string* error) {
  std::istringstream lines(text);
  std::string line;
  int number = 0;
  while (std::getline(lines, line)) {
    ++number;
    std::vector<std::string> words;
    std::string word;
    bool inWord = false, inQuotes = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
      char c = line[i];
      if (inQuotes) {
        if (c == '"') {
          inQuotes = false;
        } else {
          word += c;
        }
      } else if (c == '"') {
        inQuotes = inWord = true;
      } else if (c == '#' && !inWord) {
        break;
      } else if (c == ' ' || c == '\t' || c == '\r') {
        if (inWord) words.push_back(word);
        word.clear();
        inWord = false;
      } else {
        word += c;
        inWord = true;
      }
    }
    if (inQuotes) return fail(error, "line " + std::to_string(number) + ": unclosed quote");
    if (inWord) words.push_back(word);
    if (words.empty()) continue;
    Step step{words[0], {words.begin() + 1, words.end()}};
    std::string why;
    if (!checkStep(step, &why)) return fail(error, "line " + std::to_string(number) + ": " + why);
    steps->push_back(std::move(step));
  }
  return true;
}

Host::Host(std::string root) : root_(std::move(root)) {}

Host::~Host() {
  if (!followed_.empty())
    CFNotificationCenterRemoveEveryObserver(CFNotificationCenterGetDarwinNotifyCenter(), this);
  if (commitHandler_) CATransaction::removeCommitHandler(commitHandler_);
  UIAlertView::dismissAllWithoutDelegate();
  UIApplication::sharedApplication()->setOpenURLHandler(nullptr);
}

bool Host::start(std::string* error) {
  std::string folder = root_ + "/Library/PreferenceLoader/Preferences";
  std::error_code ec;
  std::vector<std::string> sorted;
  for (const auto& item : std::filesystem::directory_iterator(folder, ec)) {
    sorted.push_back(item.path().filename().string());
  }
  if (ec) return fail(error, "no preference entries in " + folder);
  // A device always has the preferences folder; writers expect it.
  PSPreferenceStore::createParentFolder(PSPreferenceStore::pathForDomain(NSSTR("probe")));

  auto entries = NSMutableArray::array();
  entries->addObject(PSSpecifier::specifierWithEntry(
      NSDictionary::dictionaryWithObjectsAndKeys({{NSSTR("cell"), NSSTR("PSGroupCell")}}),
      nullptr));
  std::sort(sorted.begin(), sorted.end());
  for (const auto& name : sorted) {
    if (name.size() < 7 || name.substr(name.size() - 6) != ".plist") continue;
    auto plist = NSDictionary::dictionaryWithContentsOfFile(folder + "/" + name);
    auto entry = plist ? objc_cast<NSDictionary>(plist->objectForKey(NSSTR("entry"))) : nullptr;
    if (!entry || !objc_cast<NSString>(entry->objectForKey(NSSTR("label")))) {
      std::fprintf(stderr, "nimbra settings: skipping %s: no entry with a label\n", name.c_str());
      continue;
    }
    auto item = NSMutableDictionary::dictionaryWithDictionary(entry);
    item->setObjectForKey(NSSTR("PSLinkCell"), NSSTR("cell"));
    item->removeObjectForKey(NSSTR("detail"));  // opened by the host, not by class name
    entries->addObject(PSSpecifier::specifierWithEntry(item, nullptr));
  }
  auto rootList = std::make_shared<RootListController>();
  rootList->_specifiers = entries;
  // A finger on an entry's row opens it as the tap step does; there is no step to fail.
  rootList->setOpener([this](const std::string& label) {
    std::string why;
    if (!openEntry(label, &why)) std::fprintf(stderr, "nimbra settings: %s\n", why.c_str());
  });
  rootList->setTitle(NSSTR("Settings"));
  nav_ = UINavigationController::navigationControllerWithRootViewController(rootList);
  CGRect screen = UIScreen::mainScreen()->bounds();
  window_ = std::make_shared<UIWindow>(screen);
  window_->addSubview(nav_->view());

  // The host's display: each commit that redisplayed something draws a frame.
  commitHandler_ = CATransaction::addCommitHandler([this] {
    ++frames_;
    window_->renderImage();
  });

  bool external = external_;
  UIApplication::sharedApplication()->setOpenURLHandler([external](const Strong<NSURL>& url) {
    std::string text = url->absoluteString()->stdString();
    std::printf("openURL %s\n", text.c_str());
    std::fflush(stdout);
    if (external) openExternally(text);
    return YES;
  });
  return true;
}

Strong<UIViewController> Host::topViewController() const {
  return nav_ ? nav_->topViewController() : nullptr;
}

Strong<UITableView> Host::topTable() const {
  auto top = topViewController();
  if (!top) return nullptr;
  if (auto list = objc_cast<PSListController>(top)) return list->table();
  return findTable(top->view());
}

bool Host::openEntry(const std::string& label, std::string* error) {
  auto rootList = objc_cast<PSListController>(nav_->viewControllers().front());
  Strong<PSSpecifier> entry;
  for (const id& item : *rootList->_specifiers) {
    auto entrySpecifier = objc_cast<PSSpecifier>(item);
    if (entrySpecifier && entrySpecifier->name() && entrySpecifier->name()->stdString() == label)
      entry = entrySpecifier;
  }
  if (!entry) return fail(error, "no entry labelled " + quoted(label));
  auto bundleName = entry->stringForKey("bundle");
  if (!bundleName) return fail(error, "entry " + quoted(label) + " names no bundle");
  std::string dir = root_ + "/Library/PreferenceBundles/" + bundleName->stdString() + ".bundle";
  auto info = NSDictionary::dictionaryWithContentsOfFile(dir + "/Info.plist");
  auto executable =
      info ? objc_cast<NSString>(info->objectForKey(NSSTR("CFBundleExecutable"))) : nullptr;
  auto principal =
      info ? objc_cast<NSString>(info->objectForKey(NSSTR("NSPrincipalClass"))) : nullptr;
  if (!executable || !principal) return fail(error, "no usable Info.plist in " + dir);
  std::string why;
  if (!objc_loadPlugin(dir + "/" + executable->stdString(), &why)) {
    return fail(error, "cannot load " + dir + ": " + why);
  }
  auto controller =
      objc_cast<PSViewController>(PSAllocInstance(objc_getClass(principal->stdString())));
  if (!controller) return fail(error, "bundle has no controller class " + principal->stdString());
  controller->setBundlePath(str(dir));
  controller->setSpecifier(entry);
  controller->setTitle(entry->name());
  nav_->pushViewControllerAnimated(controller, YES);
  if (auto list = objc_cast<PSListController>(controller)) followChangesOf(list.get());
  return true;
}

void Host::followChangesOf(PSListController* list) {
  // Through the runtime: the bundle's controller loads its own list (borrowed).
  NSArray* specifiers = objc_msgSend<NSArray*>(list, OBJC_SEL("specifiers"));
  if (!specifiers) return;
  for (const id& item : *specifiers) {
    auto entry = objc_cast<PSSpecifier>(item);
    auto name = entry ? entry->postNotification() : nullptr;
    if (!name || !followed_.insert(name->stdString()).second) continue;
    CFNotificationCenterAddObserver(CFNotificationCenterGetDarwinNotifyCenter(), this,
                                    &Host::settingsChanged, name, nullptr,
                                    CFNotificationSuspensionBehaviorDeliverImmediately);
  }
}

// Our own writes arrive here too; reading the values back changes nothing then. A burst of
// posts (a slider dragged in another process) is one refresh at the end of the turn.
void Host::settingsChanged(CFNotificationCenterRef, void* observer, CFStringRef, const void*,
                           CFDictionaryRef) {
  auto* host = static_cast<Host*>(observer);
  if (host->refreshQueued_) return;
  host->refreshQueued_ = true;
  std::weak_ptr<int> alive = host->alive_;
  dispatch_async(dispatch_get_main_queue(), [host, alive] {
    if (alive.expired()) return;  // the host went before the refresh
    host->refreshQueued_ = false;
    for (const auto& controller : host->nav_->viewControllers()) {
      if (auto list = objc_cast<PSListController>(controller)) list->reloadValues();
    }
    CATransaction::flush();
  });
}

bool Host::tap(const std::string& label, std::string* error) {
  if (nav_->viewControllers().size() == 1) return openEntry(label, error);
  auto top = topViewController();
  auto table = topTable();
  auto path = table ? findRow(top, table, label) : nullptr;
  if (!path) return fail(error, "no row labelled " + quoted(label));
  auto cell = table->cellForRowAtIndexPath(path);
  if (!cell) return fail(error, "row " + quoted(label) + " has no cell");
  // Scroll the row into the window first, as a person would, then touch its centre.
  window_->layoutIfNeeded();
  CGRect shown = window_->bounds();
  CGRect row = cell->convertRectToView(cell->bounds(), window_.get());
  if (!CGRectContainsRect(shown, row)) {
    CGRect visible = table->convertRectToView(table->bounds(), window_.get());
    CGPoint offset = table->contentOffset();
    offset.y = std::max<CGFloat>(0, offset.y + row.origin.y - visible.origin.y);
    table->setContentOffset(offset);
    row = cell->convertRectToView(cell->bounds(), window_.get());
  }
  CGPoint centre = CGPointMake(CGRectGetMidX(row), CGRectGetMidY(row));
  UIView* hit = window_->hitTestWithEvent(centre, nullptr);
  if (!hit || !(hit->isDescendantOfView(cell.get()) || hit == table.get()))
    return fail(error, "row " + quoted(label) + " is covered");
  auto touch = window_->touchDownAtPoint(centre);
  if (touch) window_->touchUpAtPoint(touch, centre);
  return true;
}

void Host::followAlert() {
  bool shown = UIAlertView::topAlert() != nullptr;
  if (shown == dimmed_) return;
  dimmed_ = shown;
  if (shown) {
    // The alert takes the screen: fingers on the views behind it are cancelled.
    window_->cancelAllTouches();
    fingers_.forget();
  }
  nav_->view()->setTintAdjustmentMode(shown ? UIViewTintAdjustmentModeDimmed
                                            : UIViewTintAdjustmentModeAutomatic);
}

namespace {

std::string number(CGFloat v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%g", v == 0 ? 0.0 : v);  // no "-0"
  return buf;
}

std::string describe(const id& element) {
  std::string out = class_getName(element->getClass());
  CGRect f = objc_msgSend<CGRect>(element, OBJC_SEL("accessibilityFrame"));
  out += "  frame=(" + number(f.origin.x) + "," + number(f.origin.y) + " " + number(f.size.width) +
         "x" + number(f.size.height) + ")";
  out += "  traits=" + UIAccessibilityTraitsDescription(
                           objc_msgSend<uint64_t>(element, OBJC_SEL("accessibilityTraits")));
  const std::pair<const char*, SEL> texts[] = {
      {"label", OBJC_SEL("accessibilityLabel")},
      {"value", OBJC_SEL("accessibilityValue")},
      {"hint", OBJC_SEL("accessibilityHint")},
  };
  for (const auto& [name, sel] : texts) {
    auto text = objc_msgSend<Strong<NSString>>(element, sel);
    if (text) out += std::string("  ") + name + "=" + quoted(text->stdString());
  }
  return out;
}

}  // namespace

std::string Host::accessibilityTree() {
  // A shown alert is all a screen reader reads; it is on the window while it is read.
  auto alert = UIAlertView::topAlert();
  if (alert) window_->addSubview(alert);
  window_->layoutIfNeeded();
  std::string out;
  int n = 0;
  NSObject* root = alert ? static_cast<NSObject*>(alert.get()) : window_.get();
  for (const auto& element : UIAccessibilityElementsInOrder(root))
    out += std::to_string(++n) + ". " + describe(element) + "\n";
  if (alert) alert->removeFromSuperview();
  return out.empty() ? "no accessibility elements\n" : out;
}

bool Host::run(const Step& step, std::string* error) {
  if (!checkStep(step, error)) return false;
  const StepKind& kind = *findStepKind(step.verb);
  bool alert = UIAlertView::topAlert() != nullptr;
  if (kind.when == StepTime::WithoutAlert && alert)
    return fail(error, "an alert is shown; press one of its buttons first");
  if (kind.when == StepTime::WithAlert && !alert) return fail(error, "no alert is shown");
  bool ok = (this->*kind.run)(step.args, error);
  followAlert();
  return ok;
}

bool Host::fingerStep(const std::string& verb, const Args& args, std::string* error) {
  return fingers_.run(window_.get(), verb, args, error);
}
bool Host::touchDownStep(const Args& args, std::string* error) {
  return fingerStep("touch-down", args, error);
}
bool Host::touchMoveStep(const Args& args, std::string* error) {
  return fingerStep("touch-move", args, error);
}
bool Host::touchUpStep(const Args& args, std::string* error) {
  return fingerStep("touch-up", args, error);
}
bool Host::touchCancelStep(const Args& args, std::string* error) {
  return fingerStep("touch-cancel", args, error);
}
bool Host::tapPointStep(const Args& args, std::string* error) {
  return fingerStep("tap-point", args, error);
}

bool Host::accessibilityStep(const Args&, std::string*) {
  std::string tree = accessibilityTree();
  std::fputs(tree.c_str(), stdout);
  std::fflush(stdout);
  return true;
}

bool Host::tapStep(const Args& args, std::string* error) {
  return tap(args[0], error);
}

bool Host::findRowStep(const std::string& label, Strong<UITableView>* table,
                       Strong<NSIndexPath>* path, std::string* error) {
  *table = topTable();
  *path = *table ? findRow(topViewController(), *table, label) : nullptr;
  return *path || fail(error, "no row labelled " + quoted(label));
}

bool Host::deleteStep(const Args& args, std::string* error) {
  Strong<UITableView> table;
  Strong<NSIndexPath> path;
  if (!findRowStep(args[0], &table, &path, error)) return false;
  return table->deleteRowAtIndexPath(path) || fail(error, quoted(args[0]) + " can't be deleted");
}

bool Host::toggleStep(const Args& args, std::string* error) {
  Strong<UITableView> table;
  Strong<NSIndexPath> path;
  if (!findRowStep(args[0], &table, &path, error)) return false;
  auto control = findControl<UISwitch>(table->cellForRowAtIndexPath(path));
  if (!control) return fail(error, quoted(args[0]) + " has no switch");
  control->toggle();
  return true;
}

bool Host::slideStep(const Args& args, std::string* error) {
  Strong<UITableView> table;
  Strong<NSIndexPath> path;
  if (!findRowStep(args[0], &table, &path, error)) return false;
  auto control = findControl<UISlider>(table->cellForRowAtIndexPath(path));
  if (!control) return fail(error, quoted(args[0]) + " has no slider");
  char* end = nullptr;
  float value = std::strtof(args[1].c_str(), &end);
  if (!end || *end || args[1].empty() || !std::isfinite(value))
    return fail(error, "not a number: " + quoted(args[1]));
  control->slideTo(value);
  return true;
}

bool Host::chooseStep(const Args& args, std::string* error) {
  auto items = objc_cast<PSListItemsController>(topViewController());
  if (!items) return fail(error, "no choice list is open");
  return items->chooseTitle(str(args[0])) || fail(error, "no choice " + quoted(args[0]));
}

bool Host::pressStep(const Args& args, std::string* error) {
  auto alert = UIAlertView::topAlert();
  for (NSInteger i = 0; i < alert->numberOfButtons(); ++i) {
    if (alert->buttonTitleAtIndex(i)->stdString() == args[0]) {
      alert->dismissWithClickedButtonIndexAnimated(i, YES);
      return true;
    }
  }
  return fail(error, "the alert has no button " + quoted(args[0]));
}

UITextField* Host::alertField(std::string* error) {
  auto alert = UIAlertView::topAlert();
  if (!alert || alert->alertViewStyle() == UIAlertViewStyleDefault) {
    fail(error, "the alert has no text field");
    return nullptr;
  }
  return alert->textFieldAtIndex(0).get();
}

bool Host::typeStep(const Args& args, std::string* error) {
  UITextField* field = alertField(error);
  if (field) field->insertText(str(args[0]));
  return field;
}

bool Host::clearStep(const Args&, std::string* error) {
  UITextField* field = alertField(error);
  if (field) field->setText(nullptr);
  return field;
}

bool Host::keyStep(const Args& args, std::string* error) {
  const std::string& key = args[0];
  auto alert = UIAlertView::topAlert();
  if (key == "escape") {
    // A dialog is cancelled; without one, back a screen.
    if (alert)
      return pressStep({alert->buttonTitleAtIndex(alert->cancelButtonIndex())->stdString()}, error);
    return backStep({}, error);
  }
  if (key == "return") {
    if (!alert) return fail(error, "return saves a dialog; none is shown");
    auto title = alert->buttonTitleAtIndex(alert->firstOtherButtonIndex());
    if (!title) title = alert->buttonTitleAtIndex(alert->cancelButtonIndex());
    return title && pressStep({title->stdString()}, error);
  }
  UITextField* field = alertField(error);
  if (!field) return false;
  using E = UITextField::Extend;
  bool shift = key.rfind("shift+", 0) == 0;
  std::string name = shift ? key.substr(6) : key;
  E extend = shift ? E::Yes : E::No;
  if (name == "left" || name == "right") {
    field->moveCaret(name == "left" ? -1 : +1, extend);
  } else if (name == "home" || name == "end") {
    field->moveCaretToEnd(name == "home" ? -1 : +1, extend);
  } else if (key == "backspace") {
    field->deleteBackward();
  } else if (key == "delete") {
    field->deleteForward();
  } else if (key == "ctrl+a") {
    field->selectAll();
  } else if (key == "ctrl+x") {
    field->cut();
  } else if (key == "ctrl+c") {
    field->copy();
  } else if (key == "ctrl+v") {
    field->paste();
  } else {
    return fail(error, "unknown key " + quoted(key));
  }
  return true;
}

bool Host::backStep(const Args&, std::string* error) {
  if (!nav_->popViewControllerAnimated(YES)) return fail(error, "already at the root list");
  if (auto list = objc_cast<PSListController>(topViewController())) list->reloadValues();
  return true;
}

bool Host::screenshotStep(const Args& args, std::string* error) {
  if (!hostpaths::isPngPath(args[0]))
    return fail(error, args[0] + ": pictures are written as PNG; name it FILE.png");
  return screenshot(args[0], error);
}

bool Host::screenshot(const std::string& path, std::string* error) {
  CGRect screen = UIScreen::mainScreen()->bounds();
  auto table = topTable();
  auto top = topViewController();
  // The whole list, not only what fits on the screen.
  CGFloat content = table ? table->contentHeight() : 0;
  CGFloat height =
      std::max(screen.size.height, std::ceil(UINavigationController::kBarHeight + content + 20));
  window_->setFrame(CGRectMake(0, 0, screen.size.width, height));
  nav_->view()->setFrame(CGRectMake(0, 0, screen.size.width, height));
  CGRect below = CGRectMake(0, UINavigationController::kBarHeight, screen.size.width,
                            height - UINavigationController::kBarHeight);
  top->view()->setFrame(below);
  if (table && table.get() != top->view().get()) {
    CGRect f = table->frame();
    table->setFrame(CGRectMake(f.origin.x, f.origin.y, f.size.width, below.size.height));
  }
  Strong<UIView> dim;
  auto alert = UIAlertView::topAlert();
  if (alert) {
    dim = std::make_shared<UIView>(CGRectMake(0, 0, screen.size.width, height));
    dim->setBackgroundColor(UIColor::colorWithWhiteAlpha(0, 0.4));
    window_->addSubview(dim);
    window_->addSubview(alert);
  }
  std::string folder =
      path.substr(0, path.find_last_of('/') == std::string::npos ? 0 : path.find_last_of('/'));
  if (!folder.empty()) PSPreferenceStore::createParentFolder(str(path));
  bool ok = window_->writePNG(path);
  if (alert) {
    alert->removeFromSuperview();
    dim->removeFromSuperview();
  }
  return ok || fail(error, "cannot write " + path);
}

int runCommand(int argc, char** argv, const char* name, WindowRunner window) {
  std::string root = hostpaths::defaultRoot();
  std::vector<Step> steps;
  bool external = false;
  bool windowed = false;
  std::string frames;
  auto usage = [&](const std::string& why) {
    std::fprintf(stderr,
                 "%s: %s\nusage: %s [--root DIR] [--xdg-open] [--window] [--window-frames FILE] "
                 "[--screen WxH] [--script FILE] %s ...\n",
                 name, why.c_str(), name, stepOptionsUsage().c_str());
    return 2;
  };
  for (int i = 1; i < argc; ++i) {
    std::string opt = argv[i];
    auto value = [&](std::string* out) {
      if (i + 1 >= argc) return false;
      *out = argv[++i];
      return true;
    };
    std::string a;
    const StepKind* kind = opt.rfind("--", 0) == 0 ? findStepKind(opt.substr(2)) : nullptr;
    if (kind) {
      Step step{kind->verb, {}};
      for (std::size_t n = 0; n < kind->count; ++n) {
        if (!value(&a)) return usage(opt + " needs " + kind->arguments);
        step.args.push_back(a);
      }
      steps.push_back(std::move(step));
    } else if (opt == "--root") {
      if (!value(&root)) return usage("--root needs a folder");
    } else if (opt == "--xdg-open") {
      external = true;
    } else if (opt == "--window") {
      if (!window) return usage("this program cannot open windows");
      windowed = true;
    } else if (opt == "--window-frames") {
      if (!value(&frames)) return usage("--window-frames needs a file");
      if (!hostpaths::isPngPath(frames))
        return usage("--window-frames " + frames +
                     ": pictures are written as PNG; name it FILE.png");
    } else if (opt == "--screen") {
      double w = 0, h = 0;
      if (!value(&a) || std::sscanf(a.c_str(), "%lfx%lf", &w, &h) != 2 || !(w > 0) || !(h > 0) ||
          w > 10000 || h > 10000) {
        return usage("--screen needs WIDTHxHEIGHT in points");
      }
      UIScreen::mainScreen()->setBounds(CGRectMake(0, 0, w, h));
    } else if (opt == "--script") {
      if (!value(&a)) return usage("--script needs a file");
      std::ifstream in(a);
      if (!in) return usage("cannot read " + a);
      std::stringstream text;
      text << in.rdbuf();
      std::string error;
      if (!parseScript(text.str(), &steps, &error)) return usage(a + ": " + error);
    } else {
      return usage("unknown option " + opt);
    }
  }
  // A person at a desktop expects a web page to open in the browser.
  if (windowed && onPath("xdg-open")) external = true;
  Host host(root);
  host.setOpenURLsExternally(external);
  std::string error;
  if (!host.start(&error)) {
    std::fprintf(stderr, "%s: %s\n", name, error.c_str());
    return 1;
  }
  for (std::size_t i = 0; i < steps.size(); ++i) {
    if (!host.run(steps[i], &error)) {
      std::string shown = steps[i].verb;
      for (const auto& arg : steps[i].args) shown += " " + quoted(arg);
      std::fprintf(stderr, "%s: step %zu (%s): %s\n", name, i + 1, shown.c_str(), error.c_str());
      return 2;  // a step that cannot be done is bad input, as a bad option is
    }
  }
  return windowed ? window(host, frames) : 0;
}

}  // namespace settingshost
