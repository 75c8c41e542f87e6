// The label as an accessibility container: one element per link, then one for the whole
// label, built under the label's lock and kept until the links change; and the Copy
// action.
#include <algorithm>

#include "Foundation/NSDateFormatter.h"
#include "TTTAttributedLabelInternal.h"
#include "UIKit/UIAccessibility.h"
#include "UIKit/UIPasteboard.h"
#include "UIKit/UIWindow.h"

namespace {

// What a screen reader says after a link's text, by the kind of link; none for kinds
// whose text says it all (addresses, transit information).
Strong<NSString> linkValue(const NSTextCheckingResult& link) {
  switch (link.resultType()) {
    case NSTextCheckingTypeDate:
      return NSDateFormatter::localizedStringFromDateDateStyleTimeStyle(
          link.date(), NSDateFormatterLongStyle, NSDateFormatterLongStyle);
    case NSTextCheckingTypeLink:
      return link.URL() ? link.URL()->absoluteString() : nullptr;
    case NSTextCheckingTypePhoneNumber:
      return link.phoneNumber();
    default:
      return nullptr;
  }
}

}  // namespace

// The label's plain text is the base's: the string of whatever was set.
Strong<NSString> TTTAttributedLabel::linkText(NSRange range) const {
  Strong<NSString> text = this->text();
  if (!text) return nullptr;
  // A link reaching past the text reads the part inside it; one wholly outside reads
  // nothing and is left out.
  NSUInteger length = text->length();
  if (range.location >= length) return nullptr;
  range.length = std::min(range.length, length - range.location);
  return text->substringWithRange(range);
}

// Where the link is drawn, so that a screen reader's focus sits on it: the union of its
// rectangles on each line. boundingRectForCharacterRange leaves out the insets and the
// vertical placement and would put the element beside the link whenever the text is not
// at the label's top; it is kept only for a link none of whose text is drawn. A link
// that wraps has its union's centre between its pieces, maybe over other text or none,
// so activation lands on the centre of its first piece instead.
TTTAttributedLabel::LinkPlace TTTAttributedLabel::linkPlace(NSRange range) {
  std::vector<CGRect> rects = drawnRectsForCharacterRange(range);
  if (rects.empty()) {
    CGRect bounding = boundingRectForCharacterRange(range);
    return {bounding, CGPointMake(CGRectGetMidX(bounding), CGRectGetMidY(bounding))};
  }
  CGRect frame = rects.front();
  for (const CGRect& r : rects) frame = CGRectUnion(frame, r);
  return {frame, CGPointMake(CGRectGetMidX(rects.front()), CGRectGetMidY(rects.front()))};
}

Strong<NSArray> TTTAttributedLabel::accessibilityElements() {
  if (_accessibilityElements) return _accessibilityElements;
  TTTLabelLock lock(this);
  auto elements = NSMutableArray::array();
  UIWindow* window = this->window();
  Strong<NSArray> links = _links ? _links : NSArray::array();
  for (NSUInteger i = 0; i < links->count(); ++i) {
    auto link = links->objectAtIndexAs<NSTextCheckingResult>(i);
    if (!link) continue;
    Strong<NSString> label = linkText(link->range());
    if (!label) continue;
    Strong<NSString> value = linkValue(*link);
    auto element = UIAccessibilityElement::initWithAccessibilityContainer(retainedSelf());
    element->setAccessibilityTraits(UIAccessibilityTraitLink);
    NSRange inside = NSMakeRange(link->range().location, label->length());
    LinkPlace place = linkPlace(inside);
    element->setAccessibilityFrame(convertRectToView(place.frame, window));
    element->setAccessibilityActivationPoint(convertPointToView(place.activationPoint, window));
    element->setAccessibilityLabel(label);
    if (value && !label->isEqualToString(value)) element->setAccessibilityValue(value);
    elements->addObject(element);
  }

  auto whole = UIAccessibilityElement::initWithAccessibilityContainer(retainedSelf());
  auto base = [this](const char* selector) {
    return UIViewSendSuper<Strong<NSString>>(UILabel::class_(), this, sel_registerName(selector));
  };
  whole->setAccessibilityLabel(base("accessibilityLabel"));
  whole->setAccessibilityHint(base("accessibilityHint"));
  whole->setAccessibilityValue(base("accessibilityValue"));
  whole->setAccessibilityFrame(convertRectToView(bounds(), window));
  whole->setAccessibilityTraits(UIViewSendSuper<UIAccessibilityTraits>(
      UILabel::class_(), this, OBJC_SEL("accessibilityTraits")));
  elements->addObject(whole);

  setAccessibilityElements(NSArray::arrayWithArray(elements));
  return _accessibilityElements;
}

BOOL TTTAttributedLabelMethods::isAccessibilityElement(NSObject*, SEL) {
  return NO;
}

NSInteger TTTAttributedLabelMethods::accessibilityElementCount(NSObject* self, SEL) {
  return static_cast<NSInteger>(l(self)->accessibilityElements()->count());
}

// Past either end: none, which a screen reader takes as no element there.
Strong<NSObject> TTTAttributedLabelMethods::accessibilityElementAtIndex(NSObject* self, SEL,
                                                                        NSInteger index) {
  Strong<NSArray> elements = l(self)->accessibilityElements();
  if (index < 0 || static_cast<NSUInteger>(index) >= elements->count()) return nullptr;
  return elements->objectAtIndex(static_cast<NSUInteger>(index));
}

NSInteger TTTAttributedLabelMethods::indexOfAccessibilityElement(NSObject* self, SEL,
                                                                 NSObject* element) {
  Strong<NSArray> elements = l(self)->accessibilityElements();
  for (NSUInteger i = 0; i < elements->count(); ++i) {
    id candidate = elements->objectAtIndex(i);
    if (candidate.get() == element || (candidate && candidate->isEqual(element)))
      return static_cast<NSInteger>(i);
  }
  return NSNotFound;
}

void TTTAttributedLabelMethods::copy(NSObject* self, SEL, NSObject*) {
  UIPasteboard::generalPasteboard()->setString(l(self)->text());
}
