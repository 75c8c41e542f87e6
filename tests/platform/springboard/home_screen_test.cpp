#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "Foundation/Foundation.h"
#include "SpringBoard/SpringBoard.h"

namespace {

namespace fs = std::filesystem;

class HomeScreenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char dir[] = "/tmp/nimbra-sb-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    dir_ = dir;
    fs::create_directories(dir_ / "icons");
    auto image = std::make_shared<CGImage>(2, 2, std::vector<uint8_t>(16, 200));
    ASSERT_TRUE(CGImageWriteToPNGFile(image, (dir_ / "icons/a.png").string()));
  }
  void TearDown() override { fs::remove_all(dir_); }

  static id app(const char* name, const id& badge = nullptr, const char* image = "icons/a.png") {
    auto entry = NSMutableDictionary::dictionary();
    entry->setObjectForKey(NSString::stringWithUTF8String(name), NSSTR("DisplayName"));
    if (image) entry->setObjectForKey(NSString::stringWithUTF8String(image), NSSTR("Image"));
    if (badge) entry->setObjectForKey(badge, NSSTR("Badge"));
    return entry;
  }
  static id folder(const char* name, std::initializer_list<id> apps, const id& badge = nullptr) {
    auto entry = NSMutableDictionary::dictionary();
    entry->setObjectForKey(NSString::stringWithUTF8String(name), NSSTR("DisplayName"));
    entry->setObjectForKey(NSArray::arrayWithObjects(apps), NSSTR("Icons"));
    if (badge) entry->setObjectForKey(badge, NSSTR("Badge"));
    return entry;
  }
  std::string write(std::initializer_list<id> page, const id& columns = nullptr) {
    auto layout = NSMutableDictionary::dictionary();
    layout->setObjectForKey(NSArray::arrayWithObjects({NSArray::arrayWithObjects(page)}),
                            NSSTR("Pages"));
    if (columns) layout->setObjectForKey(columns, NSSTR("Columns"));
    std::string path = (dir_ / "home.plist").string();
    EXPECT_TRUE(layout->writeToFileAtomically(path, YES));
    return path;
  }
  std::string loadError(const std::string& path) {
    std::string error;
    EXPECT_EQ(SBHomeScreen::homeScreenWithContentsOfFile(path, &error), nullptr);
    return error;
  }

  fs::path dir_;
};

bool contains(const std::string& s, const char* part) {
  return s.find(part) != std::string::npos;
}

TEST_F(HomeScreenTest, BadLayoutsGiveErrorsNamingThePlace) {
  EXPECT_TRUE(contains(loadError((dir_ / "missing.plist").string()), "not a property-list"));
  std::ofstream(dir_ / "junk.plist") << "not a plist";
  EXPECT_TRUE(contains(loadError((dir_ / "junk.plist").string()), "not a property-list"));
  EXPECT_TRUE(contains(loadError(write({app("A")}, NSNumber::numberWithInt(9))), "Columns"));
  EXPECT_TRUE(contains(loadError(write({NSSTR("A")})), "page 1, entry 1: not a dictionary"));
  EXPECT_TRUE(contains(loadError(write({app("A"), app("")})), "entry 2: DisplayName"));
  EXPECT_TRUE(contains(loadError(write({app("A", NSArray::array())})), "neither a number"));
  EXPECT_TRUE(contains(loadError(write({app("A", NSNumber::numberWithBool(YES))})), "Badge"));
  EXPECT_TRUE(contains(loadError(write({app("A", nullptr, nullptr)})), "no Image"));
  EXPECT_TRUE(contains(loadError(write({app("A", nullptr, "icons/none.png")})), "cannot read"));
  EXPECT_TRUE(
      contains(loadError(write({folder("F", {folder("G", {app("A")})})})), "inside a folder"));
  EXPECT_TRUE(contains(loadError(write({folder("F", {})})), "no Icons"));
  EXPECT_TRUE(contains(loadError(write({app("A"), app("B"), app("C")}, NSNumber::numberWithInt(0))),
                       "Columns"));
  // One column holds five icons a page.
  EXPECT_TRUE(contains(loadError(write({app("A"), app("B"), app("C"), app("D"), app("E"), app("F")},
                                       NSNumber::numberWithInt(1))),
                       "more than 5"));
}

TEST_F(HomeScreenTest, FolderBadgeIsItsOwnValueOrTheSumOfItsApps) {
  std::string path =
      write({folder("Sum", {app("A", NSNumber::numberWithInt(2)), app("B", NSSTR("7")),
                            app("C", NSSTR("!")), app("D", NSNumber::numberWithInt(-4))}),
             folder("None", {app("E", NSSTR("new"))}),
             folder("Own", {app("F", NSNumber::numberWithInt(1))}, NSSTR("-1"))});
  std::string error;
  auto screen = SBHomeScreen::homeScreenWithContentsOfFile(path, &error);
  ASSERT_TRUE(screen) << error;
  const auto& page = screen->pages()[0];
  EXPECT_TRUE(page[0]->isFolderIcon());
  EXPECT_TRUE(page[0]->badgeNumberOrString()->isEqual(NSNumber::numberWithInt(9)));
  EXPECT_EQ(page[1]->badgeNumberOrString(), nullptr);
  EXPECT_TRUE(page[2]->badgeNumberOrString()->isEqual(NSSTR("-1")));
  EXPECT_EQ(screen->allIcons().size(), 9u);  // three folders, six apps
  // Through the runtime, as the plug-in asks.
  EXPECT_TRUE(objc_msgSend<BOOL>(page[0], OBJC_SEL("isFolderIcon")));
  EXPECT_TRUE(objc_msgSend<NSObject*>(page[0], OBJC_SEL("getIconImage:"), 2));
  EXPECT_TRUE(objc_msgSend<NSObject*>(page[0], OBJC_SEL("displayName"))->isEqual(NSSTR("Sum")));
  // The sum follows its apps' badges as they change, down to none.
  screen->iconsNamed("A")[0]->setBadgeNumberOrString(NSNumber::numberWithInt(5));
  auto* sum = objc_msgSend<NSObject*>(page[0], OBJC_SEL("badgeNumberOrString"));
  ASSERT_TRUE(sum);
  EXPECT_TRUE(sum->isEqual(NSNumber::numberWithInt(12)));
  // Asked again without a change, the same object answers.
  EXPECT_EQ(objc_msgSend<NSObject*>(page[0], OBJC_SEL("badgeNumberOrString")), sum);
  // A string that changes in place, without a set, is summed anew each time.
  auto text = NSMutableString::stringWithUTF8String("1");
  screen->iconsNamed("A")[0]->setBadgeNumberOrString(text);
  EXPECT_TRUE(page[0]->badgeNumberOrString()->isEqual(NSNumber::numberWithInt(8)));
  text->setString(NSSTR("30"));
  EXPECT_TRUE(page[0]->badgeNumberOrString()->isEqual(NSNumber::numberWithInt(37)));
  screen->iconsNamed("A")[0]->setBadgeNumberOrString(nullptr);
  screen->iconsNamed("B")[0]->setBadgeNumberOrString(nullptr);
  EXPECT_EQ(objc_msgSend<NSObject*>(page[0], OBJC_SEL("badgeNumberOrString")), nullptr);
}

TEST_F(HomeScreenTest, BadgeViewIsInTheTreeOnlyForAVisibleBadge) {
  auto screen = SBHomeScreen::homeScreenWithContentsOfFile(
      write({app("None"), app("Zero", NSNumber::numberWithInt(0)), app("Empty", NSSTR("")),
             app("Three", NSNumber::numberWithInt(3)), app("Word", NSSTR("new"))}),
      nullptr);
  ASSERT_TRUE(screen);
  screen->layoutPass();
  std::vector<bool> shown;
  for (const auto& view : screen->iconViews()) {
    shown.push_back(view->badgeView()->superview() == view.get());
  }
  EXPECT_EQ(shown, (std::vector<bool>{false, false, false, true, true}));
  EXPECT_EQ(screen->iconViews()[3]->badgeView()->text(), "3");
  EXPECT_TRUE(screen->recycledViewsContainer()->isHidden());
  EXPECT_EQ(objc_msgSend<NSObject*>(screen->iconViews()[4], OBJC_SEL("icon")),
            screen->pages()[0][4].get());
}

TEST_F(HomeScreenTest, BadgeChangesGoThroughTheFile) {
  std::string path = write({app("Mail", NSNumber::numberWithInt(1)), folder("F", {app("Chat")})});
  auto screen = SBHomeScreen::homeScreenWithContentsOfFile(path, nullptr);
  ASSERT_TRUE(screen);
  std::string error;
  EXPECT_FALSE(SBHomeScreen::setBadgeInLayoutFile(path, "mail", NSSTR("x"), &error));
  EXPECT_TRUE(contains(error, "no app or folder named \"mail\""));
  ASSERT_TRUE(SBHomeScreen::setBadgeInLayoutFile(path, "Chat", NSNumber::numberWithInt(5), &error))
      << error;
  ASSERT_TRUE(SBHomeScreen::setBadgeInLayoutFile(path, "Mail", nullptr, &error)) << error;
  ASSERT_TRUE(screen->reloadBadges(&error)) << error;
  EXPECT_EQ(screen->iconsNamed("Mail")[0]->badgeNumberOrString(), nullptr);
  EXPECT_TRUE(
      screen->iconsNamed("Chat")[0]->badgeNumberOrString()->isEqual(NSNumber::numberWithInt(5)));
  EXPECT_TRUE(
      screen->iconsNamed("F")[0]->badgeNumberOrString()->isEqual(NSNumber::numberWithInt(5)));
  // A folder's own badge overrides the sum of its apps'; none brings the sum back.
  ASSERT_TRUE(SBHomeScreen::setBadgeInLayoutFile(path, "F", NSSTR("!"), &error)) << error;
  ASSERT_TRUE(screen->reloadBadges(&error)) << error;
  EXPECT_TRUE(screen->iconsNamed("F")[0]->badgeNumberOrString()->isEqual(NSSTR("!")));
  ASSERT_TRUE(SBHomeScreen::setBadgeInLayoutFile(path, "F", nullptr, &error)) << error;
  ASSERT_TRUE(screen->reloadBadges(&error)) << error;
  EXPECT_TRUE(
      screen->iconsNamed("F")[0]->badgeNumberOrString()->isEqual(NSNumber::numberWithInt(5)));
  // A file whose icons differ keeps the running screen as it was.
  write({app("Other")});
  EXPECT_FALSE(screen->reloadBadges(&error));
  EXPECT_TRUE(contains(error, "icons changed"));
}

TEST(PluginFilter, SelectsByExecutableOrBundleOnly) {
  auto filter = [](std::initializer_list<NSDictionary::Entry> lists) {
    return NSDictionary::dictionaryWithObjectsAndKeys(
        {{NSSTR("Filter"), NSDictionary::dictionaryWithObjectsAndKeys(lists)}});
  };
  auto both =
      filter({{NSSTR("Executables"), NSArray::arrayWithObjects({NSSTR("nimbra-springboard")})},
              {NSSTR("Bundles"), NSArray::arrayWithObjects({NSSTR("com.apple.springboard")})}});
  EXPECT_TRUE(SBPluginLoader::filterSelects(both, "nimbra-springboard", "other"));
  EXPECT_TRUE(SBPluginLoader::filterSelects(both, "nimbra", "com.apple.springboard"));
  EXPECT_FALSE(SBPluginLoader::filterSelects(both, "Preferences", "com.apple.Preferences"));
  EXPECT_FALSE(
      SBPluginLoader::filterSelects(nullptr, "nimbra-springboard", "com.apple.springboard"));
  EXPECT_FALSE(SBPluginLoader::filterSelects(
      filter({{NSSTR("Bundles"), NSSTR("com.apple.springboard")}}), "x", "com.apple.springboard"));
  // Relayout notifications are the list's non-empty strings; anything else names none.
  auto key = NSSTR("RelayoutNotifications");
  auto mixed = NSArray::arrayWithObjects({NSSTR("a/b"), NSNumber::numberWithInt(1), NSSTR("")});
  EXPECT_EQ(SBPluginLoader::relayoutNotifications(
                NSDictionary::dictionaryWithObjectsAndKeys({{key, mixed}})),
            std::vector<std::string>{"a/b"});
  EXPECT_TRUE(SBPluginLoader::relayoutNotifications(
                  NSDictionary::dictionaryWithObjectsAndKeys({{key, NSSTR("a/b")}}))
                  .empty());
  EXPECT_TRUE(SBPluginLoader::relayoutNotifications(nullptr).empty());
}

TEST(PluginFilter, TheStagedPluginIsSelectedForTheHomeScreenOnly) {
  std::string dir = SBPluginLoader::pluginDirectory(NIMBRA_ROOT);
  auto filter = NSDictionary::dictionaryWithContentsOfFile(dir + "/Nimbra.plist");
  ASSERT_TRUE(filter);
  EXPECT_TRUE(SBPluginLoader::filterSelects(filter, "nimbra-springboard", ""));
  EXPECT_TRUE(SBPluginLoader::filterSelects(filter, "", SBHostBundleIdentifier));
  EXPECT_FALSE(SBPluginLoader::filterSelects(filter, "springboard_test", "com.apple.Preferences"));
  // The plug-in asks for a layout pass after its settings change.
  EXPECT_EQ(SBPluginLoader::relayoutNotifications(filter),
            std::vector<std::string>{"com.varenko.nimbra/preferencechanged"});
  // This test process is neither: nothing is loaded, nothing fails.
  SBPluginLoadResult result =
      SBPluginLoader::loadPlugins(NIMBRA_ROOT, "springboard_test", "com.example.test");
  EXPECT_TRUE(result.loaded.empty());
  EXPECT_TRUE(result.errors.empty());
  EXPECT_TRUE(SBPluginLoader::loadPlugins("/nonexistent", "x").loaded.empty());
}

}  // namespace
