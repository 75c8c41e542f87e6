// Where the compositor puts shadows and how opacity, masks, corners and hidden subtrees
// combine, read back from rendered pixels; and layer trees under hostile input.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <string>

#include "QuartzCore/QuartzCore.h"

namespace {

using Pixel = std::array<uint8_t, 4>;
constexpr CGFloat kNaN = std::numeric_limits<CGFloat>::quiet_NaN();
constexpr CGFloat kInf = std::numeric_limits<CGFloat>::infinity();

struct Image {
  CGImageRef image;
  Pixel at(CGFloat x, CGFloat y) const {  // points at scale 2, top-left origin
    size_t px = static_cast<size_t>(x * 2), py = static_cast<size_t>(y * 2);
    const uint8_t* p = image->pixels() + (py * image->width() + px) * 4;
    return {p[0], p[1], p[2], p[3]};
  }
};

Image render(const Strong<CALayer>& root) {
  Image r{CACompositor::renderLayer(root.get(), 2)};
  EXPECT_NE(r.image, nullptr);
  return r;
}

Strong<CALayer> box(CGRect frame, CGColorRef color) {
  auto l = CALayer::layer();
  l->setFrame(frame);
  l->setBackgroundColor(color);
  return l;
}

CGColorRef rgb(CGFloat r, CGFloat g, CGFloat b, CGFloat a = 1) {
  return CGColorCreateGenericRGB(r, g, b, a);
}

// A 60x60 transparent root with a white 20x20 square at (20, 20) casting a blue shadow.
Strong<CALayer> scene(CGSize offset, float opacity = 1, CGFloat radius = 2) {
  auto root = box(CGRectMake(0, 0, 60, 60), nullptr);
  auto square = box(CGRectMake(20, 20, 20, 20), rgb(1, 1, 1));
  square->setShadowColor(rgb(0, 0, 1));
  square->setShadowOpacity(opacity);
  square->setShadowRadius(radius);
  square->setShadowOffset(offset);
  root->addSublayer(square);
  return root;
}

TEST(CompositorShadow, OffsetMovesTheShadowDownAndRightInLayerSpace) {
  Image right = render(scene(CGSizeMake(6, 0)));
  EXPECT_GT(right.at(44, 30)[3], 200);  // under the shifted square, outside the real one
  EXPECT_EQ(right.at(44, 30)[0], 0);    // shadow colour, not the square's white
  EXPECT_EQ(right.at(15, 30)[3], 0);
  Image down = render(scene(CGSizeMake(0, 6)));
  EXPECT_GT(down.at(30, 44)[3], 200);
  EXPECT_EQ(down.at(30, 15)[3], 0);
  // An offset carrying the shadow clear of the square still lands where it points.
  Image far = render(scene(CGSizeMake(-18, 25)));
  EXPECT_GT(far.at(10, 55)[3], 200);
  EXPECT_EQ(far.at(10, 55)[2], 255);
  EXPECT_EQ(far.at(30, 30), (Pixel{255, 255, 255, 255}));
}

TEST(CompositorShadow, OpacityAndColourAlphaScaleTheShadow) {
  auto edgeAlpha = [](float opacity, CGFloat colourAlpha) {
    auto root = scene(CGSizeMake(0, 0), opacity, 3);
    root->sublayers()[0]->setShadowColor(rgb(0, 0, 1, colourAlpha));
    return render(root).at(41, 30)[3];
  };
  int full = edgeAlpha(1, 1);
  ASSERT_GT(full, 60);
  EXPECT_NEAR(edgeAlpha(0.5f, 1), full / 2.0, 3);
  EXPECT_NEAR(edgeAlpha(0.5f, 0.5), full / 4.0, 3);
  EXPECT_EQ(edgeAlpha(1, 0), 0);
  EXPECT_EQ(edgeAlpha(0, 1), 0);
}

TEST(CompositorShadow, FollowsRoundedCornersAndIsClippedByAMask) {
  auto root = scene(CGSizeMake(0, 0), 1, 2);
  auto square = root->sublayers()[0];
  square->setCornerRadius(10);
  Image open = render(root);
  Pixel corner = open.at(20.5, 20.5);  // outside the rounded shape, inside the bounds
  EXPECT_EQ(corner[0], 0);             // no white there: the square is rounded
  EXPECT_GT(corner[3], 0);             // but its shadow reaches
  EXPECT_GT(open.at(30, 18.5)[3], 60);

  square->setMasksToBounds(true);
  auto child = box(CGRectMake(15, 5, 20, 10), rgb(1, 0, 0));  // sticks out to the right
  square->addSublayer(child);
  Image masked = render(root);
  EXPECT_EQ(masked.at(20.5, 20.5)[3], 0);
  EXPECT_EQ(masked.at(30, 18.5)[3], 0);
  EXPECT_EQ(masked.at(45, 28)[3], 0);  // the child's overhang is cut off
  EXPECT_EQ(masked.at(37, 28), (Pixel{255, 0, 0, 255}));
}

TEST(CompositorShadow, SublayersCastTheirParentsShadowUnlessHidden) {
  auto root = box(CGRectMake(0, 0, 80, 60), nullptr);
  auto parent = box(CGRectMake(10, 20, 20, 20), nullptr);  // draws nothing itself
  parent->setShadowColor(rgb(0, 1, 0));
  parent->setShadowOpacity(1);
  parent->setShadowRadius(1);
  parent->setShadowOffset(CGSizeMake(0, 0));
  auto child = box(CGRectMake(30, 0, 20, 20), rgb(1, 1, 1));  // entirely right of the parent
  parent->addSublayer(child);
  auto grandchild = box(CGRectMake(5, 5, 5, 5), rgb(1, 0, 0));
  child->addSublayer(grandchild);
  root->addSublayer(parent);
  Image shown = render(root);
  EXPECT_GT(shown.at(60.5, 30)[3], 40);  // just right of the child
  EXPECT_EQ(shown.at(60.5, 30)[0], 0);
  EXPECT_GT(shown.at(61, 30)[1], 10);
  EXPECT_EQ(shown.at(20, 30)[3], 0);  // the empty parent casts nothing
  EXPECT_EQ(shown.at(47, 27), (Pixel{255, 0, 0, 255}));

  child->setHidden(true);
  Image hidden = render(root);
  EXPECT_EQ(hidden.at(61, 30)[3], 0);
  EXPECT_EQ(hidden.at(47, 27)[3], 0);  // a hidden layer hides its whole subtree
  EXPECT_EQ(hidden.at(45, 30)[3], 0);
}

TEST(CompositorOpacity, GroupsMultiplyAndOverlapsDoNotDoubleUp) {
  auto root = box(CGRectMake(0, 0, 40, 20), nullptr);
  auto group = box(CGRectMake(0, 0, 40, 20), nullptr);
  group->setOpacity(0.5);
  group->addSublayer(box(CGRectMake(0, 0, 25, 20), rgb(1, 0, 0)));
  group->addSublayer(box(CGRectMake(15, 0, 25, 20), rgb(1, 0, 0)));
  root->addSublayer(group);
  Image r = render(root);
  EXPECT_NEAR(r.at(5, 10)[3], 128, 1);
  EXPECT_EQ(r.at(20, 10), r.at(5, 10));  // the overlap is one surface at half alpha
  group->sublayers()[1]->setOpacity(0.5);
  r = render(root);
  EXPECT_NEAR(r.at(35, 10)[3], 64, 1);
  group->setOpacity(0);
  EXPECT_EQ(render(root).at(5, 10)[3], 0);
}

TEST(CompositorHostile, NonFiniteGeometryAndHugeRadiiDrawNothingWrongAndFinish) {
  auto root = box(CGRectMake(0, 0, 40, 40), nullptr);
  auto bad = box(CGRectMake(0, 0, 10, 10), rgb(1, 0, 0));
  bad->setPosition(CGPointMake(kNaN, 5));
  bad->setBounds(CGRectMake(0, 0, kInf, 10));
  bad->setFrame(CGRectMake(kNaN, kNaN, 5, 5));
  bad->setAnchorPoint(CGPointMake(kNaN, 0));
  root->addSublayer(bad);
  EXPECT_TRUE(std::isfinite(bad->frame().origin.x));
  auto glow = box(CGRectMake(10, 10, 20, 20), rgb(0, 0, 1));
  glow->setShadowColor(rgb(0, 1, 0));
  glow->setShadowOpacity(1);
  glow->setShadowRadius(1e9);
  glow->setShadowOffset(CGSizeMake(kNaN, kInf));
  glow->setCornerRadius(kInf);
  glow->setBorderWidth(kNaN);
  glow->setOpacity(kNaN);
  root->addSublayer(glow);
  Image r = render(root);
  EXPECT_EQ(r.at(20, 20), (Pixel{0, 0, 255, 255}));
  EXPECT_LE(r.at(2, 38)[3], 2);  // blurred over so wide an area almost nothing is left
  // The bad layer kept its last finite geometry: red at (0, 0, 10, 10), under the
  // faintest trace of the glow's shadow.
  Pixel kept = r.at(2, 2);
  EXPECT_GE(kept[0], 250);
  EXPECT_LE(kept[1], 3);
  EXPECT_EQ(kept[3], 255);
  EXPECT_EQ(CACompositor::renderLayerWithMargin(root.get(), kNaN, kInf)->width(), 40u);
  glow->setShadowRadius(2);
  glow->setShadowOffset(CGSizeMake(1e300, -1e300));  // cast far off the surface
  r = render(root);
  EXPECT_EQ(r.at(20, 20), (Pixel{0, 0, 255, 255}));
  EXPECT_EQ(r.at(35, 35)[3], 0);
  root->setFrame(CGRectMake(0, 0, 1e7, 10));
  EXPECT_EQ(CACompositor::renderLayer(root.get(), 2), nullptr);
}

TEST(LayerTree, NoCyclesAndNoDanglingSuperlayers) {
  auto a = CALayer::layer(), b = CALayer::layer(), c = CALayer::layer();
  a->addSublayer(b);
  b->addSublayer(c);
  c->addSublayer(a);  // a is c's ancestor
  a->addSublayer(a);
  EXPECT_EQ(a->superlayer(), nullptr);
  EXPECT_TRUE(c->sublayers().empty());
  EXPECT_EQ(a->sublayers().size(), 1u);
  b->insertSublayerAtIndex(c, 99);  // already there: stays, index clamped
  EXPECT_EQ(b->sublayers().size(), 1u);
  EXPECT_EQ(c->superlayer(), b.get());

  // A layer outliving its superlayer has none, and can move elsewhere.
  {
    auto parent = CALayer::layer();
    parent->addSublayer(c);
  }
  EXPECT_EQ(c->superlayer(), nullptr);
  EXPECT_TRUE(b->sublayers().empty());
  a->addSublayer(c);
  EXPECT_EQ(c->superlayer(), a.get());
  c->removeFromSuperlayer();
  c->removeFromSuperlayer();
  EXPECT_EQ(a->sublayers().size(), 1u);
  EXPECT_TRUE(std::isfinite(c->convertPointToLayer(CGPointMake(1, 1), a.get()).x));
}

}  // namespace
