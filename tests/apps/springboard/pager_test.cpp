// The home window's pager without a window: pages turned by drags and keys, folders
// opened by a tap and closed by a tap outside or Escape, their apps with badges.
#include "HomePager.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "Foundation/Foundation.h"
#include "SpringBoard/SpringBoard.h"

namespace {

// Two pages: Mail (badge 3) and a folder "Chats" of Chat (badge 4) and Talk; then Notes.
Strong<SBHomeScreen> twoPages(const std::string& folder) {
  auto white = std::make_shared<CGImage>(4, 4, std::vector<uint8_t>(64, 255));
  EXPECT_TRUE(CGImageWriteToPNGFile(white, folder + "/white.png"));
  auto entry = [](const char* name, int badge) {
    auto e = NSMutableDictionary::dictionary();
    e->setObjectForKey(NSString::stringWithUTF8String(name), NSSTR("DisplayName"));
    e->setObjectForKey(NSSTR("white.png"), NSSTR("Image"));
    if (badge) e->setObjectForKey(NSNumber::numberWithInt(badge), NSSTR("Badge"));
    return e;
  };
  auto chats = NSMutableDictionary::dictionary();
  chats->setObjectForKey(NSSTR("Chats"), NSSTR("DisplayName"));
  chats->setObjectForKey(NSArray::arrayWithObjects({entry("Chat", 4), entry("Talk", 0)}),
                         NSSTR("Icons"));
  auto layout = NSDictionary::dictionaryWithObjectsAndKeys(
      {{NSSTR("Pages"),
        NSArray::arrayWithObjects({NSArray::arrayWithObjects({entry("Mail", 3), chats}),
                                   NSArray::arrayWithObjects({entry("Notes", 0)})})}});
  std::string path = folder + "/home.plist";
  EXPECT_TRUE(layout->writeToFileAtomically(path, YES));
  return SBHomeScreen::homeScreenWithContentsOfFile(path, nullptr);
}

struct Pager {
  std::string folder;
  Strong<SBHomeScreen> screen;
  Strong<UIWindow> window;
  std::unique_ptr<HomePager> pager;
  Pager() {
    char pattern[] = "/tmp/nimbra-pager-XXXXXX";
    folder = mkdtemp(pattern);
    screen = twoPages(folder);
    window = std::make_shared<UIWindow>(
        CGRectMake(0, 0, SBHomeScreen::kPageWidth, SBHomeScreen::kPageHeight));
    window->addSubview(screen->rootView());
    screen->layoutPass();
    pager = std::make_unique<HomePager>(screen.get(), window.get());
  }
  ~Pager() {
    pager->close();
    screen->rootView()->removeFromSuperview();
    std::filesystem::remove_all(folder);
  }
  void drag(CGFloat fromX, CGFloat toX) {
    pager->pressBegan(CGPointMake(fromX, 300));
    pager->pressMoved(CGPointMake((fromX + toX) / 2, 302));
    pager->pressMoved(CGPointMake(toX, 304));
    pager->pressEnded(CGPointMake(toX, 304));
  }
  CGFloat shownX() const { return screen->rootView()->frame().origin.x; }
};

TEST(HomePager, DragsAndArrowKeysTurnPagesWithinTheirRange) {
  Pager p;
  struct Step {
    const char* what;
    std::function<void(Pager&)> act;
    int page;
  } steps[] = {
      {"a short drag snaps back", [](Pager& q) { q.drag(200, 150); }, 0},
      {"a drag left past a fifth turns on", [](Pager& q) { q.drag(250, 150); }, 1},
      {"no page after the last", [](Pager& q) { q.drag(250, 50); }, 1},
      {"left arrow", [](Pager& q) { EXPECT_TRUE(q.pager->key("left")); }, 0},
      {"no page before the first", [](Pager& q) { EXPECT_FALSE(q.pager->key("left")); }, 0},
      {"right arrow", [](Pager& q) { EXPECT_TRUE(q.pager->key("right")); }, 1},
      {"a drag right turns back", [](Pager& q) { q.drag(50, 200); }, 0},
  };
  for (const auto& step : steps) {
    step.act(p);
    EXPECT_EQ(p.pager->page(), step.page) << step.what;
    EXPECT_EQ(p.shownX(), -step.page * SBHomeScreen::kPageWidth) << step.what;
  }
  // Mid-drag the page follows the pointer; a cancel puts it back.
  p.pager->pressBegan(CGPointMake(200, 300));
  p.pager->pressMoved(CGPointMake(170, 300));
  EXPECT_EQ(p.shownX(), -30);
  p.pager->pressCancelled();
  EXPECT_EQ(p.shownX(), 0);
}

TEST(HomePager, AFolderOpensWithItsAppsAndBadgesAndCloses) {
  Pager p;
  auto chats = p.screen->iconViews()[1];
  CGRect f = chats->frame();
  CGPoint onFolder = CGPointMake(CGRectGetMidX(f), CGRectGetMidY(f));
  // A tap on an app opens nothing; on the folder, the folder.
  CGRect mail = p.screen->iconViews()[0]->frame();
  p.pager->pressBegan(CGPointMake(CGRectGetMidX(mail), CGRectGetMidY(mail)));
  p.pager->pressEnded(CGPointMake(CGRectGetMidX(mail), CGRectGetMidY(mail)));
  EXPECT_FALSE(p.pager->openFolder());
  p.pager->pressBegan(onFolder);
  p.pager->pressEnded(onFolder);
  ASSERT_TRUE(p.pager->openFolder());
  EXPECT_EQ(p.pager->openFolder()->displayName()->stdString(), "Chats");
  const auto& apps = p.pager->folderIconViews();
  ASSERT_EQ(apps.size(), 2u);
  EXPECT_EQ(apps[0]->icon()->displayName()->stdString(), "Chat");
  EXPECT_EQ(apps[0]->badgeView()->superview(), apps[0].get()) << "Chat's badge is not shown";
  EXPECT_NE(apps[1]->badgeView()->superview(), apps[1].get()) << "Talk has no badge";
  EXPECT_TRUE(apps[0]->window()) << "the folder is not on the screen";
  // No paging while it is open; a tap on its panel keeps it; outside closes it.
  EXPECT_FALSE(p.pager->key("right"));
  CGRect app = apps[0]->convertRectToView(apps[0]->bounds(), p.window.get());
  p.pager->pressBegan(CGPointMake(CGRectGetMidX(app), CGRectGetMidY(app)));
  p.pager->pressEnded(CGPointMake(CGRectGetMidX(app), CGRectGetMidY(app)));
  EXPECT_TRUE(p.pager->openFolder());
  p.pager->pressBegan(CGPointMake(5, 5));
  p.pager->pressEnded(CGPointMake(5, 5));
  EXPECT_FALSE(p.pager->openFolder());
  EXPECT_EQ(p.window->subviews().size(), 1u) << "the folder's overlay stayed";
  // Escape closes it too.
  p.pager->open(objc_cast<SBFolderIcon>(chats->icon()).get());
  EXPECT_TRUE(p.pager->key("escape"));
  EXPECT_FALSE(p.pager->openFolder());
  EXPECT_FALSE(p.pager->key("escape"));
}

}  // namespace
