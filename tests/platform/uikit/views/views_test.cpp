#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "UIKit/UIKit.h"

namespace {

std::vector<std::string> calls;

class HostView : public UIView {
  OBJC_CLASS(HostView, UIView)
 public:
  using UIView::UIView;
};

class PaintedView : public UIView {
  OBJC_CLASS(PaintedView, UIView)
 public:
  using UIView::UIView;
};

void hostLayout(NSObject* self, SEL cmd) {
  UIViewSendSuper<void>(HostView::super::class_(), self, cmd);
  calls.push_back("host");
}

void paintedDraw(NSObject*, SEL, CGRect rect) {
  calls.push_back(UIGraphicsGetCurrentContext() ? "draw with context" : "draw without");
  UIColor::redColor()->setFill();
  UIRectFill(CGRectMake(0, 0, rect.size.width / 2, rect.size.height));
}

}  // namespace

OBJC_CLASS_IMPL(HostView) {
  class_addMethod(cls, OBJC_SEL("layoutSubviews"), objc::method<&hostLayout>());
}
OBJC_CLASS_IMPL(PaintedView) {
  class_addMethod(cls, OBJC_SEL("drawRect:"), objc::method<&paintedDraw>());
}

namespace {

IMP origLayout = nullptr;
void hookedLayout(NSObject* self, SEL cmd) {
  objc_callImp<void>(origLayout, self, cmd);
  calls.push_back("hook");
}

TEST(ViewTree, AddMoveRemoveAndLayersFollow) {
  auto a = UIView::initWithFrame(CGRectMake(0, 0, 100, 100));
  auto b = UIView::initWithFrame(CGRectMake(10, 10, 50, 50));
  auto c = UIView::initWithFrame(CGRectMake(5, 5, 10, 10));
  a->addSubview(b);
  b->addSubview(c);
  EXPECT_EQ(c->superview(), b.get());
  EXPECT_EQ(b->layer()->sublayers().front().get(), c->layer());
  c->addSubview(a);  // a cycle is refused
  EXPECT_EQ(a->superview(), nullptr);
  a->addSubview(c);  // moves
  EXPECT_TRUE(b->subviews().empty());
  EXPECT_EQ(a->subviews().back(), c);
  a->insertSubviewAtIndex(b, -5);  // clamped to the front of the list
  EXPECT_EQ(a->subviews().front(), b);
  EXPECT_EQ(a->layer()->sublayers().front().get(), b->layer());
  a->insertSubviewAtIndex(b, 99);
  EXPECT_EQ(a->subviews().back(), b);
  EXPECT_EQ(a->layer()->sublayers().back().get(), b->layer());
  c->setTag(7);
  EXPECT_EQ(a->viewWithTag(7), c.get());
  EXPECT_EQ(a->viewWithTag(8), nullptr);
  c->removeFromSuperview();
  EXPECT_EQ(c->superview(), nullptr);
  EXPECT_EQ(a->subviews().size(), 1u);
  EXPECT_EQ(c->layer()->superlayer(), nullptr);
  // The view's layer follows its frame; hidden goes to the layer.
  b->setFrame(CGRectMake(1, 2, 3, 4));
  EXPECT_EQ(b->layer()->frame(), CGRectMake(1, 2, 3, 4));
  EXPECT_EQ(b->center(), CGPointMake(2.5, 4));
  objc_msgSend(b, OBJC_SEL("setHidden:"), true);
  EXPECT_TRUE(b->layer()->isHidden());
  EXPECT_EQ(objc_msgSend<CALayer*>(b, OBJC_SEL("layer")), b->layer());
  EXPECT_EQ(objc_msgSend<UIView*>(b, OBJC_SEL("superview")), a.get());
}

TEST(ViewTree, HitTestAndConversion) {
  auto window = std::make_shared<UIWindow>(CGRectMake(0, 0, 320, 568));
  auto panel = UIView::initWithFrame(CGRectMake(100, 100, 100, 100));
  auto button = UIView::initWithFrame(CGRectMake(10, 10, 20, 20));
  auto cover = UIView::initWithFrame(CGRectMake(50, 50, 50, 50));
  window->addSubview(panel);
  panel->addSubview(button);
  panel->addSubview(cover);
  EXPECT_EQ(button->window(), window.get());
  EXPECT_EQ(window->hitTestWithEvent(CGPointMake(115, 115), nullptr), button.get());
  EXPECT_EQ(window->hitTestWithEvent(CGPointMake(160, 160), nullptr), cover.get());
  EXPECT_EQ(window->hitTestWithEvent(CGPointMake(145, 145), nullptr), panel.get());
  EXPECT_EQ(window->hitTestWithEvent(CGPointMake(200, 150), nullptr), window.get());  // max edge
  cover->setHidden(true);
  EXPECT_EQ(window->hitTestWithEvent(CGPointMake(160, 160), nullptr), panel.get());
  button->setUserInteractionEnabled(false);
  EXPECT_EQ(window->hitTestWithEvent(CGPointMake(115, 115), nullptr), panel.get());
  EXPECT_EQ(button->convertPointToView(CGPointMake(1, 1), nullptr), CGPointMake(111, 111));
  EXPECT_EQ(window->convertPointToView(CGPointMake(111, 111), button.get()), CGPointMake(1, 1));
  EXPECT_EQ(panel->convertRectFromView(CGRectMake(0, 0, 5, 5), button.get()),
            CGRectMake(10, 10, 5, 5));
}

TEST(ViewLayout, HookedLayoutRunsWhenTheHostLaysOut) {
  calls.clear();
  auto root = UIView::initWithFrame(CGRectMake(0, 0, 100, 100));
  auto host = std::make_shared<HostView>(CGRectMake(0, 0, 50, 50));
  root->addSubview(host);
  MSHookMessageEx(HostView::class_(), OBJC_SEL("layoutSubviews"), objc::imp<&hookedLayout>(),
                  &origLayout);
  root->layoutIfNeeded();
  EXPECT_EQ(calls, (std::vector<std::string>{"host", "hook"}));
  root->layoutIfNeeded();  // nothing needs layout any more
  EXPECT_EQ(calls.size(), 2u);
  host->setFrame(CGRectMake(0, 0, 60, 60));  // a new size asks for layout
  root->layoutIfNeeded();
  EXPECT_EQ(calls.size(), 4u);
}

TEST(ViewDrawing, DrawRectRunsThroughTheCompositorWithAContext) {
  calls.clear();
  auto root = UIView::initWithFrame(CGRectMake(0, 0, 20, 10));
  root->setBackgroundColor(UIColor::blueColor());
  auto painted = std::make_shared<PaintedView>(CGRectMake(0, 0, 20, 10));
  root->addSubview(painted);
  std::string path = std::string(NIMBRA_BUILD_DIR) + "/uikit_drawrect.png";
  ASSERT_TRUE(root->writePNG(path, 2));
  auto image = CGImageCreateWithPNGFile(path);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->width(), 40u);
  EXPECT_EQ(calls, std::vector<std::string>{"draw with context"});
  const uint8_t* left = image->pixels() + (10 * 40 + 5) * 4;
  const uint8_t* right = image->pixels() + (10 * 40 + 35) * 4;
  EXPECT_EQ(left[0], 255);
  EXPECT_EQ(left[2], 0);
  EXPECT_EQ(right[2], 255);
  EXPECT_EQ(UIGraphicsGetCurrentContext(), nullptr);  // popped again
  painted->setHidden(true);
  calls.clear();
  root->renderImage(2);
  EXPECT_TRUE(calls.empty());
}

TEST(Graphics, ImageContextsAreYDownAndNest) {
  UIGraphicsBeginImageContextWithOptions(CGSizeMake(10, 10), false, 2);
  auto outer = UIGraphicsGetCurrentContext();
  UIColor::greenColor()->setFill();
  UIRectFill(CGRectMake(0, 0, 10, 5));  // the top half
  UIGraphicsPushContext(nullptr);
  UIGraphicsPopContext();
  EXPECT_EQ(UIGraphicsGetCurrentContext(), outer);
  auto image = UIGraphicsGetImageFromCurrentImageContext();
  UIGraphicsEndImageContext();
  EXPECT_EQ(UIGraphicsGetCurrentContext(), nullptr);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->size(), CGSizeMake(10, 10));
  EXPECT_EQ(image->scale(), 2);
  const uint8_t* px = image->CGImage()->pixels();
  EXPECT_EQ(px[1], 255);                // first row green
  EXPECT_EQ(px[(19 * 20) * 4 + 3], 0);  // last row empty
  EXPECT_EQ(UIGraphicsGetImageFromCurrentImageContext(), nullptr);
  UIGraphicsEndImageContext();  // unbalanced: ignored

  // drawInRect keeps images upright in the flipped context.
  UIGraphicsBeginImageContextWithOptions(CGSizeMake(10, 10), false, 1);
  image->drawInRect(CGRectMake(0, 0, 10, 10));
  auto again = UIGraphicsGetImageFromCurrentImageContext();
  UIGraphicsEndImageContext();
  EXPECT_EQ(again->CGImage()->pixels()[1], 255);
  EXPECT_EQ(again->CGImage()->pixels()[(9 * 10) * 4 + 3], 0);
}

TEST(Images, FilesScaleAndBadInput) {
  UIGraphicsBeginImageContextWithOptions(CGSizeMake(4, 2), true, 1);
  auto image = UIGraphicsGetImageFromCurrentImageContext();
  UIGraphicsEndImageContext();
  std::string path = std::string(NIMBRA_BUILD_DIR) + "/uikit_icon@2x.png";
  ASSERT_TRUE(CGImageWriteToPNGFile(image->CGImage(), path));
  auto loaded = UIImage::imageWithContentsOfFile(path);
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->scale(), 2);
  EXPECT_EQ(loaded->size(), CGSizeMake(2, 1));
  EXPECT_EQ(UIImage::imageWithContentsOfFile("/nonexistent.png"), nullptr);
  EXPECT_EQ(UIImage::imageWithCGImage(nullptr), nullptr);
  EXPECT_FALSE(UIImagePNGRepresentation(loaded).empty());
}

TEST(Colors, PredefinedComponentsAndEquality) {
  CGFloat r, g, b, a, w;
  UIColor::darkGrayColor()->getRedGreenBlueAlpha(&r, &g, &b, &a);
  EXPECT_EQ(r, 1.0 / 3.0);
  EXPECT_EQ(b, 1.0 / 3.0);
  ASSERT_TRUE(UIColor::lightGrayColor()->getWhiteAlpha(&w, &a));
  EXPECT_EQ(w, 2.0 / 3.0);
  UIColor::clearColor()->getRedGreenBlueAlpha(&r, &g, &b, &a);
  EXPECT_EQ(a, 0.0);
  UIColor::brownColor()->getRedGreenBlueAlpha(&r, &g, &b, &a);
  EXPECT_EQ(r, 0.6);
  EXPECT_EQ(g, 0.4);
  EXPECT_EQ(b, 0.2);
  UIColor::orangeColor()->getRedGreenBlueAlpha(&r, &g, &b, &a);
  EXPECT_EQ(g, 0.5);
  UIColor::purpleColor()->getRedGreenBlueAlpha(&r, &g, &b, &a);
  EXPECT_EQ(r, 0.5);
  EXPECT_EQ(b, 0.5);
  EXPECT_FALSE(UIColor::redColor()->getWhiteAlpha(&w, &a));
  EXPECT_TRUE(UIColor::yellowColor()->isEqual(UIColor::colorWithRedGreenBlueAlpha(1, 1, 0, 1)));
  EXPECT_TRUE(UIColor::grayColor()->isEqual(UIColor::colorWithRedGreenBlueAlpha(.5, .5, .5, 1)));
  EXPECT_FALSE(UIColor::redColor()->isEqual(UIColor::redColor()->colorWithAlphaComponent(0.5)));
  auto cg = UIColor::blueColor()->CGColor();
  EXPECT_EQ(CGColorGetComponents(cg)[2], 1.0);
  EXPECT_EQ(CGColorGetNumberOfComponents(UIColor::whiteColor()->CGColor()), 2u);
  EXPECT_EQ(CGColorGetAlpha(UIColor::clearColor()->CGColor()), 0.0);
}

TEST(BezierPath, RoundedRectRadiusIsClampedToHalfTheShorterSide) {
  CGRect r = CGRectMake(0, 0, 40, 20);
  auto huge = UIBezierPath::bezierPathWithRoundedRectCornerRadius(r, 100);
  auto half = UIBezierPath::bezierPathWithRoundedRectCornerRadius(r, 10);
  EXPECT_TRUE(CGPathEqualToPath(huge->CGPath(), half->CGPath()));
  EXPECT_TRUE(CGRectEqualToRect(huge->bounds(), r));
  EXPECT_FALSE(huge->containsPoint(CGPointMake(1, 1)));  // corner cut off
  EXPECT_TRUE(huge->containsPoint(CGPointMake(20, 10)));
  auto square = UIBezierPath::bezierPathWithRoundedRectCornerRadius(r, 0);
  EXPECT_TRUE(CGPathIsRect(square->CGPath(), nullptr));
  EXPECT_TRUE(UIBezierPath::bezierPathWithRoundedRectCornerRadius(r, -3)->containsPoint(
      CGPointMake(0.5, 0.5)));
  // Filled into a context it covers the middle but not the corner.
  UIGraphicsBeginImageContextWithOptions(CGSizeMake(40, 20), false, 1);
  UIColor::blackColor()->setFill();
  huge->fill();
  auto image = UIGraphicsGetImageFromCurrentImageContext();
  UIGraphicsEndImageContext();
  EXPECT_EQ(image->CGImage()->pixels()[(10 * 40 + 20) * 4 + 3], 255);
  EXPECT_EQ(image->CGImage()->pixels()[3], 0);
}

TEST(Screen, DefaultsAndConfiguration) {
  auto screen = UIScreen::mainScreen();
  EXPECT_EQ(screen->bounds(), CGRectMake(0, 0, 320, 568));
  EXPECT_EQ(screen->scale(), 2);
  screen->setScale(-1);
  EXPECT_EQ(screen->scale(), 1);
  screen->setScale(2);
  EXPECT_EQ(UIEdgeInsetsInsetRect(CGRectMake(0, 0, 10, 10), UIEdgeInsetsMake(1, 2, 3, 4)),
            CGRectMake(2, 1, 4, 6));
  EXPECT_EQ(CGRectFromString(NSStringFromCGRect(CGRectMake(1, 2.5, 3, 4))),
            CGRectMake(1, 2.5, 3, 4));
  EXPECT_EQ(CGRectFromString("garbage"), CGRectZero);
}

TEST(Geometry, BoxedInsetsComeBackAndOtherBoxesReadAsZero) {
  UIEdgeInsets in = UIEdgeInsetsMake(1, -2, 3.5, 4);
  auto boxed = NSValueWithUIEdgeInsets(in);
  EXPECT_EQ(boxed->objCType(), "{UIEdgeInsets=dddd}");
  EXPECT_EQ(UIEdgeInsetsValue(boxed.get()), in);
  EXPECT_EQ(UIEdgeInsetsValue(NSValue::valueWithRange(NSMakeRange(1, 2)).get()), UIEdgeInsetsZero);
  EXPECT_EQ(UIEdgeInsetsValue(nullptr), UIEdgeInsetsZero);
}

}  // namespace
