// The root list of the pane: its entries, their writes and notifications, the tint, and
// the three web pages.
#include <cmath>

#include "Foundation/NSArray.h"
#include "Foundation/NSDictionary.h"
#include "Foundation/NSNumber.h"
#include "Foundation/NSString.h"
#include "Foundation/NSURL.h"
#include "Pane.h"
#include "PostRecorder.h"
#include "Preferences/PSListItemsController.h"
#include "Preferences/PSSpecifier.h"
#include "TempHome.h"
#include "UIKit/NSIndexPath.h"
#include "UIKit/UIAppearance.h"
#include "UIKit/UIApplication.h"
#include "UIKit/UILabel.h"
#include "UIKit/UISegmentedControl.h"
#include "UIKit/UISlider.h"
#include "UIKit/UISwitch.h"
#include "UIKit/UITableView.h"
#include "UIKit/UITableViewCell.h"

namespace {

const char* kNote = "com.varenko.nimbra/preferencechanged";

int loads = 0;
IMP originalLoad = nullptr;

Strong<NSArray> countingLoad(NSObject* self, SEL cmd, NSString* name, NSObject* target) {
  ++loads;
  return objc_callImp<Strong<NSArray>>(originalLoad, self, cmd, name, target);
}

bool isTint(const Strong<UIColor>& c) {
  CGFloat r, g, b, a;
  return c && c->getRedGreenBlueAlpha(&r, &g, &b, &a) && std::fabs(r - 0.85) < 1e-9 && g == 0 &&
         b == 0 && a == 1;
}

struct Pane {
  TempHome home;
  Strong<PSListController> list;
  Strong<UINavigationController> nav;

  Pane() {
    loadBundle();
    postedNames().clear();
    list = make<PSListController>("NimbraListController");
    list->setBundlePath(NSString::stringWithUTF8String(bundleDir()));
    nav = UINavigationController::navigationControllerWithRootViewController(list);
    nav->view();
  }
  Strong<PSSpecifier> entry(const std::string& label) {
    for (const id& item : *list->_specifiers) {
      auto specifierObject = objc_cast<PSSpecifier>(item);
      if (specifierObject->name() && specifierObject->name()->stdString() == label)
        return specifierObject;
    }
    ADD_FAILURE() << "no entry " << label;
    return nullptr;
  }
  Strong<UITableViewCell> cell(const std::string& label) {
    return list->cellForSpecifier(entry(label));
  }
  template <class T>
  Strong<T> control(const std::string& label) {
    auto c = cell(label);
    if (auto found = objc_cast<T>(c->accessoryView())) return found;
    for (const auto& v : c->contentView()->subviews()) {
      if (auto found = objc_cast<T>(v)) return found;
    }
    return nullptr;
  }
  Strong<NSNumber> stored(const char* key) {
    auto file = NSDictionary::dictionaryWithContentsOfFile(home.settingsFile());
    return file ? objc_cast<NSNumber>(file->objectForKey(NSString::stringWithUTF8String(key)))
                : nullptr;
  }
  void choose(const std::string& entryLabel, const char* title) {
    list->table()->tapRowAtIndexPath(list->indexPathForSpecifier(entry(entryLabel)));
    auto items = objc_cast<PSListItemsController>(nav->topViewController());
    ASSERT_NE(items, nullptr);
    ASSERT_TRUE(items->chooseTitle(NSString::stringWithUTF8String(title)));
    nav->popViewControllerAnimated(NO);
  }
};

}  // namespace

TEST(NimbraList, LoadsItsListOnceAndTintsOnEveryCall) {
  loadBundle();
  Class cls = objc_getClass("NimbraListController");
  ASSERT_NE(cls, nullptr);
  ASSERT_TRUE(class_isSubclassOf(cls, PSListController::class_()));
  MSHookMessageEx(cls, OBJC_SEL("loadSpecifiersFromPlistName:target:"), objc::imp<&countingLoad>(),
                  &originalLoad);
  auto list = make<PSListController>("NimbraListController");
  // No bundle path: the load gives nothing, and the next call tries again.
  EXPECT_EQ(objc_msgSend<NSArray*>(list, OBJC_SEL("specifiers")), nullptr);
  list->setBundlePath(NSString::stringWithUTF8String(bundleDir()));
  loads = 0;
  NSArray* first = objc_msgSend<NSArray*>(list, OBJC_SEL("specifiers"));
  ASSERT_NE(first, nullptr);
  UISwitch::appearanceWhenContainedIn(cls)->setOnTintColor(UIColor::blueColor());
  NSArray* second = objc_msgSend<NSArray*>(list, OBJC_SEL("specifiers"));
  EXPECT_EQ(first, second);
  EXPECT_EQ(loads, 1);
  EXPECT_TRUE(isTint(objc_cast<UIColor>(
      UIAppearance::appearanceForClass(UISwitch::class_(), cls)->valueForProperty("onTintColor"))));
  MSHookMessageEx(cls, OBJC_SEL("loadSpecifiersFromPlistName:target:"), originalLoad, nullptr);
}

TEST(NimbraList, HasEveryEntryWithTheDefaultsOfTheSettingsFile) {
  Pane pane;
  EXPECT_TRUE(pane.control<UISwitch>("Enabled")->isOn());
  EXPECT_TRUE(pane.control<UISwitch>("Folders")->isOn());
  EXPECT_TRUE(pane.control<UISwitch>("Custom Strength")->isOn());
  auto slider = pane.control<UISlider>("Strength");
  EXPECT_EQ(slider->value(), 5);
  EXPECT_EQ(slider->minimumValue(), 0);
  EXPECT_EQ(slider->maximumValue(), 30);
  EXPECT_EQ(pane.cell("Color")->detailTextLabel()->text()->stdString(), "Yellow");
  EXPECT_EQ(pane.cell("Show Badges")->detailTextLabel()->text()->stdString(), "Show all");
  auto colors = pane.entry("Color")->titles();
  ASSERT_EQ(colors->count(), 16u);
  EXPECT_EQ(colors->objectAtIndex(4)->description(), "Red");
  EXPECT_EQ(colors->objectAtIndex(13)->description(), "White");
  EXPECT_EQ(pane.entry("Color")->titleForValue(NSNumber::numberWithInt(673))->stdString(),
            "Random");
  EXPECT_EQ(pane.entry("Color")->titleForValue(NSNumber::numberWithInt(674))->stdString(),
            "Same as app");
  EXPECT_EQ(pane.entry("Badge Whitelist")->detailControllerClassName()->stdString(),
            "BadgeWhitelistListController");
  // The header and thanks rows are the bundle's own cells.
  auto header = pane.list->cellForSpecifier(objc_cast<PSSpecifier>(
      pane.list->specifierAtIndexPath(NSIndexPath::indexPathForRowInSection(0, 0))));
  EXPECT_STREQ(class_getName(header->getClass()), "HeaderCell");
}

TEST(NimbraList, EachEntryWritesItsKeyWithItsTypeAndPostsOnce) {
  Pane pane;
  struct {
    const char* label;
    const char* key;
  } switches[] = {{"Enabled", "Enabled"},
                  {"Folders", "FoldersEnabled"},
                  {"Custom Strength", "CustomStrengthEnabled"}};
  int posts = 0;
  for (const auto& s : switches) {
    pane.control<UISwitch>(s.label)->toggle();
    auto n = pane.stored(s.key);
    ASSERT_NE(n, nullptr) << s.key;
    EXPECT_TRUE(n->isBoolean()) << s.key;
    EXPECT_FALSE(n->boolValue()) << s.key;
    EXPECT_EQ(postsOf(kNote), ++posts) << s.key;
  }
  pane.control<UISlider>("Strength")->slideTo(12.25);
  ASSERT_NE(pane.stored("CustomStrength"), nullptr);
  EXPECT_TRUE(pane.stored("CustomStrength")->isReal());
  EXPECT_EQ(pane.stored("CustomStrength")->doubleValue(), 12.25);
  EXPECT_EQ(postsOf(kNote), ++posts);

  pane.choose("Color", "Red");
  EXPECT_EQ(pane.stored("Color")->intValue(), 4);
  EXPECT_FALSE(pane.stored("Color")->isReal() || pane.stored("Color")->isBoolean());
  EXPECT_EQ(postsOf(kNote), ++posts);
  pane.choose("Color", "Same as app");
  EXPECT_EQ(pane.stored("Color")->intValue(), 674);
  pane.choose("Show Badges", "Whitelist only");
  EXPECT_EQ(pane.stored("ShowBadges")->intValue(), 2);
  EXPECT_EQ(postsOf(kNote), posts + 2);
  EXPECT_EQ(pane.cell("Color")->detailTextLabel()->text()->stdString(), "Same as app");
  // Every key written is still there: each write changed only its own.
  EXPECT_EQ(NSDictionary::dictionaryWithContentsOfFile(pane.home.settingsFile())->count(), 6u);
  EXPECT_EQ(postedNames().size(), postsOf(kNote) + 0u);
}

TEST(NimbraList, TintReachesOnlyControlsInsideItsOwnViews) {
  Pane pane;
  EXPECT_TRUE(isTint(pane.control<UISwitch>("Enabled")->onTintColor()));
  EXPECT_TRUE(isTint(pane.control<UISwitch>("Enabled")->tintColor()));
  EXPECT_TRUE(isTint(pane.control<UISlider>("Strength")->tintColor()));
  auto segments = UISegmentedControl::segmentedControlWithItems({NSSTR("a")});
  pane.list->view()->addSubview(segments);
  EXPECT_TRUE(isTint(segments->tintColor()));

  // A plain list elsewhere in the Settings app, and a control in no list at all.
  auto other = std::make_shared<PSListController>();
  auto elsewhere = std::make_shared<UISwitch>();
  other->view()->addSubview(elsewhere);
  EXPECT_EQ(elsewhere->onTintColor(), nullptr);
  EXPECT_EQ(std::make_shared<UISlider>()->tintColor(), nullptr);
}

TEST(NimbraList, ButtonsOpenTheThreePages) {
  Pane pane;
  auto app = UIApplication::sharedApplication();
  app->clearOpenedURLs();
  for (const char* label : {"Follow on Twitter", "Donate", "Website"}) {
    pane.list->table()->tapRowAtIndexPath(pane.list->indexPathForSpecifier(pane.entry(label)));
  }
  ASSERT_EQ(app->openedURLs().size(), 3u);
  auto twitter = app->openedURLs()[0];
  EXPECT_EQ(twitter->scheme()->stdString(), "http");
  EXPECT_EQ(twitter->host()->stdString(), "twitter.com");
  EXPECT_EQ(twitter->path()->stdString(), "/Varenko");
  EXPECT_EQ(app->openedURLs()[1]->scheme()->stdString(), "http");
  auto site = app->openedURLs()[2];
  EXPECT_EQ(site->scheme()->stdString(), "http");
  EXPECT_TRUE(!site->path() || site->path()->length() == 0);
  EXPECT_TRUE(postedNames().empty());
  app->clearOpenedURLs();
}
