// Draws the sample home screen's icon images: for every app of a layout file, a rounded
// square in its own colour with a simple white shape, written as a PNG where the layout
// names it (relative to the output folder).
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "CoreGraphics/CoreGraphics.h"
#include "Foundation/NSArray.h"
#include "Foundation/NSDictionary.h"
#include "Foundation/NSString.h"

namespace {

constexpr size_t kSize = 120;  // pixels: 60 points at scale 2

void hsvToRGB(double h, double s, double v, CGFloat rgb[3]) {
  double i = std::floor(h * 6), f = h * 6 - i, p = v * (1 - s), q = v * (1 - f * s),
         t = v * (1 - (1 - f) * s);
  const double table[6][3] = {{v, t, p}, {q, v, p}, {p, v, t}, {p, q, v}, {t, p, v}, {v, p, q}};
  for (int k = 0; k < 3; ++k) rgb[k] = table[int(i) % 6][k];
}

void addRoundedRect(const CGContextRef& c, CGRect r, CGFloat radius) {
  CGFloat x0 = r.origin.x, y0 = r.origin.y, x1 = x0 + r.size.width, y1 = y0 + r.size.height;
  CGContextMoveToPoint(c, x0 + radius, y0);
  CGContextAddArcToPoint(c, x1, y0, x1, y1, radius);
  CGContextAddArcToPoint(c, x1, y1, x0, y1, radius);
  CGContextAddArcToPoint(c, x0, y1, x0, y0, radius);
  CGContextAddArcToPoint(c, x0, y0, x1, y0, radius);
  CGContextClosePath(c);
}

void drawShape(const CGContextRef& c, size_t index) {
  const CGFloat m = kSize / 2.0, r = kSize * 0.22;
  CGContextSetRGBFillColor(c, 1, 1, 1, 0.95);
  switch (index % 5) {
    case 0:
      CGContextFillEllipseInRect(c, CGRectMake(m - r, m - r, 2 * r, 2 * r));
      break;
    case 1:
      CGContextMoveToPoint(c, m, m - r);
      CGContextAddLineToPoint(c, m + r, m + r);
      CGContextAddLineToPoint(c, m - r, m + r);
      CGContextClosePath(c);
      CGContextFillPath(c);
      break;
    case 2:
      CGContextFillRect(c, CGRectMake(m - r, m - r, 2 * r, 2 * r));
      break;
    case 3:
      CGContextMoveToPoint(c, m, m - r);
      CGContextAddLineToPoint(c, m + r, m);
      CGContextAddLineToPoint(c, m, m + r);
      CGContextAddLineToPoint(c, m - r, m);
      CGContextClosePath(c);
      CGContextFillPath(c);
      break;
    default:
      CGContextFillRect(c, CGRectMake(m - r, m - r / 3, 2 * r, 2 * r / 3));
      CGContextFillRect(c, CGRectMake(m - r / 3, m - r, 2 * r / 3, 2 * r));
      break;
  }
}

bool writeIcon(const std::string& path, size_t index) {
  std::vector<uint8_t> pixels(kSize * kSize * 4);
  CGContextRef c = CGBitmapContextCreate(pixels.data(), kSize, kSize, 8, kSize * 4,
                                         CGColorSpaceCreateDeviceRGB(),
                                         kCGImageAlphaPremultipliedLast | kCGBitmapByteOrder32Big);
  if (!c) return false;
  CGFloat rgb[3];
  hsvToRGB(std::fmod(index * 0.618033988749895, 1.0), 0.75, 0.9, rgb);
  CGContextSetRGBFillColor(c, rgb[0], rgb[1], rgb[2], 1);
  addRoundedRect(c, CGRectMake(0, 0, kSize, kSize), kSize * 0.225);
  CGContextFillPath(c);
  drawShape(c, index);
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  return CGContextWriteToPNGFile(c, path);
}

void collect(const Strong<NSArray>& entries, std::vector<std::string>& images) {
  if (!entries) return;
  for (const id& entry : *entries) {
    auto dict = objc_cast<NSDictionary>(entry);
    if (!dict) continue;
    if (auto image = dict->objectForKeyAs<NSString>(NSSTR("Image")))
      images.push_back(image->stdString());
    collect(dict->objectForKeyAs<NSArray>(NSSTR("Icons")), images);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_home_icons LAYOUT.plist OUTDIR\n");
    return 2;
  }
  auto layout = NSDictionary::dictionaryWithContentsOfFile(std::string(argv[1]));
  if (!layout) {
    std::fprintf(stderr, "make_home_icons: %s is not a layout property list\n", argv[1]);
    return 1;
  }
  std::vector<std::string> images;
  if (auto pages = layout->objectForKeyAs<NSArray>(NSSTR("Pages"))) {
    for (const id& page : *pages) collect(objc_cast<NSArray>(page), images);
  }
  for (size_t i = 0; i < images.size(); ++i) {
    std::string path = std::string(argv[2]) + "/" + images[i];
    if (!writeIcon(path, i)) {
      std::fprintf(stderr, "make_home_icons: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
