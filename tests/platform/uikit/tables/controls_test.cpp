// Controls: values, target-action through the runtime, and appearance scoped to a
// container class.
#include <gtest/gtest.h>

#include <cmath>

#include "Foundation/NSString.h"
#include "Foundation/NSURL.h"
#include "UIKit/UIAppearance.h"
#include "UIKit/UIApplication.h"
#include "UIKit/UISegmentedControl.h"
#include "UIKit/UISlider.h"
#include "UIKit/UISwitch.h"
#include "UIKit/UIViewController.h"

namespace {

class PaneA : public UIViewController {
  OBJC_CLASS(PaneA, UIViewController)
};
class PaneASub : public PaneA {
  OBJC_CLASS(PaneASub, PaneA)
};
class PaneB : public UIViewController {
  OBJC_CLASS(PaneB, UIViewController)
};

class Listener : public NSObject {
  OBJC_CLASS(Listener, NSObject)
 public:
  int changes = 0;
  void changed(NSObject* sender) { ++changes; }
};

}  // namespace

OBJC_CLASS_IMPL(PaneA) {}
OBJC_CLASS_IMPL(PaneASub) {}
OBJC_CLASS_IMPL(PaneB) {}
OBJC_CLASS_IMPL(Listener) {
  class_addMethod(cls, OBJC_SEL("changed:"), objc::method<&Listener::changed>());
}

namespace {

bool isRed(const Strong<UIColor>& c) {
  CGFloat r, g, b, a;
  return c && c->getRedGreenBlueAlpha(&r, &g, &b, &a) && std::fabs(r - 0.85) < 1e-9 && g == 0 &&
         b == 0 && a == 1;
}

// A control two levels inside a controller's view.
template <class T>
Strong<T> inside(const Strong<UIViewController>& controller) {
  auto holder = std::make_shared<UIView>(CGRectMake(0, 0, 100, 100));
  controller->view()->addSubview(holder);
  auto control = std::make_shared<T>();
  holder->addSubview(control);
  return control;
}

}  // namespace

TEST(Appearance, TintReachesOnlyControlsInsideTheContainerClass) {
  UIAppearance::resetAllProxies();
  auto red = UIColor::colorWithRedGreenBlueAlpha(0.85, 0, 0, 1);
  UISwitch::appearanceWhenContainedIn(PaneA::class_())->setTintColor(red);
  UISwitch::appearanceWhenContainedIn(PaneA::class_())->setOnTintColor(red);
  UISlider::appearanceWhenContainedIn(PaneA::class_())->setTintColor(red);
  UISegmentedControl::appearanceWhenContainedIn(PaneA::class_())->setTintColor(red);

  auto a = std::make_shared<PaneA>();
  auto sub = std::make_shared<PaneASub>();
  auto b = std::make_shared<PaneB>();
  EXPECT_TRUE(isRed(inside<UISwitch>(a)->onTintColor()));
  EXPECT_TRUE(isRed(inside<UISwitch>(a)->tintColor()));
  EXPECT_TRUE(isRed(inside<UISlider>(a)->tintColor()));
  EXPECT_TRUE(isRed(inside<UISegmentedControl>(a)->tintColor()));
  EXPECT_TRUE(isRed(inside<UISwitch>(sub)->onTintColor()));  // a subclass is a container too

  EXPECT_EQ(inside<UISwitch>(b)->onTintColor(), nullptr);
  EXPECT_EQ(inside<UISlider>(b)->tintColor(), nullptr);
  EXPECT_EQ(inside<UISegmentedControl>(b)->tintColor(), nullptr);
  EXPECT_EQ(std::make_shared<UISwitch>()->onTintColor(), nullptr);  // in no tree at all

  // The control's own colour wins over the proxy.
  auto own = inside<UISwitch>(a);
  own->setOnTintColor(UIColor::blueColor());
  EXPECT_TRUE(own->onTintColor()->isEqual(UIColor::blueColor()));

  // A scoped proxy beats an unscoped one set later.
  UISwitch::appearance()->setOnTintColor(UIColor::greenColor());
  EXPECT_TRUE(isRed(inside<UISwitch>(a)->onTintColor()));
  EXPECT_TRUE(inside<UISwitch>(b)->onTintColor()->isEqual(UIColor::greenColor()));
  UIAppearance::resetAllProxies();
}

TEST(Controls, ValuesStayInRangeAndChangesSendActions) {
  auto listener = std::make_shared<Listener>();
  auto slider = std::make_shared<UISlider>();
  slider->addTargetActionForControlEvents(listener, OBJC_SEL("changed:"),
                                          UIControlEventValueChanged);
  slider->setMaximumValue(30);
  slider->setValue(45);
  EXPECT_EQ(slider->value(), 30);
  slider->setValue(-2);
  EXPECT_EQ(slider->value(), 0);
  slider->setValue(NAN);
  EXPECT_EQ(slider->value(), 0);
  slider->setMinimumValue(40);  // drags the maximum along
  EXPECT_EQ(slider->maximumValue(), 40);
  EXPECT_EQ(slider->value(), 40);
  EXPECT_EQ(listener->changes, 0);  // programmatic changes send nothing
  slider->slideTo(12);
  EXPECT_EQ(listener->changes, 1);

  auto control = std::make_shared<UISwitch>();
  control->addTargetActionForControlEvents(listener, OBJC_SEL("changed:"),
                                           UIControlEventValueChanged);
  control->toggle();
  EXPECT_TRUE(control->isOn());
  EXPECT_EQ(listener->changes, 2);

  auto segments = UISegmentedControl::segmentedControlWithItems({NSSTR("a"), NSSTR("b")});
  segments->setSelectedSegmentIndex(1);
  segments->setSelectedSegmentIndex(2);
  segments->setSelectedSegmentIndex(-5);
  EXPECT_EQ(segments->selectedSegmentIndex(), 1);
  EXPECT_EQ(segments->titleForSegmentAtIndex(9), nullptr);
}

TEST(Controls, TargetsAreNotOwned) {
  auto control = std::make_shared<UISwitch>();
  {
    auto listener = std::make_shared<Listener>();
    control->addTargetActionForControlEvents(listener, OBJC_SEL("changed:"),
                                             UIControlEventValueChanged);
  }
  control->toggle();  // the target is gone: nothing is sent, nothing crashes
  EXPECT_TRUE(control->isOn());
}

TEST(Application, OpenURLGoesToTheHandlerAndIsRecorded) {
  auto app = UIApplication::sharedApplication();
  app->clearOpenedURLs();
  app->setOpenURLHandler(nullptr);
  EXPECT_FALSE(app->openURL(NSURL::URLWithString(std::string("http://example.org/a")).get()));
  EXPECT_FALSE(app->openURL(nullptr));
  std::string seen;
  app->setOpenURLHandler([&](const Strong<NSURL>& url) {
    seen = url->absoluteString()->stdString();
    return YES;
  });
  EXPECT_TRUE(app->openURL(NSURL::URLWithString(std::string("http://example.org/b")).get()));
  EXPECT_EQ(seen, "http://example.org/b");
  EXPECT_EQ(app->openedURLs().size(), 2u);
  app->setOpenURLHandler(nullptr);
  app->clearOpenedURLs();
}
