// View trees under awkward use: cycles, parents dying first, the tree changing during
// layout and moves, hostile geometry, hidden and transparent subtrees, and the graphics
// context stack used out of order.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <vector>

#include "UIKit/UIKit.h"

namespace {

constexpr CGFloat kNaN = std::numeric_limits<CGFloat>::quiet_NaN();
constexpr CGFloat kInf = std::numeric_limits<CGFloat>::infinity();

// Runs whatever the test puts in `onLayout` / `onWillMove` from inside the view machinery.
class ScriptedView : public UIView {
  OBJC_CLASS(ScriptedView, UIView)
 public:
  using UIView::UIView;
  std::function<void(ScriptedView*)> onLayout;
  std::function<void(ScriptedView*, UIView*)> onWillMove;
  int layouts = 0;
};

void scriptedLayout(NSObject* self, SEL) {
  auto* v = static_cast<ScriptedView*>(self);
  ++v->layouts;
  if (v->onLayout) v->onLayout(v);
}
void scriptedWillMove(NSObject* self, SEL, UIView* to) {
  auto* v = static_cast<ScriptedView*>(self);
  if (auto f = std::move(v->onWillMove)) f(v, to);  // once
}

}  // namespace

OBJC_CLASS_IMPL(ScriptedView) {
  class_addMethod(cls, OBJC_SEL("layoutSubviews"), objc::method<&scriptedLayout>());
  class_addMethod(cls, OBJC_SEL("willMoveToSuperview:"), objc::method<&scriptedWillMove>());
}

namespace {

Strong<UIView> view(CGRect frame) {
  return std::make_shared<UIView>(frame);
}
Strong<ScriptedView> scripted(CGRect frame) {
  return std::make_shared<ScriptedView>(frame);
}

// Every view's superview lists it, its layer sits in the superview's layer, and walking up
// ends.
void expectConsistent(const UIView* root) {
  for (const auto& s : root->subviews()) {
    EXPECT_EQ(s->superview(), root);
    EXPECT_EQ(s->layer()->superlayer(), root->layer());
    expectConsistent(s.get());
  }
  int depth = 0;
  for (const UIView* v = root; v && depth < 1000; v = v->superview()) ++depth;
  EXPECT_LT(depth, 1000);
}

TEST(TreeEdges, NoViewBecomesItsOwnAncestor) {
  auto a = view(CGRectMake(0, 0, 10, 10)), b = view(CGRectMake(0, 0, 10, 10)),
       c = view(CGRectMake(0, 0, 10, 10));
  a->addSubview(b);
  b->addSubview(c);
  a->addSubview(a);
  c->addSubview(a);
  c->insertSubviewAtIndex(b, 0);
  b->insertSubviewAboveSubview(a, c);
  c->insertSubviewBelowSubview(a, c);
  EXPECT_EQ(a->superview(), nullptr);
  EXPECT_EQ(b->superview(), a.get());
  EXPECT_EQ(c->superview(), b.get());
  EXPECT_TRUE(c->subviews().empty());
  expectConsistent(a.get());
  // Indexes out of range are clamped; none is ignored.
  auto d = view(CGRectZero), e = view(CGRectZero);
  a->insertSubviewAtIndex(d, -5);
  a->insertSubviewAtIndex(e, 1000);
  a->addSubview(nullptr);
  ASSERT_EQ(a->subviews().size(), 3u);
  EXPECT_EQ(a->subviews()[0], d);
  EXPECT_EQ(a->subviews()[2], e);
  EXPECT_EQ(a->layer()->sublayers()[0].get(), d->layer());
  EXPECT_EQ(a->layer()->sublayers()[2].get(), e->layer());
}

TEST(TreeEdges, SubviewsOutlivingTheirParentCanMoveOn) {
  auto child = view(CGRectMake(1, 2, 3, 4));
  auto other = view(CGRectMake(0, 0, 50, 50));
  {
    auto parent = view(CGRectMake(10, 10, 20, 20));
    parent->addSubview(child);
  }
  EXPECT_EQ(child->superview(), nullptr);
  EXPECT_EQ(child->layer()->superlayer(), nullptr);
  EXPECT_TRUE(std::isfinite(child->convertPointToView(CGPointMake(1, 1), nullptr).x));
  other->addSubview(child);
  expectConsistent(other.get());
  child->removeFromSuperview();
  child->removeFromSuperview();
  EXPECT_TRUE(other->subviews().empty());
  EXPECT_TRUE(other->layer()->sublayers().empty());
}

TEST(TreeEdges, LayoutSurvivesTheTreeChangingUnderIt) {
  auto root = view(CGRectMake(0, 0, 100, 100));
  auto first = scripted(CGRectMake(0, 0, 10, 10));
  auto second = scripted(CGRectMake(0, 0, 10, 10));
  auto third = scripted(CGRectMake(0, 0, 10, 10));
  root->addSubview(first);
  root->addSubview(second);
  second->addSubview(third);
  // The first removes itself and its next sibling; the third adds a new child to itself.
  first->onLayout = [&](ScriptedView* self) {
    second->removeFromSuperview();
    self->removeFromSuperview();
  };
  third->onLayout = [](ScriptedView* self) { self->addSubview(view(CGRectMake(0, 0, 1, 1))); };
  std::weak_ptr<ScriptedView> gone = first;
  first.reset();
  root->layoutIfNeeded();
  EXPECT_TRUE(gone.expired());  // released once its layout returned
  EXPECT_TRUE(root->subviews().empty());
  EXPECT_EQ(second->superview(), nullptr);
  EXPECT_EQ(third->superview(), second.get());
  expectConsistent(root.get());
  // A view that keeps asking for layout during layout is laid out once per pass.
  auto needy = scripted(CGRectMake(0, 0, 10, 10));
  needy->onLayout = [](ScriptedView* self) { self->setNeedsLayout(); };
  root->addSubview(needy);
  root->layoutIfNeeded();
  EXPECT_EQ(needy->layouts, 1);
}

TEST(TreeEdges, AMoveRedirectedByItsOwnHookLeavesOneConsistentTree) {
  auto a = view(CGRectMake(0, 0, 10, 10)), b = view(CGRectMake(0, 0, 10, 10));
  auto c = view(CGRectMake(0, 0, 10, 10));
  auto v = scripted(CGRectMake(0, 0, 5, 5));
  a->addSubview(v);
  // Asked to leave a, the view first moves itself into c.
  v->onWillMove = [&](ScriptedView* self, UIView* to) {
    if (!to) c->addSubview(self->retainedSelf<UIView>());
  };
  v->removeFromSuperview();
  EXPECT_TRUE(a->subviews().empty());
  EXPECT_EQ(a->layer()->sublayers().size(), 0u);
  for (UIView* p : {a.get(), b.get(), c.get()}) expectConsistent(p);
  int parents = (v->superview() == c.get()) + (v->superview() == nullptr);
  EXPECT_EQ(parents, 1);
  if (v->superview() == nullptr) {
    EXPECT_TRUE(c->subviews().empty());
  }

  // Asked to join b, it joins a instead: it ends up in exactly one place.
  v->onWillMove = [&](ScriptedView* self, UIView* to) {
    if (to == b.get()) a->addSubview(self->retainedSelf<UIView>());
  };
  b->addSubview(v);
  size_t places = a->subviews().size() + b->subviews().size() + c->subviews().size();
  EXPECT_EQ(places, 1u);
  for (UIView* p : {a.get(), b.get(), c.get()}) expectConsistent(p);
}

TEST(TreeEdges, HostileGeometryIsIgnored) {
  auto v = view(CGRectMake(1, 2, 30, 40));
  v->setFrame(CGRectMake(kNaN, 0, 1, 1));
  v->setFrame(CGRectNull);
  v->setBounds(CGRectMake(0, 0, kInf, 1));
  v->setBounds(CGRectMake(kNaN, 0, 1, 1));
  v->setCenter(CGPointMake(kInf, 0));
  EXPECT_TRUE(CGRectEqualToRect(v->frame(), CGRectMake(1, 2, 30, 40)));
  v->setFrame(CGRectMake(10, 10, -4, -6));  // standardised
  EXPECT_TRUE(CGRectEqualToRect(v->frame(), CGRectMake(6, 4, 4, 6)));
  v->setAlpha(kNaN);
  EXPECT_EQ(v->alpha(), 1);
  v->setAlpha(7);
  EXPECT_EQ(v->alpha(), 1);
  EXPECT_EQ(v->hitTestWithEvent(CGPointMake(kNaN, 1), nullptr), nullptr);
  EXPECT_FALSE(std::isnan(v->convertPointToView(CGPointMake(1, 1), nullptr).x));
}

TEST(TreeEdges, HiddenAndTransparentSubtreesAreNeitherHitNorDrawn) {
  auto root = view(CGRectMake(0, 0, 40, 20));
  auto group = view(CGRectMake(0, 0, 40, 20));
  group->setBackgroundColor(nullptr);
  auto leaf = view(CGRectMake(0, 0, 20, 20));
  leaf->setBackgroundColor(UIColor::redColor());
  group->addSubview(leaf);
  root->addSubview(group);
  EXPECT_EQ(root->hitTestWithEvent(CGPointMake(5, 5), nullptr), leaf.get());
  group->setHidden(true);
  EXPECT_EQ(root->hitTestWithEvent(CGPointMake(5, 5), nullptr), root.get());
  auto image = root->renderImage(1);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->pixels()[3], 0);
  EXPECT_FALSE(leaf->isHidden());  // hiding an ancestor does not change the leaf's flag

  group->setHidden(false);
  group->setAlpha(0.5);
  leaf->setAlpha(0.5);
  image = root->renderImage(1);
  EXPECT_NEAR(image->pixels()[3], 64, 1);
  group->setAlpha(0.005);  // below the hit-testing threshold, still drawn faintly
  EXPECT_EQ(root->hitTestWithEvent(CGPointMake(5, 5), nullptr), root.get());
  group->setAlpha(1);
  group->setUserInteractionEnabled(false);
  EXPECT_EQ(root->hitTestWithEvent(CGPointMake(5, 5), nullptr), root.get());
  // Outside the bounds nothing is hit, though an unclipped child would draw there.
  EXPECT_EQ(root->hitTestWithEvent(CGPointMake(45, 5), nullptr), nullptr);
}

TEST(GraphicsStack, OutOfOrderUseIsHarmless) {
  UIGraphicsPopContext();
  UIGraphicsEndImageContext();
  EXPECT_EQ(UIGraphicsGetCurrentContext(), nullptr);
  EXPECT_EQ(UIGraphicsGetImageFromCurrentImageContext(), nullptr);
  UIRectFill(CGRectMake(0, 0, 1, 1));  // no context: nothing happens

  // Sizes that are zero, negative, not finite or vast still give a usable context.
  for (CGSize size :
       {CGSizeMake(0, 0), CGSizeMake(-5, 3), CGSizeMake(kNaN, kInf), CGSizeMake(1e9, 1)}) {
    UIGraphicsBeginImageContextWithOptions(size, false, 1);
    ASSERT_NE(UIGraphicsGetCurrentContext(), nullptr);
    auto image = UIGraphicsGetImageFromCurrentImageContext();
    ASSERT_NE(image, nullptr);
    EXPECT_GE(image->size().width, 1);
    EXPECT_LE(image->size().width, 16384);
    UIGraphicsEndImageContext();
  }
  EXPECT_EQ(UIGraphicsGetCurrentContext(), nullptr);

  // A pushed plain context is not an image context: End leaves it, Pop removes it.
  UIGraphicsBeginImageContextWithOptions(CGSizeMake(2, 2), true, 1);
  auto imageCtx = UIGraphicsGetCurrentContext();
  UIGraphicsPushContext(nullptr);
  EXPECT_EQ(UIGraphicsGetImageFromCurrentImageContext(), nullptr);
  UIGraphicsEndImageContext();
  UIGraphicsPopContext();
  EXPECT_EQ(UIGraphicsGetCurrentContext(), imageCtx);
  auto opaque = UIGraphicsGetImageFromCurrentImageContext();
  ASSERT_NE(opaque, nullptr);
  EXPECT_EQ(opaque->CGImage()->pixels()[3], 255);  // opaque contexts start white
  UIGraphicsEndImageContext();
  EXPECT_EQ(UIGraphicsGetCurrentContext(), nullptr);
}

TEST(BezierEdges, DegenerateRoundedRectsAndArcs) {
  CGRect r;
  auto nanRadius =
      UIBezierPath::bezierPathWithRoundedRectCornerRadius(CGRectMake(0, 0, 10, 10), kNaN);
  EXPECT_TRUE(CGPathIsRect(nanRadius->CGPath(), &r));
  auto negative =
      UIBezierPath::bezierPathWithRoundedRectCornerRadius(CGRectMake(10, 10, -10, -4), 100);
  CGRect box = CGPathGetPathBoundingBox(negative->CGPath());
  EXPECT_NEAR(box.origin.x, 0, 1e-9);
  EXPECT_NEAR(box.size.height, 4, 1e-9);
  EXPECT_TRUE(CGPathIsEmpty(UIBezierPath::bezierPathWithRect(CGRectNull)->CGPath()));
  EXPECT_TRUE(
      CGPathIsEmpty(UIBezierPath::bezierPathWithOvalInRect(CGRectMake(0, 0, kNaN, 1))->CGPath()));
  auto arc = UIBezierPath::bezierPathWithArcCenterRadiusStartAngleEndAngleClockwise(
      CGPointMake(0, 0), kInf, 0, 1, true);
  EXPECT_TRUE(CGPathIsEmpty(arc->CGPath()));
  auto empty = UIBezierPath::bezierPath();
  empty->closePath();
  UIGraphicsBeginImageContextWithOptions(CGSizeMake(2, 2), false, 1);
  empty->fill();
  empty->stroke();
  EXPECT_EQ(UIGraphicsGetImageFromCurrentImageContext()->CGImage()->pixels()[3], 0);
  UIGraphicsEndImageContext();
}

}  // namespace
