#include "SpringBoard/SBFolderIcon.h"

#include "Foundation/NSCharacterSet.h"
#include "Foundation/NSNumber.h"
#include "UIKit/UIBezierPath.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIGraphics.h"

OBJC_CLASS_IMPL(SBFolderIcon) {}

namespace {

constexpr CGFloat kImageSize = 60;
constexpr int kGridColumns = 3;

// The value an app's badge adds to its folder's: numbers and all-digit strings.
int64_t countOf(const id& badge) {
  if (auto n = objc_cast<NSNumber>(badge)) return n->integerValue() > 0 ? n->integerValue() : 0;
  auto s = objc_cast<NSString>(badge);
  if (!s || s->length() == 0) return 0;
  static const Strong<NSCharacterSet> nonDigits =
      NSCharacterSet::characterSetWithCharactersInString(NSSTR("0123456789"))->invertedSet();
  if (s->rangeOfCharacterFromSet(nonDigits).location != uint64_t(NSNotFound)) return 0;
  return s->integerValue();
}

}  // namespace

const id& SBFolderIcon::badgeNumberOrString() const {
  if (badge_) return badge_;
  std::uint64_t changes = badgeChanges();
  if (summedAt_ == changes) return sumNumber_;
  int64_t sum = 0;
  summedAt_ = changes;
  for (const auto& icon : icons_) {
    const id& badge = icon->badgeNumberOrString();
    if (objc_cast<NSMutableString>(badge)) summedAt_ = kNotSummed;
    sum += countOf(badge);
  }
  // Every layout pass asks again; the same sum answers the same number object.
  auto* last = static_cast<NSNumber*>(sumNumber_.get());
  if (sum <= 0) {
    sumNumber_ = nullptr;
  } else if (!last || last->integerValue() != sum) {
    sumNumber_ = NSNumber::numberWithInteger(sum);
  }
  return sumNumber_;
}

const Strong<UIImage>& SBFolderIcon::getIconImage(int) const {
  std::call_once(imageOnce_, [this] {
    UIGraphicsBeginImageContextWithOptions(CGSizeMake(kImageSize, kImageSize), false, 2);
    // Mostly opaque, so a glow tints the folder's surroundings rather than its face.
    UIColor::colorWithWhiteAlpha(0.72, 0.9)->setFill();
    UIBezierPath::bezierPathWithRoundedRectCornerRadius(CGRectMake(0, 0, kImageSize, kImageSize),
                                                        kImageSize * 0.225)
        ->fill();
    const CGFloat margin = 7, gap = 3;
    const CGFloat cell = (kImageSize - 2 * margin - (kGridColumns - 1) * gap) / kGridColumns;
    for (size_t i = 0; i < icons_.size() && i < kGridColumns * kGridColumns; ++i) {
      const Strong<UIImage>& image = icons_[i]->getIconImage(2);
      if (!image) continue;
      CGFloat x = margin + (i % kGridColumns) * (cell + gap);
      CGFloat y = margin + (i / kGridColumns) * (cell + gap);
      image->drawInRect(CGRectMake(x, y, cell, cell));
    }
    image_ = UIGraphicsGetImageFromCurrentImageContext();
    UIGraphicsEndImageContext();
  });
  return image_;
}
