// Home-screen views for plug-in tests: real host classes, laid out through the runtime.
#pragma once

#include <array>
#include <vector>

#include "SpringBoard/SpringBoard.h"

namespace scene {

inline Strong<UIImage> solidImage(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255,
                                  size_t size = 4) {
  std::vector<uint8_t> pixels;
  for (size_t i = 0; i < size * size; ++i) pixels.insert(pixels.end(), {r, g, b, a});
  return UIImage::imageWithCGImage(std::make_shared<CGImage>(size, size, std::move(pixels)));
}

inline Strong<SBApplicationIcon> app(const char* name, const id& badge,
                                     Strong<UIImage> image = solidImage(0, 128, 255)) {
  auto icon = std::make_shared<SBApplicationIcon>(NSString::stringWithUTF8String(name), image);
  icon->setBadgeNumberOrString(badge);
  return icon;
}

inline Strong<SBIconView> appView(const char* name, const id& badge) {
  return std::make_shared<SBIconView>(app(name, badge));
}

inline Strong<SBFolderIconView> folderView(const char* name, const id& badge) {
  auto folder = std::make_shared<SBFolderIcon>(
      NSString::stringWithUTF8String(name),
      std::vector<Strong<SBApplicationIcon>>{app("Inside", nullptr)});
  folder->setBadgeNumberOrString(badge);
  return std::make_shared<SBFolderIconView>(folder);
}

// One layout pass of the view and, when it shows one, of its badge view.
inline void pass(const Strong<SBIconView>& view) {
  objc_msgSend(view, OBJC_SEL("layoutSubviews"));
  if (view->badgeView()->superview() == view.get()) {
    objc_msgSend(view->badgeView(), OBJC_SEL("layoutSubviews"));
  }
}

inline void setBadge(const Strong<SBIconView>& view, const id& badge) {
  view->icon()->setBadgeNumberOrString(badge);
}

inline std::array<double, 4> rgba(const CGColorRef& color) {
  std::array<double, 4> c{-1, -1, -1, -1};
  if (color) color->getRGBA(c.data());
  return c;
}

inline std::array<double, 4> rgba(const Strong<UIColor>& color) {
  return rgba(color->CGColor());
}

inline bool glows(const Strong<SBIconView>& view) {
  return view->layer()->shadowOpacity() == 1.0f;
}

}  // namespace scene
