// Tint inheritance, dimming and the tintColorDidChange notifications.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "UIKit/UIKit.h"

namespace {

std::map<const NSObject*, int> changes;

class TintWatcher : public UIView {
  OBJC_CLASS(TintWatcher, UIView)
 public:
  using UIView::UIView;
};

void watcherTintChanged(NSObject* self, SEL cmd) {
  ++changes[self];
  UIViewSendSuper<void>(TintWatcher::super::class_(), self, cmd);
}

}  // namespace

OBJC_CLASS_IMPL(TintWatcher) {
  class_addMethod(cls, OBJC_SEL("tintColorDidChange"), objc::method<&watcherTintChanged>());
}

namespace {

struct Tree {
  Strong<TintWatcher> root = std::make_shared<TintWatcher>(CGRectMake(0, 0, 100, 100));
  Strong<TintWatcher> middle = std::make_shared<TintWatcher>(CGRectMake(0, 0, 50, 50));
  Strong<TintWatcher> leaf = std::make_shared<TintWatcher>(CGRectMake(0, 0, 10, 10));
  Strong<TintWatcher> pinned = std::make_shared<TintWatcher>(CGRectMake(0, 0, 10, 10));
  Tree() {
    root->addSubview(middle);
    middle->addSubview(leaf);
    middle->addSubview(pinned);
    pinned->setTintAdjustmentMode(UIViewTintAdjustmentModeNormal);
    changes.clear();
  }
  int count(const Strong<TintWatcher>& v) { return changes[v.get()]; }
};

bool isGrey(const Strong<UIColor>& c) {
  CGFloat r, g, b, a;
  c->getRedGreenBlueAlpha(&r, &g, &b, &a);
  return r == g && g == b;
}

TEST(Tint, DimmingAnAncestorReachesEveryViewThatInheritsItAndComesBack) {
  Tree t;
  EXPECT_EQ(t.leaf->tintAdjustmentMode(), UIViewTintAdjustmentModeNormal);
  EXPECT_FALSE(isGrey(t.leaf->tintColor()));

  t.root->setTintAdjustmentMode(UIViewTintAdjustmentModeDimmed);
  EXPECT_EQ(t.leaf->tintAdjustmentMode(), UIViewTintAdjustmentModeDimmed);
  EXPECT_TRUE(isGrey(t.leaf->tintColor()));
  EXPECT_EQ(t.count(t.root), 1);
  EXPECT_EQ(t.count(t.middle), 1);
  EXPECT_EQ(t.count(t.leaf), 1);
  EXPECT_EQ(t.count(t.pinned), 0);  // its own mode stands
  EXPECT_EQ(t.pinned->tintAdjustmentMode(), UIViewTintAdjustmentModeNormal);

  t.root->setTintAdjustmentMode(UIViewTintAdjustmentModeDimmed);  // no change: no news
  EXPECT_EQ(t.count(t.leaf), 1);

  t.root->setTintAdjustmentMode(UIViewTintAdjustmentModeAutomatic);
  EXPECT_EQ(t.leaf->tintAdjustmentMode(), UIViewTintAdjustmentModeNormal);
  EXPECT_EQ(t.count(t.leaf), 2);
  EXPECT_FALSE(isGrey(t.leaf->tintColor()));
  // Automatic and normal look the same from below: no change, no news.
  t.root->setTintAdjustmentMode(UIViewTintAdjustmentModeNormal);
  EXPECT_EQ(t.count(t.leaf), 2);
  // Values outside the enumeration mean automatic.
  t.middle->setTintAdjustmentMode(UIViewTintAdjustmentModeDimmed);
  t.middle->setTintAdjustmentMode(77);
  EXPECT_EQ(t.leaf->tintAdjustmentMode(), UIViewTintAdjustmentModeNormal);
}

TEST(Tint, ColoursAreInheritedAndAViewsOwnColourShieldsItsSubtree) {
  Tree t;
  t.middle->setTintColor(UIColor::redColor());
  EXPECT_TRUE(t.leaf->tintColor()->isEqual(UIColor::redColor()));
  EXPECT_EQ(t.count(t.root), 0);
  EXPECT_EQ(t.count(t.middle), 1);
  EXPECT_EQ(t.count(t.leaf), 1);
  t.leaf->setTintColor(UIColor::greenColor());
  t.root->setTintColor(UIColor::blueColor());  // middle and below keep red
  EXPECT_EQ(t.count(t.root), 1);
  EXPECT_EQ(t.count(t.middle), 1);
  // An equal colour is no change.
  t.middle->setTintColor(UIColor::colorWithRedGreenBlueAlpha(1, 0, 0, 1));
  EXPECT_EQ(t.count(t.pinned), 1);
  // Clearing it inherits again.
  t.middle->setTintColor(nullptr);
  EXPECT_TRUE(t.pinned->tintColor()->isEqual(UIColor::blueColor()));
  EXPECT_EQ(t.count(t.pinned), 2);
  EXPECT_TRUE(t.leaf->tintColor()->isEqual(UIColor::greenColor()));
}

TEST(Tint, MovingUnderADimmedViewIsAChangeToo) {
  Tree t;
  auto dimmed = std::make_shared<UIView>(CGRectMake(0, 0, 10, 10));
  dimmed->setTintAdjustmentMode(UIViewTintAdjustmentModeDimmed);
  dimmed->addSubview(t.middle);
  EXPECT_EQ(t.count(t.middle), 1);
  EXPECT_EQ(t.count(t.leaf), 1);
  EXPECT_EQ(t.count(t.pinned), 0);
  t.middle->removeFromSuperview();
  EXPECT_EQ(t.count(t.leaf), 2);
  EXPECT_EQ(t.leaf->tintAdjustmentMode(), UIViewTintAdjustmentModeNormal);
}

}  // namespace
