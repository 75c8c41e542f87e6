// The glow on app and folder icon views.
#include <set>

#include "PluginHarness.h"
#include "Scene.h"

using namespace harness;
using namespace scene;

namespace {

Strong<NSDictionary> byBadge() {
  return settings({{str("CustomStrengthEnabled"), boolean(false)}});
}

}  // namespace

TEST(Glow, RadiusFollowsTheBadgeAndIsCapped) {
  inFreshProcess(byBadge(), [] {
    struct Case {
      id badge;
      double radius;
    } cases[] = {{str("0"), 6.0},  {str("3"), 12.0}, {str("5"), 16.0},  {str("6"), 17.5},
                 {num(120), 17.5}, {num(0), 6.0},    {real(2.5), 11.0}, {str("007"), 17.5}};
    for (const auto& c : cases) {
      auto view = appView("Mail", c.badge);
      view->layer()->setMasksToBounds(true);  // a clipped layer would hide the glow
      pass(view);
      EXPECT_TRUE(glows(view)) << c.badge->description();
      EXPECT_EQ(view->layer()->shadowRadius(), c.radius) << c.badge->description();
      EXPECT_EQ(view->layer()->shadowOffset().width, 0.0);
      EXPECT_EQ(view->layer()->shadowOffset().height, 0.0);
      EXPECT_FALSE(view->layer()->masksToBounds());
    }
  });
}

TEST(Glow, CustomStrengthAtOrBelowTheThresholdLeavesTheLayerAlone) {
  inFreshProcess(settings({{str("CustomStrength"), real(4.0)}}), [] {
    auto view = appView("Mail", num(3));
    view->layer()->setShadowRadius(2.0);
    view->layer()->setShadowOpacity(0.5f);
    pass(view);
    EXPECT_EQ(view->layer()->shadowRadius(), 2.0);
    EXPECT_EQ(view->layer()->shadowOpacity(), 0.5f);
    // An unbadged icon is still cleared.
    setBadge(view, nullptr);
    pass(view);
    EXPECT_EQ(view->layer()->shadowOpacity(), 0.0f);
    EXPECT_EQ(view->layer()->shadowRadius(), 0.0);
  });
  for (auto [strength, radius] : {std::pair{4.5, 4.5}, std::pair{30.0, 17.5}}) {
    inFreshProcess(settings({{str("CustomStrength"), real(strength)}}), [radius = radius] {
      auto view = appView("Mail", num(120));
      pass(view);
      EXPECT_EQ(view->layer()->shadowRadius(), radius);
      // Folders go by their badge, never by the custom strength.
      auto folder = folderView("Games", num(1));
      pass(folder);
      EXPECT_EQ(folder->layer()->shadowRadius(), 8.0);
    });
  }
}

TEST(Glow, WordsAndSignsClearAppsButCountForFolders) {
  inFreshProcess(byBadge(), [] {
    for (const char* badge : {"new", "!", "-1", "", " 3", "٣"}) {
      auto view = appView("Mail", num(3));
      pass(view);
      ASSERT_TRUE(glows(view));
      setBadge(view, str(badge));
      pass(view);
      EXPECT_FALSE(glows(view)) << '"' << badge << '"';
      EXPECT_EQ(rgba(view->layer()->shadowColor()), rgba(UIColor::clearColor()));
    }
    for (const char* badge : {"new", "!"}) {
      auto folder = folderView("Games", str(badge));
      pass(folder);
      EXPECT_TRUE(glows(folder)) << badge;
      EXPECT_EQ(folder->layer()->shadowRadius(), 6.0) << badge;
    }
    // "-1" gives exactly 4.0: the folder's earlier glow stays as it was.
    auto folder = folderView("Games", num(3));
    pass(folder);
    setBadge(folder, str("-1"));
    pass(folder);
    EXPECT_TRUE(glows(folder));
    EXPECT_EQ(folder->layer()->shadowRadius(), 12.0);
    // No badge at all clears it.
    setBadge(folder, nullptr);
    folder->icon()->setBadgeNumberOrString(nullptr);
    pass(folder);
    EXPECT_FALSE(glows(folder));
  });
}

TEST(Glow, DisabledAppsStillLetFoldersGlow) {
  inFreshProcess(
      settings({{str("Enabled"), boolean(false)}, {str("FoldersEnabled"), boolean(true)}}), [] {
        auto view = appView("Mail", num(3));
        view->layer()->setShadowOpacity(1.0f);
        pass(view);
        EXPECT_FALSE(glows(view));
        auto folder = folderView("Games", num(3));
        pass(folder);
        EXPECT_TRUE(glows(folder));
      });
}

TEST(Glow, RandomModeNeverDrawsLightGrey) {
  inFreshProcess(settings({{str("Color"), num(673)}}), [] {
    const Strong<UIColor> table[] = {
        UIColor::yellowColor(), UIColor::darkGrayColor(), UIColor::lightGrayColor(),
        UIColor::grayColor(),   UIColor::redColor(),      UIColor::greenColor(),
        UIColor::blueColor(),   UIColor::cyanColor(),     UIColor::magentaColor(),
        UIColor::orangeColor(), UIColor::purpleColor(),   UIColor::brownColor(),
        UIColor::blackColor(),  UIColor::whiteColor()};
    std::multiset<int> seen;
    auto view = appView("Mail", num(3));
    for (int draw = 0; draw < 600; ++draw) {
      pass(view);
      auto color = rgba(view->layer()->shadowColor());
      int index = -1;
      for (int k = 0; k < 14; ++k) {
        if (rgba(table[k]) == color) index = k;
      }
      ASSERT_NE(index, -1);
      seen.insert(index);
    }
    EXPECT_EQ(seen.count(2), 0u);
    for (int k = 0; k < 14; ++k) {
      if (k == 2) continue;
      EXPECT_GT(seen.count(k), 0u) << "entry " << k << " never drawn";
    }
  });
}

TEST(Glow, SameAsAppTakesEachIconsDominantColour) {
  inFreshProcess(settings({{str("Color"), num(674)}}), [] {
    auto orange = std::make_shared<SBIconView>(app("Orange", num(3), solidImage(255, 128, 0)));
    auto teal = std::make_shared<SBIconView>(app("Teal", num(3), solidImage(0, 128, 128)));
    pass(orange);
    pass(teal);
    EXPECT_EQ(rgba(orange->layer()->shadowColor()),
              (std::array<double, 4>{1 / 255.0 * 255, 1 / 255.0 * 128, 0.0, 1.0}));
    EXPECT_EQ(rgba(teal->layer()->shadowColor()),
              (std::array<double, 4>{0.0, 1 / 255.0 * 128, 1 / 255.0 * 128, 1.0}));
  });
}

TEST(Glow, RecycledContainerCheckIsOnTheReceiver) {
  inFreshProcess(nullptr, [] {
    // The check asks whether the view itself is a container: an icon view that sits in
    // one still glows, and a container sent hasBadge answers NO.
    auto container = std::make_shared<SBRecycledViewsContainer>();
    auto view = appView("Mail", num(3));
    container->addSubview(view);
    pass(view);
    EXPECT_TRUE(glows(view));
    EXPECT_TRUE(objc_msgSend<BOOL>(view, OBJC_SEL("hasBadge")));
    IMP hasBadge = class_getMethodImplementation(SBIconView::class_(), OBJC_SEL("hasBadge"));
    ASSERT_NE(hasBadge, nullptr);
    EXPECT_FALSE(objc_callImp<BOOL>(hasBadge, container.get(), OBJC_SEL("hasBadge")));
  });
}

namespace {

// A host whose own layout clears the shadow: the glow survives only when the plug-in's
// work follows the host's layout.
IMP hostIconLayout = nullptr;
IMP hostFolderLayout = nullptr;
void clearShadow(NSObject* self) {
  CALayer* layer = static_cast<UIView*>(self)->layer();
  layer->setShadowOpacity(0);
  layer->setShadowRadius(0);
}
void clearingIconLayout(NSObject* self, SEL cmd) {
  objc_callImp(hostIconLayout, self, cmd);
  clearShadow(self);
}
void clearingFolderLayout(NSObject* self, SEL cmd) {
  objc_callImp(hostFolderLayout, self, cmd);
  clearShadow(self);
}

}  // namespace

TEST(Glow, HooksRunTheHostLayoutFirst) {
  auto clearingHost = [] {
    SEL layout = OBJC_SEL("layoutSubviews");
    hostIconLayout =
        class_replaceMethod(SBIconView::class_(), layout, objc::method<&clearingIconLayout>());
    hostFolderLayout = class_replaceMethod(SBFolderIconView::class_(), layout,
                                           objc::method<&clearingFolderLayout>());
    ASSERT_TRUE(hostIconLayout && hostFolderLayout);
  };
  inFreshProcess(
      nullptr,
      [] {
        auto view = appView("Mail", num(3));
        pass(view);
        EXPECT_TRUE(glows(view));
        // The host's own layout placed the badge view before the plug-in looked at it.
        EXPECT_EQ(view->badgeView()->superview(), view.get());
        auto folder = folderView("Games", num(1));
        pass(folder);
        EXPECT_TRUE(glows(folder));
        EXPECT_TRUE(
            class_respondsToSelector(SBFolderIconView::class_(), OBJC_SEL("folderHasBadge")));
        EXPECT_FALSE(class_respondsToSelector(SBIconView::class_(), OBJC_SEL("folderHasBadge")));
      },
      nullptr, clearingHost);
}

TEST(BadgeFilter, ModesAndTheCaseSensitiveWhitelist) {
  auto run = [](int mode, std::vector<const char*> shown, bool enabled = true) {
    auto prefs = settings({{str("ShowBadges"), num(mode)},
                           {str("Enabled"), boolean(enabled)},
                           {str("BadgeWhitelist"), NSArray::arrayWithObjects({str("Mail")})}});
    inFreshProcess(prefs, [&] {
      auto mail = appView("Mail", num(3));
      auto lower = appView("mail", num(3));
      auto folder = folderView("Games", num(3));
      for (const auto& v : {mail, lower, Strong<SBIconView>(folder)}) {
        pass(v);
        bool expectShown = false;
        for (const char* name : shown) {
          expectShown |= v->icon()->displayName()->stdString() == name;
        }
        EXPECT_EQ(v->badgeView()->isHidden(), !expectShown)
            << "mode " << mode << ", " << v->icon()->displayName()->stdString();
      }
    });
  };
  run(0, {});
  run(1, {"Games"});
  run(2, {"Mail"});
  run(3, {"Mail", "mail", "Games"});
  run(4, {"Mail", "mail", "Games"});
  run(-1, {"Mail", "mail", "Games"});
  run(0, {"Mail", "mail", "Games"}, false);
}

TEST(BadgeFilter, HiddenBadgeStillGlows) {
  inFreshProcess(settings({{str("ShowBadges"), num(0)}}), [] {
    auto mail = appView("Mail", num(3));
    pass(mail);
    EXPECT_TRUE(mail->badgeView()->isHidden());
    EXPECT_TRUE(glows(mail));
  });
}
