// Pixels of the rendered home screen with the plug-in loaded.
#include <filesystem>

#include "PluginHarness.h"
#include "Scene.h"

using namespace harness;

namespace {

struct Pixel {
  int r, g, b, a;
};

Pixel at(const CGImageRef& image, double x, double y) {
  size_t px = size_t(x), py = size_t(y);
  const uint8_t* p = image->pixels() + py * image->bytesPerRow() + px * 4;
  return {p[0], p[1], p[2], p[3]};
}

// A home screen of a badged and an unbadged app, laid out once with the plug-in.
CGImageRef renderTwoIcons(Strong<SBHomeScreen>* keep) {
  std::string dir = std::getenv("HOME");
  auto image = std::make_shared<CGImage>(4, 4, std::vector<uint8_t>(64, 255));
  EXPECT_TRUE(CGImageWriteToPNGFile(image, dir + "/white.png"));
  auto entry = [](const char* name, const id& badge) {
    auto e = NSMutableDictionary::dictionary();
    e->setObjectForKey(str(name), str("DisplayName"));
    e->setObjectForKey(str("white.png"), str("Image"));
    if (badge) e->setObjectForKey(badge, str("Badge"));
    return e;
  };
  auto layout = settings({{str("Pages"), NSArray::arrayWithObjects({NSArray::arrayWithObjects(
                                             {entry("Mail", num(3)), entry("Notes", nullptr)})})}});
  EXPECT_TRUE(layout->writeToFileAtomically(dir + "/home.plist", YES));
  std::string error;
  *keep = SBHomeScreen::homeScreenWithContentsOfFile(dir + "/home.plist", &error);
  EXPECT_TRUE(*keep) << error;
  if (!*keep) return nullptr;
  (*keep)->layoutPass();
  return (*keep)->rootView()->renderImage(1);
}

}  // namespace

TEST(Render, BadgedIconGlowsInTheChosenColourJustOutsideItsBounds) {
  inFreshProcess(settings({{str("Color"), num(6)}, {str("CustomStrengthEnabled"), boolean(false)}}),
                 [] {
                   Strong<SBHomeScreen> screen;
                   CGImageRef image = renderTwoIcons(&screen);
                   ASSERT_TRUE(image);
                   CGRect mail = screen->iconViews()[0]->frame();
                   CGRect notes = screen->iconViews()[1]->frame();
                   double y = mail.origin.y + 30;
                   Pixel background = at(image, 2, 2);
                   Pixel glow = at(image, mail.origin.x - 3, y);
                   // Right of Notes: Mail's glow reaches into the gap between the two.
                   Pixel plain = at(image, CGRectGetMaxX(notes) + 3, y);
                   EXPECT_GT(glow.b, background.b + 40) << "blue glow left of Mail";
                   EXPECT_LT(glow.r, glow.b);
                   EXPECT_NEAR(plain.b, background.b, 2) << "no glow right of Notes";
                   EXPECT_NEAR(plain.r, background.r, 2);
                 });
}

TEST(Render, HiddenBadgesAreNotDrawn) {
  for (int mode : {3, 0}) {
    inFreshProcess(settings({{str("ShowBadges"), num(mode)}, {str("Color"), num(6)}}), [mode] {
      Strong<SBHomeScreen> screen;
      CGImageRef image = renderTwoIcons(&screen);
      ASSERT_TRUE(image);
      CGRect badge = screen->iconViews()[0]->badgeView()->frame();
      CGRect mail = screen->iconViews()[0]->frame();
      // The badge's centre, in the root's coordinates.
      Pixel p = at(image, mail.origin.x + badge.origin.x + badge.size.width / 2 - 3,
                   mail.origin.y + badge.origin.y + 4);
      bool badgeRed = p.r > 200 && p.g < 120 && p.b < 120;
      EXPECT_EQ(badgeRed, mode == 3) << "mode " << mode << ": " << p.r << "," << p.g << "," << p.b;
    });
  }
}
