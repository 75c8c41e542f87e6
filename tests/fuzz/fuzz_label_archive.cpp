// A rich text label read from arbitrary archive bytes, then used as a screen would use
// it: laid out, drawn, measured, hit-tested and listed for a screen reader. Whatever the
// archive holds (odd numbers, links past the text, attributes of the wrong kinds), the
// label answers none or works, within bounded time and memory, and never crashes.
// fuzz-sources: settings/thanks/TTTAttributedLabelModel.cpp
// fuzz-sources: settings/thanks/TTTAttributedLabelText.cpp
// fuzz-sources: settings/thanks/TTTAttributedLabelLayout.cpp
// fuzz-sources: settings/thanks/TTTAttributedLabelDrawing.cpp
// fuzz-sources: settings/thanks/TTTAttributedLabelTouches.cpp
// fuzz-sources: settings/thanks/TTTAttributedLabelAccessibility.cpp
// fuzz-sources: settings/thanks/TTTAttributedLabelArchiving.cpp
// fuzz-includes: settings/thanks
// fuzz-mutations: 1000
#include <cstddef>
#include <cstdint>

#include "Foundation/NSData.h"
#include "Foundation/NSError.h"
#include "Foundation/NSKeyedUnarchiver.h"
#include "TTTAttributedLabel.h"
#include "UIKit/UIGraphics.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The archives name the label's class; make sure it is registered.
  static const Class cls = TTTAttributedLabel::class_();
  (void)cls;
  Strong<NSError> error;
  id root = NSKeyedUnarchiver::unarchiveTopLevelObjectWithDataError(
      NSData::dataWithBytes(data, size), &error);
  if (root && error) __builtin_trap();
  auto label = objc_cast<TTTAttributedLabel>(root);
  if (!label) return 0;

  // A frame of a sensible size whatever the archive said, so drawing stays bounded.
  label->setFrame(CGRectMake(0, 0, 120, 60));
  label->sizeThatFits(CGSizeMake(120, 1000));
  label->intrinsicContentSize();
  UIGraphicsBeginImageContextWithOptions(label->bounds().size, false, 1);
  label->drawTextInRect(label->bounds());
  label->setHighlighted(true);
  label->drawTextInRect(label->bounds());
  UIGraphicsEndImageContext();

  for (CGPoint p : {CGPointMake(5, 30), CGPointMake(60, 30), CGPointMake(119, 59)}) {
    label->linkAtPoint(p);
    label->hitTestWithEvent(p, nullptr);
  }
  NSInteger n = objc_msgSend<NSInteger>(label, OBJC_SEL("accessibilityElementCount"));
  if (n < 1) __builtin_trap();  // the whole-label element is always there
  for (NSInteger i = 0; i <= n; ++i)
    objc_msgSend<Strong<NSObject>>(label, OBJC_SEL("accessibilityElementAtIndex:"), i);
  if (auto links = label->links()) {
    for (NSUInteger i = 0; i < links->count(); ++i) {
      auto link = links->objectAtIndexAs<NSTextCheckingResult>(i);
      label->setActiveLink(link);
      label->setActiveLink(nullptr);
    }
  }
  return 0;
}
