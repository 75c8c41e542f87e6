#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <string>

#include "QuartzCore/QuartzCore.h"

namespace {

struct Rendered {
  CGImageRef image;
  // Pixel at a point of the image (points, top-left origin) as R, G, B, A.
  std::array<uint8_t, 4> at(CGFloat x, CGFloat y, CGFloat scale = 2) const {
    size_t px = static_cast<size_t>(x * scale), py = static_cast<size_t>(y * scale);
    const uint8_t* p = image->pixels() + (py * image->width() + px) * 4;
    return {p[0], p[1], p[2], p[3]};
  }
};

// Renders the tree to a PNG and reads it back, as a host's frame would be checked.
Rendered renderViaPNG(CALayer* root, const char* name) {
  std::string path = std::string(NIMBRA_BUILD_DIR) + "/quartzcore_" + name + ".png";
  EXPECT_TRUE(CACompositor::writePNG(root, path, 2));
  return {CGImageCreateWithPNGFile(path)};
}

TEST(Layer, ShadowDefaultsAndSettersReadBack) {
  auto layer = CALayer::layer();
  EXPECT_EQ(layer->shadowOpacity(), 0.0f);
  EXPECT_EQ(layer->shadowRadius(), 3.0);
  EXPECT_EQ(layer->shadowOffset(), CGSizeMake(0, -3));
  EXPECT_EQ(layer->shadowColor(), nullptr);
  EXPECT_FALSE(layer->masksToBounds());
  // The glow is set through the runtime by name, as the plug-in does.
  auto red = CGColorCreateGenericRGB(1, 0, 0, 1);
  objc_msgSend(layer, OBJC_SEL("setShadowColor:"), red.get());
  objc_msgSend(layer, OBJC_SEL("setShadowRadius:"), 17.5);
  objc_msgSend(layer, OBJC_SEL("setShadowOpacity:"), 1.0f);
  objc_msgSend(layer, OBJC_SEL("setShadowOffset:"), CGSizeZero);
  objc_msgSend(layer, OBJC_SEL("setMasksToBounds:"), true);
  EXPECT_TRUE(CGColorEqualToColor(layer->shadowColor(), red));
  EXPECT_EQ(layer->shadowRadius(), 17.5);
  EXPECT_EQ(layer->shadowOpacity(), 1.0f);
  EXPECT_EQ(layer->shadowOffset(), CGSizeZero);
  EXPECT_TRUE(layer->masksToBounds());
  layer->setShadowOpacity(7);
  EXPECT_EQ(layer->shadowOpacity(), 1.0f);
  layer->setShadowRadius(-2);
  EXPECT_EQ(layer->shadowRadius(), 0.0);
  // Values no shadow can have count as none, and an offset that is not finite is ignored.
  const double inf = std::numeric_limits<double>::infinity(), nan = std::nan("");
  for (double bad : {inf, -inf, nan}) {
    layer->setShadowRadius(5);
    layer->setShadowRadius(bad);
    EXPECT_EQ(layer->shadowRadius(), 0.0) << bad;
    layer->setShadowOpacity(0.5f);
    layer->setShadowOpacity(float(bad));
    EXPECT_EQ(layer->shadowOpacity(), bad > 0 ? 1.0f : 0.0f) << bad;
    layer->setShadowOffset(CGSizeMake(1, 2));
    layer->setShadowOffset(CGSizeMake(bad, 0));
    layer->setShadowOffset(CGSizeMake(0, bad));
    EXPECT_EQ(layer->shadowOffset(), CGSizeMake(1, 2)) << bad;
  }
  layer->setShadowRadius(std::numeric_limits<double>::max());
  EXPECT_EQ(layer->shadowRadius(), std::numeric_limits<double>::max());
  layer->setShadowOpacity(0.25f);
  EXPECT_EQ(layer->shadowOpacity(), 0.25f);
}

TEST(Layer, FrameFollowsPositionBoundsAndAnchor) {
  auto layer = CALayer::layer();
  layer->setFrame(CGRectMake(10, 20, 30, 40));
  EXPECT_EQ(layer->position(), CGPointMake(25, 40));
  EXPECT_EQ(layer->bounds(), CGRectMake(0, 0, 30, 40));
  layer->setAnchorPoint(CGPointMake(0, 0));
  EXPECT_EQ(layer->frame(), CGRectMake(25, 40, 30, 40));
  auto parent = CALayer::layer(), child = CALayer::layer(), other = CALayer::layer();
  parent->addSublayer(child);
  parent->insertSublayerAtIndex(other, 0);
  EXPECT_EQ(parent->sublayers().front(), other);
  other->addSublayer(parent);  // a cycle is refused
  EXPECT_EQ(parent->superlayer(), nullptr);
  other->removeFromSuperlayer();
  EXPECT_EQ(parent->sublayers().size(), 1u);
  EXPECT_EQ(other->superlayer(), nullptr);
}

Strong<CALayer> glowScene(bool masks) {
  auto root = CALayer::layer();
  root->setFrame(CGRectMake(0, 0, 60, 60));
  auto icon = CALayer::layer();
  icon->setFrame(CGRectMake(20, 20, 20, 20));
  icon->setBackgroundColor(CGColorCreateGenericRGB(1, 1, 1, 1));
  icon->setShadowColor(CGColorCreateGenericRGB(0, 0, 1, 1));
  icon->setShadowRadius(4);
  icon->setShadowOpacity(1);
  icon->setShadowOffset(CGSizeZero);
  icon->setMasksToBounds(masks);
  root->addSublayer(icon);
  return root;
}

TEST(Compositor, ShadowGlowsJustOutsideUnlessMaskedOrHidden) {
  auto root = glowScene(false);
  Rendered r = renderViaPNG(root.get(), "glow");
  ASSERT_NE(r.image, nullptr);
  EXPECT_EQ(r.image->width(), 120u);
  auto glow = r.at(17, 30);  // 3 pt left of the icon
  EXPECT_GT(glow[3], 40);
  EXPECT_GT(glow[2], 40);
  EXPECT_EQ(glow[0], 0);
  EXPECT_EQ(r.at(30, 30), (std::array<uint8_t, 4>{255, 255, 255, 255}));
  EXPECT_EQ(r.at(2, 2)[3], 0);  // far away: nothing

  root = glowScene(true);
  r = renderViaPNG(root.get(), "glow_masked");
  EXPECT_EQ(r.at(17, 30)[3], 0);
  EXPECT_EQ(r.at(30, 30)[3], 255);

  root = glowScene(false);
  root->sublayers()[0]->setHidden(true);
  r = renderViaPNG(root.get(), "glow_hidden");
  EXPECT_EQ(r.at(17, 30)[3], 0);
  EXPECT_EQ(r.at(30, 30)[3], 0);

  root = glowScene(false);
  root->sublayers()[0]->setShadowOpacity(0);
  r = renderViaPNG(root.get(), "glow_off");
  EXPECT_EQ(r.at(17, 30)[3], 0);
}

TEST(Compositor, DefaultOffsetPutsTheShadowAboveAndSublayersCastIt) {
  auto root = glowScene(false);
  auto icon = root->sublayers()[0];
  icon->setShadowOffset(CGSizeMake(0, -3));  // the default
  icon->setBackgroundColor(nullptr);
  auto inner = CALayer::layer();  // the shadow follows the sublayer's shape
  inner->setFrame(CGRectMake(0, 0, 20, 20));
  inner->setBackgroundColor(CGColorCreateGenericRGB(1, 1, 1, 1));
  icon->addSublayer(inner);
  Rendered r = renderViaPNG(root.get(), "glow_up");
  int above = r.at(30, 16)[3], below = r.at(30, 43)[3];
  EXPECT_GT(above, below + 20);
  EXPECT_GT(r.at(17, 30)[3], 0);
}

TEST(Compositor, OpacityAndCornerRadius) {
  auto root = CALayer::layer();
  root->setFrame(CGRectMake(0, 0, 20, 20));
  root->setBackgroundColor(CGColorCreateGenericRGB(1, 0, 0, 1));
  root->setCornerRadius(10);
  root->setOpacity(0.5);
  Rendered r{CACompositor::renderLayer(root.get(), 2)};
  EXPECT_NEAR(r.at(10, 10)[3], 128, 1);
  EXPECT_EQ(r.at(0.5, 0.5)[3], 0);  // the rounded corner is cut off
  EXPECT_EQ(CACompositor::renderLayer(nullptr, 2), nullptr);
  root->setFrame(CGRectMake(0, 0, 0, 10));
  EXPECT_EQ(CACompositor::renderLayer(root.get(), 2), nullptr);
}

TEST(Transaction, NestingSettingsAndCompletion) {
  int done = 0;
  CATransaction::begin();
  CATransaction::setDisableActions(true);
  EXPECT_TRUE(CATransaction::disableActions());
  CATransaction::setCompletionBlock([&] { ++done; });
  CATransaction::begin();
  EXPECT_FALSE(CATransaction::disableActions());
  CATransaction::commit();
  EXPECT_EQ(done, 0);
  CATransaction::commit();
  EXPECT_EQ(done, 1);
  EXPECT_EQ(CATransaction::depth(), 0);
  CATransaction::commit();  // unmatched: ignored
  CATransaction::flush();
  EXPECT_EQ(CATransaction::depth(), 0);
}

}  // namespace
