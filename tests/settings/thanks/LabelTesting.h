// What the label's tests share: the pinned test font, labels set in it, attributed text
// and renderings read back as pixels.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "CoreText/CoreText.h"
#include "Foundation/NSNumber.h"
#include "TTTAttributedLabel.h"
#include "UIKit/NSAttributedStringKeys.h"
#include "UIKit/UIFont.h"
#include "UIKit/UIGraphics.h"

namespace labeltest {

inline Strong<NSString> S(const char* s) {
  return NSString::stringWithUTF8String(s);
}

inline Strong<UIFont> pinnedFont(CGFloat size = 16) {
  auto font = UIFont::fontWithNameSize(S("DejaVuSans"), size);
  EXPECT_NE(font, nullptr);
  if (font) {
    EXPECT_NE(CTFontCopyFilePath(font).find("DejaVuSans.ttf"), std::string::npos);
  }
  return font;
}

inline Strong<TTTAttributedLabel> makeLabel(CGRect frame = CGRectMake(0, 0, 200, 40),
                                            CGFloat fontSize = 16) {
  auto label = TTTAttributedLabel::initWithFrame(frame);
  label->setFont(pinnedFont(fontSize));
  return label;
}

inline Strong<NSMutableAttributedString> attributed(const char* s, CGFloat size = 16) {
  return NSMutableAttributedString::initWithStringAttributes(
      S(s), NSDictionary::dictionaryWithObjectsAndKeys({{kCTFontAttributeName, pinnedFont(size)}}));
}

// A label's drawTextInRect: of its bounds, at one pixel per point, on transparent.
struct Pixels {
  CGImageRef image;
  const uint8_t* at(int x, int y) const {
    return image->pixels() + (static_cast<size_t>(y) * image->width() + x) * 4;
  }
  int width() const { return static_cast<int>(image->width()); }
  int height() const { return static_cast<int>(image->height()); }
  // Pixels in the rectangle whose colour is close to (r, g, b) and mostly opaque.
  int count(int x0, int y0, int x1, int y1, int r, int g, int b) const {
    int n = 0;
    for (int y = std::max(0, y0); y < std::min(height(), y1); ++y)
      for (int x = std::max(0, x0); x < std::min(width(), x1); ++x) {
        const uint8_t* p = at(x, y);
        if (p[3] > 200 && std::abs(p[0] - r) < 60 && std::abs(p[1] - g) < 60 &&
            std::abs(p[2] - b) < 60)
          ++n;
      }
    return n;
  }
  int countAll(int r, int g, int b) const { return count(0, 0, width(), height(), r, g, b); }
  // Pixels with any coverage in the rectangle.
  int inked(int x0, int y0, int x1, int y1) const {
    int n = 0;
    for (int y = std::max(0, y0); y < std::min(height(), y1); ++y)
      for (int x = std::max(0, x0); x < std::min(width(), x1); ++x) n += at(x, y)[3] > 40;
    return n;
  }
};

inline Pixels draw(const Strong<TTTAttributedLabel>& label) {
  CGRect b = label->bounds();
  UIGraphicsBeginImageContextWithOptions(b.size, false, 1);
  label->drawTextInRect(b);
  auto image = UIGraphicsGetImageFromCurrentImageContext();
  UIGraphicsEndImageContext();
  if (const char* dir = std::getenv("NIMBRA_LABEL_PNG_DIR")) {
    static int n = 0;
    CGImageWriteToPNGFile(image->CGImage(),
                          std::string(dir) + "/" +
                              ::testing::UnitTest::GetInstance()->current_test_info()->name() +
                              "-" + std::to_string(++n) + ".png");
  }
  return Pixels{image->CGImage()};
}

}  // namespace labeltest
