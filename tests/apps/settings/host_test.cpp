// The Settings app host driven by steps, as `nimbra settings` drives it, and what its
// screenshot shows.
#include <unistd.h>

#include "CoreFoundation/CFNotificationCenter.h"
#include "CoreGraphics/CGImage.h"
#include "Foundation/NSArray.h"
#include "Foundation/NSDictionary.h"
#include "Foundation/NSNumber.h"
#include "Foundation/NSString.h"
#include "PostRecorder.h"
#include "QuartzCore/CATransaction.h"
#include "SettingsHost.h"
#include "TempHome.h"
#include "UIKit/NSIndexPath.h"
#include "UIKit/UIAlertView.h"
#include "UIKit/UIApplication.h"
#include "UIKit/UIImage.h"
#include "UIKit/UILabel.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UIPasteboard.h"
#include "UIKit/UIScreen.h"
#include "UIKit/UITableView.h"
#include "UIKit/UITableViewCell.h"
#include "UIKit/UITextField.h"
#include "UIKit/UIWindow.h"
#include "WaitFor.h"
#include "dispatch/CFRunLoop.h"
#include "gtest/gtest.h"

using settingshost::Host;
using settingshost::Step;

namespace {

struct HostRun {
  TempHome home;
  Host host{NIMBRA_ROOT};
  std::string error;

  HostRun() {
    postedNames().clear();
    EXPECT_TRUE(host.start(&error)) << error;
  }
  bool step(const std::string& verb, std::vector<std::string> args = {}) {
    return host.run({verb, std::move(args)}, &error);
  }
  Strong<NSDictionary> file() {
    return NSDictionary::dictionaryWithContentsOfFile(home.settingsFile());
  }
};

struct Pixel {
  int r, g, b, a;
};

Pixel at(const CGImageRef& image, size_t x, size_t y) {
  const uint8_t* p = image->pixels() + y * image->bytesPerRow() + x * 4;
  return {p[0], p[1], p[2], p[3]};
}

}  // namespace

TEST(SettingsScript, ParsesQuotedWordsAndComments) {
  std::vector<Step> steps;
  std::string error;
  ASSERT_TRUE(settingshost::parseScript(
      "# open the pane\ntap Nimbra\n\n  slide \"Strength\" 12 # half way\ntype \"A b\"\n", &steps,
      &error));
  ASSERT_EQ(steps.size(), 3u);
  EXPECT_EQ(steps[1].verb, "slide");
  EXPECT_EQ(steps[1].args, (std::vector<std::string>{"Strength", "12"}));
  EXPECT_EQ(steps[2].args, std::vector<std::string>{"A b"});
  EXPECT_FALSE(settingshost::parseScript("tap \"Nimbra\ntap x\n", &steps, &error));
  EXPECT_NE(error.find("line 1"), std::string::npos);
  // Steps are checked against the table before anything runs.
  for (auto [script, message] :
       {std::pair{"tap Nimbra\nfly away\n", "line 2: unknown step \"fly\""},
        {"back now\n", "line 1: back takes no arguments"},
        {"slide Strength\n", "line 1: slide takes LABEL VALUE"}}) {
    steps.clear();
    EXPECT_FALSE(settingshost::parseScript(script, &steps, &error)) << script;
    EXPECT_NE(error.find(message), std::string::npos) << error;
  }
  // Every step has its option and its place in the usage.
  settingshost::SettingsCommand command("nimbra-settings");
  std::string usage = commandline::synopsis(command);
  for (const auto& kind : settingshost::stepKinds())
    EXPECT_NE(usage.find(std::string("[--") + kind.verb), std::string::npos) << kind.verb;
}

TEST(SettingsHost, StepsChangeTheSettingsFileAndAnnounceIt) {
  HostRun run;
  ASSERT_TRUE(run.step("tap", {"Nimbra"})) << run.error;
  EXPECT_STREQ(class_getName(run.host.topViewController()->getClass()), "NimbraListController");
  ASSERT_TRUE(run.step("toggle", {"Enabled"})) << run.error;
  ASSERT_TRUE(run.step("slide", {"Strength", "20"})) << run.error;
  ASSERT_TRUE(run.step("tap", {"Color"})) << run.error;
  ASSERT_TRUE(run.step("choose", {"Red"})) << run.error;
  ASSERT_TRUE(run.step("back")) << run.error;
  auto file = run.file();
  ASSERT_NE(file, nullptr);
  EXPECT_FALSE(objc_cast<NSNumber>(file->objectForKey(NSSTR("Enabled")))->boolValue());
  EXPECT_EQ(objc_cast<NSNumber>(file->objectForKey(NSSTR("CustomStrength")))->doubleValue(), 20);
  EXPECT_EQ(objc_cast<NSNumber>(file->objectForKey(NSSTR("Color")))->intValue(), 4);
  EXPECT_EQ(postsOf("com.varenko.nimbra/preferencechanged"), 3);

  ASSERT_TRUE(run.step("tap", {"Badge Whitelist"})) << run.error;
  ASSERT_TRUE(run.step("tap", {"Add App"})) << run.error;
  EXPECT_FALSE(run.step("back"));  // the alert comes first
  ASSERT_TRUE(run.step("type", {"Safari"})) << run.error;
  ASSERT_TRUE(run.step("press", {"Save"})) << run.error;
  auto list = objc_cast<NSArray>(run.file()->objectForKey(NSSTR("BadgeWhitelist")));
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->count(), 1u);
  EXPECT_EQ(objc_cast<NSNumber>(run.file()->objectForKey(NSSTR("Color")))->intValue(), 4);
  ASSERT_TRUE(run.step("delete", {"Safari"})) << run.error;
  EXPECT_EQ(objc_cast<NSArray>(run.file()->objectForKey(NSSTR("BadgeWhitelist")))->count(), 0u);
  EXPECT_EQ(postsOf("com.varenko.nimbra/preferencechanged"), 5);
}

TEST(SettingsHost, BadStepsAreClearErrors) {
  HostRun run;
  EXPECT_FALSE(run.step("tap", {"Nowhere"}));
  EXPECT_NE(run.error.find("no entry labelled \"Nowhere\""), std::string::npos) << run.error;
  EXPECT_FALSE(run.step("back"));
  EXPECT_FALSE(run.step("fly"));
  EXPECT_FALSE(run.step("press", {"Save"}));
  EXPECT_FALSE(run.step("choose", {"Red"}));
  ASSERT_TRUE(run.step("tap", {"Nimbra"}));
  EXPECT_FALSE(run.step("slide", {"Strength", "lots"}));
  EXPECT_FALSE(run.step("slide", {"Strength", "nan"}));
  EXPECT_FALSE(run.step("toggle", {"Strength"}));  // no switch there
  EXPECT_FALSE(run.step("toggle"));
  EXPECT_TRUE(postedNames().empty());
  EXPECT_EQ(run.file(), nullptr);
}

TEST(SettingsHost, TheButtonsPrintTheirPages) {
  HostRun run;
  ASSERT_TRUE(run.step("tap", {"Nimbra"}));
  testing::internal::CaptureStdout();
  ASSERT_TRUE(run.step("tap", {"Follow on Twitter"})) << run.error;
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "openURL http://twitter.com/Varenko\n");
  UIApplication::sharedApplication()->clearOpenedURLs();
}

TEST(SettingsHost, TheScreenshotOfThePaneIsLegible) {
  HostRun run;
  ASSERT_TRUE(run.step("tap", {"Nimbra"}));
  std::string png = run.home.path() + "/pane.png";
  ASSERT_TRUE(run.step("screenshot", {png})) << run.error;
  auto image = UIImage::imageWithContentsOfFile(png);
  ASSERT_NE(image, nullptr);
  CGImageRef pixels = image->CGImage();
  CGFloat scale = UIScreen::mainScreen()->scale();
  ASSERT_EQ(pixels->width(),
            static_cast<size_t>(UIScreen::mainScreen()->bounds().size.width * scale));
  ASSERT_GT(pixels->height(), static_cast<size_t>(568 * scale));  // the whole list

  // The header's big title: dark ink in the middle of the banner row, none at its edges.
  size_t headerTop = static_cast<size_t>((UINavigationController::kBarHeight + 18) * scale);
  int ink = 0, edgeInk = 0;
  for (size_t y = headerTop; y < headerTop + static_cast<size_t>(60 * scale); ++y) {
    for (size_t x = 0; x < pixels->width(); ++x) {
      Pixel p = at(pixels, x, y);
      bool dark = p.a > 200 && p.r < 100 && p.g < 100 && p.b < 100;
      (x < 40 * scale || x > pixels->width() - 40 * scale ? edgeInk : ink) += dark;
    }
  }
  EXPECT_GT(ink, 200);
  EXPECT_EQ(edgeInk, 0);

  // The switches are on, in the pane's dark red.
  int red = 0;
  for (size_t y = 0; y < pixels->height(); ++y) {
    for (size_t x = pixels->width() / 2; x < pixels->width(); ++x) {
      Pixel p = at(pixels, x, y);
      red += p.r > 190 && p.r < 235 && p.g < 30 && p.b < 30;
    }
  }
  EXPECT_GT(red, 3 * 400);  // three switches, each well over 400 pixels
}

namespace {

// A view that asks for redisplay and flushes from its touch handler, as a pressed link
// does, and notes what the host had drawn by the time the handler returns.
class FlushingView : public UIView {
  OBJC_CLASS(FlushingView, UIView)
 public:
  using UIView::UIView;
  Host* host = nullptr;
  uint64_t framesBefore = 0, framesInHandler = 0;
};

void flushingTouchesBegan(NSObject* self, SEL, NSSet*, UIEvent*) {
  auto* view = static_cast<FlushingView*>(self);
  view->framesBefore = view->host->frameCount();
  view->setNeedsDisplay();
  CATransaction::flush();
  view->framesInHandler = view->host->frameCount();
}

std::string capture(HostRun& run, const std::string& verb, std::vector<std::string> args = {}) {
  testing::internal::CaptureStdout();
  bool ok = run.step(verb, std::move(args));
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_TRUE(ok) << run.error;
  return out;
}

}  // namespace

OBJC_CLASS_IMPL(FlushingView) {
  class_addMethod(cls, OBJC_SEL("touchesBegan:withEvent:"), objc::method<&flushingTouchesBegan>());
}

TEST(SettingsHost, FingerStepsReachTheWindowAndAFlushDrawsAFrameAtOnce) {
  HostRun run;
  auto view = std::make_shared<FlushingView>(CGRectMake(0, 500, 40, 40));
  view->host = &run.host;
  run.host.window()->addSubview(view);
  ASSERT_TRUE(run.step("touch-down", {"10,510"})) << run.error;
  EXPECT_EQ(view->framesInHandler, view->framesBefore + 1);
  ASSERT_TRUE(run.step("touch-move", {"200,20"})) << run.error;
  ASSERT_TRUE(run.step("touch-up", {"200,20"})) << run.error;
  EXPECT_FALSE(run.step("touch-up", {"1,1"}));  // no finger left
  EXPECT_NE(run.error.find("no finger"), std::string::npos) << run.error;
  EXPECT_FALSE(run.step("touch-down", {"1;2"}));
  EXPECT_FALSE(run.step("tap-point", {"nan,2"}));
  EXPECT_FALSE(run.step("touch-cancel", {"1,2"}));
  ASSERT_TRUE(run.step("touch-cancel")) << run.error;
  view->removeFromSuperview();
  // At the root list a finger lifted on an entry opens it; one that left the row first
  // opens nothing.
  ASSERT_TRUE(run.step("touch-down", {"60,104"})) << run.error;
  ASSERT_TRUE(run.step("touch-move", {"60,300"})) << run.error;
  ASSERT_TRUE(run.step("touch-up", {"60,300"})) << run.error;
  EXPECT_EQ(run.host.navigation()->viewControllers().size(), 1u);
  ASSERT_TRUE(run.step("tap-point", {"60,104"})) << run.error;
  EXPECT_STREQ(class_getName(run.host.topViewController()->getClass()), "NimbraListController");
  ASSERT_TRUE(run.step("back")) << run.error;
  // A tap by point on a row opens it, as the tap by label does.
  ASSERT_TRUE(run.step("tap", {"Nimbra"})) << run.error;
  ASSERT_TRUE(run.step("tap-point", {"100,328"})) << run.error;  // "Color"
  EXPECT_STREQ(class_getName(run.host.topViewController()->getClass()), "PSListItemsController");
}

TEST(SettingsHost, AnAlertDimsTheViewsBehindItAndTheScreenReaderReadsIt) {
  HostRun run;
  ASSERT_TRUE(run.step("tap", {"Nimbra"}));
  std::string pane = capture(run, "accessibility");
  // Rows top to bottom, frames in window points; a switch named by its row's title (read
  // once, not again as text), a slider adjustable with its value, rows as buttons with
  // their detail as the value, the back button as a button named for where it goes.
  auto theSwitch = pane.find(
      "UISwitch  frame=(254,224.5 51x31)  traits=button  label=\"Enabled\"  value=\"on\"\n");
  auto folders = pane.find("label=\"Folders\"");
  ASSERT_NE(theSwitch, std::string::npos) << pane;
  EXPECT_LT(theSwitch, folders);
  EXPECT_EQ(pane.find("static text  label=\"Enabled\""), std::string::npos) << pane;
  EXPECT_NE(pane.find("UISlider  frame=(110,446 147x32)  traits=adjustable  label=\"Strength\"  "
                      "value=\"5\"\n"),
            std::string::npos)
      << pane;
  EXPECT_NE(pane.find("traits=button  label=\"Color\"  value=\"Yellow\"\n"), std::string::npos)
      << pane;
  EXPECT_NE(pane.find("traits=button  label=\"Badge Whitelist\"\n"), std::string::npos) << pane;
  EXPECT_NE(pane.find("traits=header  label=\"GLOW\"\n"), std::string::npos) << pane;
  EXPECT_NE(pane.find("UILabel  frame=(8,20 90x44)  traits=button  label=\"Settings\"\n"),
            std::string::npos)
      << pane;

  ASSERT_TRUE(run.step("tap", {"Badge Whitelist"}));
  auto table = run.host.topTable();
  EXPECT_EQ(table->tintAdjustmentMode(), UIViewTintAdjustmentModeNormal);
  ASSERT_TRUE(run.step("tap", {"Add App"}));
  EXPECT_EQ(table->tintAdjustmentMode(), UIViewTintAdjustmentModeDimmed);
  std::string alert = capture(run, "accessibility");
  EXPECT_NE(alert.find("traits=button  label=\"Cancel\""), std::string::npos) << alert;
  EXPECT_EQ(alert.find("Add App"), std::string::npos) << alert;  // the list is behind it
  ASSERT_TRUE(run.step("press", {"Cancel"}));
  EXPECT_EQ(table->tintAdjustmentMode(), UIViewTintAdjustmentModeNormal);
}

// The slider follows a finger (down on the track, moved, lifted; past the ends it stops
// at them) and each change is written as the pane writes it; a swipe left across a
// whitelist row shows Delete, and a tap on it removes the name from the file.
TEST(SettingsHost, FingersDragTheSliderAndSwipeARowAway) {
  HostRun run;
  ASSERT_TRUE(run.step("tap", {"Nimbra"})) << run.error;
  // The track runs from x 124 to 243 (the slider's frame, less half a thumb at each end)
  // at y 462 on the unscrolled pane.
  auto strength = [&] {
    auto n = run.file() ? objc_cast<NSNumber>(run.file()->objectForKey(NSSTR("CustomStrength")))
                        : nullptr;
    return n ? n->doubleValue() : -1;
  };
  ASSERT_TRUE(run.step("touch-down", {"124,462"})) << run.error;  // the track's start
  EXPECT_EQ(strength(), 0);
  ASSERT_TRUE(run.step("touch-move", {"183.5,470"})) << run.error;  // half way
  EXPECT_NEAR(strength(), 15, 0.01);
  ASSERT_TRUE(run.step("touch-move", {"400,462"})) << run.error;  // far past the end
  EXPECT_EQ(strength(), 30);
  ASSERT_TRUE(run.step("touch-up", {"400,462"})) << run.error;
  EXPECT_EQ(strength(), 30);
  std::string pane;
  ASSERT_TRUE(run.step("back"));
  ASSERT_TRUE(run.step("tap", {"Nimbra"}));
  // Whatever the finger passed through, the pane reads back what was written.
  testing::internal::CaptureStdout();
  ASSERT_TRUE(run.step("accessibility"));
  pane = testing::internal::GetCapturedStdout();
  EXPECT_NE(pane.find("label=\"Strength\"  value=\"30\""), std::string::npos) << pane;

  ASSERT_TRUE(run.step("tap", {"Badge Whitelist"})) << run.error;
  for (const char* name : {"Mail", "Maps"}) {
    ASSERT_TRUE(run.step("tap", {"Add App"})) << run.error;
    ASSERT_TRUE(run.step("type", {name})) << run.error;
    ASSERT_TRUE(run.step("press", {"Save"})) << run.error;
  }
  auto names = [&] {
    auto list = objc_cast<NSArray>(run.file()->objectForKey(NSSTR("BadgeWhitelist")));
    std::string out;
    for (const id& n : *list) out += objc_cast<NSString>(n)->stdString() + ";";
    return out;
  };
  ASSERT_EQ(names(), "Mail;Maps;");
  auto table = run.host.topTable();
  Strong<NSIndexPath> mailRow;
  for (NSInteger s = 0; s < table->numberOfSections(); ++s) {
    for (NSInteger r = 0; r < table->numberOfRowsInSection(s); ++r) {
      auto path = NSIndexPath::indexPathForRowInSection(r, s);
      auto text = table->cellForRowAtIndexPath(path)->textLabel()->text();
      if (text && text->stdString() == "Mail") mailRow = path;
    }
  }
  ASSERT_TRUE(mailRow);
  CGRect mail =
      table->convertRectToView(table->rectForRowAtIndexPath(mailRow), run.host.window().get());
  CGFloat y = CGRectGetMidY(mail);
  auto at = [](CGFloat x, CGFloat y) { return std::to_string(x) + "," + std::to_string(y); };
  // A short slide is no swipe but a tap (the name's edit dialog), and a swipe then a tap
  // beside the button deletes nothing and opens nothing.
  ASSERT_TRUE(run.step("touch-down", {at(250, y)}));
  ASSERT_TRUE(run.step("touch-move", {at(235, y)}));
  ASSERT_TRUE(run.step("touch-up", {at(235, y)}));
  EXPECT_FALSE(table->deleteButton());
  ASSERT_TRUE(UIAlertView::topAlert());
  ASSERT_TRUE(run.step("press", {"Cancel"})) << run.error;
  ASSERT_TRUE(run.step("touch-down", {at(250, y)}));
  ASSERT_TRUE(run.step("touch-move", {at(150, y + 4)}));
  ASSERT_TRUE(run.step("touch-up", {at(150, y + 4)}));
  ASSERT_TRUE(table->deleteButton()) << "no Delete button after a swipe";
  ASSERT_TRUE(run.step("tap-point", {at(100, y)}));
  EXPECT_FALSE(table->deleteButton());
  EXPECT_EQ(names(), "Mail;Maps;");
  EXPECT_FALSE(UIAlertView::topAlert()) << "the tap that hid the button opened the row";

  ASSERT_TRUE(run.step("touch-down", {at(250, y)}));
  ASSERT_TRUE(run.step("touch-move", {at(150, y)}));
  ASSERT_TRUE(run.step("touch-up", {at(150, y)}));
  ASSERT_TRUE(table->deleteButton());
  testing::internal::CaptureStdout();
  ASSERT_TRUE(run.step("accessibility"));
  pane = testing::internal::GetCapturedStdout();
  EXPECT_NE(pane.find("traits=button  label=\"Delete\""), std::string::npos) << pane;
  ASSERT_TRUE(run.step("tap-point", {at(CGRectGetMaxX(mail) - 20, y)}));
  EXPECT_EQ(names(), "Maps;");
  EXPECT_FALSE(table->deleteButton());
}

// The dialog's field edits as a desktop field does: the caret moves and types where it
// is, shift selects, cut, copy and paste go through the user's pasteboard, Return saves
// and Escape cancels. Each row: a key step (or "type TEXT"), then the text and selection.
TEST(SettingsHost, TheDialogsFieldHasACaretASelectionAndThePasteboard) {
  HostRun run;
  // The pasteboard in the test's own home, not the session's.
  std::string runtime = std::getenv("XDG_RUNTIME_DIR") ? std::getenv("XDG_RUNTIME_DIR") : "";
  unsetenv("XDG_RUNTIME_DIR");
  ASSERT_TRUE(run.step("tap", {"Nimbra"}));
  ASSERT_TRUE(run.step("tap", {"Badge Whitelist"}));
  ASSERT_TRUE(run.step("tap", {"Add App"}));
  auto field = UIAlertView::topAlert()->textFieldAtIndex(0);
  struct Case {
    std::vector<std::string> step;
    const char* text;
    NSRange selection;
  } cases[] = {
      {{"type", "Maps"}, "Maps", {4, 0}},
      {{"key", "left"}, "Maps", {3, 0}},
      {{"key", "left"}, "Maps", {2, 0}},
      {{"type", "X"}, "MaXps", {3, 0}},
      {{"key", "shift+left"}, "MaXps", {2, 1}},
      {{"key", "ctrl+x"}, "Maps", {2, 0}},
      {{"key", "home"}, "Maps", {0, 0}},
      {{"key", "ctrl+v"}, "XMaps", {1, 0}},
      {{"key", "shift+end"}, "XMaps", {1, 4}},
      {{"key", "ctrl+c"}, "XMaps", {1, 4}},
      {{"key", "right"}, "XMaps", {5, 0}},  // a selection collapses to the arrow's side
      {{"key", "ctrl+v"}, "XMapsMaps", {9, 0}},
      {{"key", "home"}, "XMapsMaps", {0, 0}},
      {{"key", "delete"}, "MapsMaps", {0, 0}},
      {{"key", "end"}, "MapsMaps", {8, 0}},
      {{"key", "backspace"}, "MapsMap", {7, 0}},
      {{"key", "ctrl+a"}, "MapsMap", {0, 7}},
      {{"type", "\U0001F600"}, "\U0001F600", {2, 0}},
      {{"key", "left"}, "\U0001F600", {0, 0}},  // a character, not a code unit
      {{"key", "shift+right"}, "\U0001F600", {0, 2}},
      {{"type", "Notes"}, "Notes", {5, 0}},
  };
  for (const Case& c : cases) {
    std::string shown = c.step[0] + " " + c.step[1];
    ASSERT_TRUE(run.step(c.step[0], {c.step[1]})) << shown << ": " << run.error;
    EXPECT_EQ(field->text()->stdString(), c.text) << shown;
    EXPECT_EQ(field->selectedRange().location, c.selection.location) << shown;
    EXPECT_EQ(field->selectedRange().length, c.selection.length) << shown;
  }
  EXPECT_EQ(UIPasteboard::generalPasteboard()->string()->stdString(), "Maps");
  EXPECT_FALSE(run.step("key", {"ctrl+z"}));
  EXPECT_NE(run.error.find("unknown key"), std::string::npos) << run.error;

  ASSERT_TRUE(run.step("key", {"return"})) << run.error;  // saves
  EXPECT_FALSE(UIAlertView::topAlert());
  auto names = objc_cast<NSArray>(run.file()->objectForKey(NSSTR("BadgeWhitelist")));
  ASSERT_TRUE(names && names->count() == 1);
  EXPECT_EQ(objc_cast<NSString>(names->objectAtIndex(0))->stdString(), "Notes");
  ASSERT_TRUE(run.step("tap", {"Add App"}));
  ASSERT_TRUE(run.step("type", {"Mail"}));
  ASSERT_TRUE(run.step("key", {"escape"})) << run.error;  // cancels
  EXPECT_FALSE(UIAlertView::topAlert());
  EXPECT_EQ(objc_cast<NSArray>(run.file()->objectForKey(NSSTR("BadgeWhitelist")))->count(), 1u);
  ASSERT_TRUE(run.step("key", {"escape"})) << run.error;  // without a dialog: back
  EXPECT_STREQ(class_getName(run.host.topViewController()->getClass()), "NimbraListController");
  if (!runtime.empty()) setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
}

// Another process changes a setting (as `nimbra prefs set` does: the file, then the
// notification): the shown pane reads it back at the next turn of the run loop.
TEST(SettingsHost, AChangeFromAnotherProcessRefreshesTheShownValues) {
  HostRun run;
  ASSERT_TRUE(run.step("tap", {"Nimbra"}));
  // The real command in child processes: this test binary records its own posts instead
  // of sending them.
  const std::string nimbra = std::string(NIMBRA_BUILD_DIR) + "/apps/nimbra prefs set ";
  for (const char* change : {"Enabled NO", "CustomStrength 12", "Color Red"})
    ASSERT_EQ(std::system((nimbra + change).c_str()), 0) << change;
  std::string pane;
  testwait::waitFor([&] { return pane.find("value=\"off\"") != std::string::npos; },
                    testwait::kDefaultSeconds,
                    [&] {
                      CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0.02, true);
                      testing::internal::CaptureStdout();
                      run.step("accessibility");
                      pane = testing::internal::GetCapturedStdout();
                    });
  EXPECT_NE(pane.find("label=\"Enabled\"  value=\"off\""), std::string::npos) << pane;
  EXPECT_NE(pane.find("label=\"Strength\"  value=\"12\""), std::string::npos) << pane;
  EXPECT_NE(pane.find("label=\"Color\"  value=\"Red\""), std::string::npos) << pane;
}
