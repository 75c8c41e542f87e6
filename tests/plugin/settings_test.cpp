// The settings store as the plug-in's passes show it: key table, defaults, start-up,
// bad values and change notifications.
#include <cmath>

#include "CoreFoundation/CFNotificationCenter.h"
#include "PluginHarness.h"
#include "Scene.h"
#include "WaitFor.h"
#include "dispatch/CFRunLoop.h"

using namespace harness;
using namespace scene;

TEST(Settings, MissingFileGivesEveryDefault) {
  inFreshProcess(nullptr, [] {
    auto mail = appView("Mail", num(3));
    pass(mail);
    // CustomStrengthEnabled YES with CustomStrength 5.0; Color 0 is yellow.
    EXPECT_TRUE(glows(mail));
    EXPECT_EQ(mail->layer()->shadowRadius(), 5.0);
    EXPECT_EQ(rgba(mail->layer()->shadowColor()), rgba(UIColor::yellowColor()));
    EXPECT_FALSE(mail->badgeView()->isHidden());  // ShowBadges 3
    auto folder = folderView("Games", num(2));
    pass(folder);
    EXPECT_TRUE(glows(folder));  // FoldersEnabled YES
  });
}

TEST(Settings, PresentFalseValuesAreKeptNotDefaulted) {
  inFreshProcess(settings({{str("Enabled"), boolean(false)}}), [] {
    auto mail = appView("Mail", num(3));
    pass(mail);
    EXPECT_FALSE(glows(mail));
  });
  inFreshProcess(settings({{str("FoldersEnabled"), boolean(false)}}), [] {
    auto folder = folderView("Games", num(3));
    pass(folder);
    EXPECT_FALSE(glows(folder));
    auto mail = appView("Mail", num(3));
    pass(mail);
    EXPECT_TRUE(glows(mail));
  });
  inFreshProcess(
      settings({{str("CustomStrengthEnabled"), boolean(false)}, {str("ShowBadges"), num(0)}}), [] {
        auto mail = appView("Mail", num(3));
        pass(mail);
        EXPECT_EQ(mail->layer()->shadowRadius(), 12.0);  // from the badge
        EXPECT_TRUE(mail->badgeView()->isHidden());
      });
  inFreshProcess(settings({{str("CustomStrength"), real(5.3)}, {str("Color"), num(2)}}), [] {
    auto mail = appView("Mail", num(3));
    pass(mail);
    EXPECT_EQ(mail->layer()->shadowRadius(), double(5.3f));  // single precision, widened
    EXPECT_EQ(rgba(mail->layer()->shadowColor()), rgba(UIColor::lightGrayColor()));
  });
}

TEST(Settings, ColorTableEntriesAreFixedColours) {
  const Strong<UIColor> expected[] = {
      UIColor::yellowColor(), UIColor::darkGrayColor(), UIColor::lightGrayColor(),
      UIColor::grayColor(),   UIColor::redColor(),      UIColor::greenColor(),
      UIColor::blueColor(),   UIColor::cyanColor(),     UIColor::magentaColor(),
      UIColor::orangeColor(), UIColor::purpleColor(),   UIColor::brownColor(),
      UIColor::blackColor(),  UIColor::whiteColor()};
  for (int k : {0, 4, 9, 13}) {
    inFreshProcess(settings({{str("Color"), num(k)}}), [&] {
      auto mail = appView("Mail", num(3));
      pass(mail);
      pass(mail);
      EXPECT_EQ(rgba(mail->layer()->shadowColor()), rgba(expected[k])) << "Color " << k;
    });
  }
}

// Start-up leaves the whitelist from the file in the store: with Color 674 no glow pass
// reloads, so an emptied whitelist would hide every whitelisted badge in mode 2.
TEST(Settings, StartupKeepsTheWhitelistFromTheFile) {
  auto prefs = settings({{str("ShowBadges"), num(2)},
                         {str("Color"), num(674)},
                         {str("BadgeWhitelist"), NSArray::arrayWithObjects({str("Mail")})}});
  inFreshProcess(prefs, [] {
    auto mail = appView("Mail", num(3));
    auto notes = appView("Notes", num(3));
    pass(mail);
    pass(notes);
    EXPECT_FALSE(mail->badgeView()->isHidden());
    EXPECT_TRUE(notes->badgeView()->isHidden());
  });
}

// Start-up leaves no glow colour, so the first glow pass re-reads the file; later passes
// choose again from the dictionary already read, without reading the file.
TEST(Settings, FirstGlowPassAfterStartupRereadsTheFile) {
  inFreshProcess(settings({{str("Color"), num(4)}}), [] {
    writeSettings(settings({{str("Color"), num(6)}}));
    auto mail = appView("Mail", num(3));
    pass(mail);
    EXPECT_EQ(rgba(mail->layer()->shadowColor()), rgba(UIColor::blueColor()));
    writeSettings(settings({{str("Color"), num(5)}}));
    pass(mail);
    EXPECT_EQ(rgba(mail->layer()->shadowColor()), rgba(UIColor::blueColor()));
  });
  // Same-as-app never reloads from a pass: the file's later change goes unseen.
  inFreshProcess(settings({{str("Color"), num(674)}}), [] {
    writeSettings(settings({{str("Color"), num(4)}}));
    auto orange = std::make_shared<SBIconView>(app("Orange", num(3), solidImage(255, 128, 0)));
    pass(orange);
    EXPECT_EQ(rgba(orange->layer()->shadowColor()),
              (std::array<double, 4>{1.0, 128 / 255.0, 0.0, 1.0}));
  });
}

TEST(Settings, ValuesOfOtherTypesCountAsAbsentButStringsConvert) {
  inFreshProcess(settings({{str("Color"), num(99)}}), [] {
    auto mail = appView("Mail", num(3));
    pass(mail);
    EXPECT_EQ(rgba(mail->layer()->shadowColor()), rgba(UIColor::yellowColor()));
  });
  inFreshProcess(settings({{str("Color"), str("4")},
                           {str("Enabled"), NSArray::array()},
                           {str("ShowBadges"), str("0")},
                           {str("CustomStrengthEnabled"), str("NO")}}),
                 [] {
                   auto mail = appView("Mail", num(3));
                   pass(mail);
                   EXPECT_TRUE(glows(mail));  // Enabled of a wrong type: YES
                   EXPECT_EQ(rgba(mail->layer()->shadowColor()), rgba(UIColor::redColor()));
                   EXPECT_EQ(mail->layer()->shadowRadius(), 12.0);
                   EXPECT_TRUE(mail->badgeView()->isHidden());
                 });
  inFreshProcess(settings({{str("CustomStrength"), real(1e300)}}), [] {
    auto mail = appView("Mail", num(3));
    pass(mail);
    EXPECT_EQ(mail->layer()->shadowRadius(), 5.0);  // not finite in single precision
  });
  inFreshProcess(settings({{str("CustomStrength"), str("1e40")}, {str("Color"), boolean(true)}}),
                 [] {
                   auto mail = appView("Mail", num(3));
                   pass(mail);
                   EXPECT_EQ(mail->layer()->shadowRadius(), 5.0);
                   // A boolean is not an integer: Color counts as absent.
                   EXPECT_EQ(rgba(mail->layer()->shadowColor()), rgba(UIColor::yellowColor()));
                 });
  // Numbers of the wrong kind count as absent too: an integer where a boolean or a
  // real belongs, a real or a boolean where an integer belongs.
  inFreshProcess(settings({{str("Enabled"), num(0)},
                           {str("CustomStrengthEnabled"), boolean(true)},
                           {str("CustomStrength"), num(12)},
                           {str("ShowBadges"), real(0.0)},
                           {str("Color"), real(4.0)}}),
                 [] {
                   auto mail = appView("Mail", num(3));
                   pass(mail);
                   EXPECT_TRUE(glows(mail));
                   EXPECT_EQ(mail->layer()->shadowRadius(), 5.0);
                   EXPECT_EQ(rgba(mail->layer()->shadowColor()), rgba(UIColor::yellowColor()));
                   EXPECT_FALSE(mail->badgeView()->isHidden());
                 });
  inFreshProcess(settings({{str("CustomStrength"), real(12.0)}, {str("ShowBadges"), num(0)}}), [] {
    auto mail = appView("Mail", num(3));
    pass(mail);
    EXPECT_EQ(mail->layer()->shadowRadius(), 12.0);
    EXPECT_TRUE(mail->badgeView()->isHidden());
  });
  // A whitelist that is not an array is empty; entries that are not strings never match.
  inFreshProcess(settings({{str("ShowBadges"), num(2)}, {str("BadgeWhitelist"), str("Mail")}}), [] {
    auto mail = appView("Mail", num(3));
    pass(mail);
    EXPECT_TRUE(mail->badgeView()->isHidden());
  });
  inFreshProcess(
      settings({{str("ShowBadges"), num(2)},
                {str("BadgeWhitelist"), NSArray::arrayWithObjects({num(42), str("Mail")})}}),
      [] {
        auto mail = appView("Mail", num(3));
        auto other = appView("42", num(3));
        pass(mail);
        pass(other);
        EXPECT_FALSE(mail->badgeView()->isHidden());
        EXPECT_TRUE(other->badgeView()->isHidden());
      });
}

TEST(Settings, UnreadableFileGivesTheDefaults) {
  inFreshProcess(
      nullptr,
      [] {
        auto mail = appView("Mail", num(3));
        pass(mail);
        EXPECT_EQ(mail->layer()->shadowRadius(), 5.0);
        EXPECT_EQ(rgba(mail->layer()->shadowColor()), rgba(UIColor::yellowColor()));
      },
      "<?xml version=\"1.0\"?><plist><dict><key>Enabled</key>");
}

// Another process rewrites the file and posts the notification; the next pass shows it.
TEST(Settings, NotificationFromAnotherProcessRereadsTheFile) {
  inFreshProcess(settings({{str("Color"), num(4)}}), [] {
    auto mail = appView("Mail", num(3));
    pass(mail);
    ASSERT_EQ(rgba(mail->layer()->shadowColor()), rgba(UIColor::redColor()));

    pid_t writer = fork();
    if (writer == 0) {
      auto next = settings({{str("Color"), num(6)}, {str("CustomStrength"), real(9)}});
      BOOL ok = next->writeToFileAtomically(settingsPath(), YES);
      CFNotificationCenterPostNotification(CFNotificationCenterGetDarwinNotifyCenter(),
                                           NSSTR("com.varenko.nimbra/preferencechanged"), nullptr,
                                           nullptr, true);
      _exit(ok ? 0 : 1);
    }
    int status = 0;
    waitpid(writer, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    testwait::serveMainQueueUntil(
        [&] {
          pass(mail);
          return mail->layer()->shadowRadius() == 9.0;
        },
        20);
    EXPECT_EQ(mail->layer()->shadowRadius(), 9.0);
    EXPECT_EQ(rgba(mail->layer()->shadowColor()), rgba(UIColor::blueColor()));
  });
}

// Each applied glow derives its colour from the dictionary of the last read, which a reload
// replaces, often with one at the address of the dictionary just dropped.
TEST(Settings, EveryReloadChoosesTheColourOfTheNewRead) {
  inFreshProcess(settings({{str("Color"), num(4)}}), [] {
    auto mail = appView("Mail", num(3));
    const std::pair<int, Strong<UIColor>> sequence[] = {
        {6, UIColor::blueColor()},  {4, UIColor::redColor()},    {6, UIColor::blueColor()},
        {6, UIColor::blueColor()},  {13, UIColor::whiteColor()}, {0, UIColor::yellowColor()},
        {12, UIColor::blackColor()}};
    for (const auto& [color, expected] : sequence) {
      writeSettings(settings({{str("Color"), num(color)}}));
      CFNotificationCenterPostNotification(CFNotificationCenterGetDarwinNotifyCenter(),
                                           NSSTR("com.varenko.nimbra/preferencechanged"), nullptr,
                                           nullptr, true);
      testwait::serveMainQueueUntil([&] {
        pass(mail);
        return rgba(mail->layer()->shadowColor()) == rgba(expected);
      });
      EXPECT_EQ(rgba(mail->layer()->shadowColor()), rgba(expected)) << "Color " << color;
    }
    // A missing file leaves no dictionary: the default colour again.
    writeSettings(nullptr);
    CFNotificationCenterPostNotification(CFNotificationCenterGetDarwinNotifyCenter(),
                                         NSSTR("com.varenko.nimbra/preferencechanged"), nullptr,
                                         nullptr, true);
    testwait::serveMainQueueUntil([&] {
      pass(mail);
      return rgba(mail->layer()->shadowColor()) == rgba(UIColor::yellowColor());
    });
    EXPECT_EQ(rgba(mail->layer()->shadowColor()), rgba(UIColor::yellowColor()));
  });
}
