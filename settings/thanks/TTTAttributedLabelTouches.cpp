// Links under the finger: finding the link at a character or a point, the pressed-link
// highlight, the four touch methods, hit-testing, the tint swap, the report of a tap to
// the delegate, and the responder answers.
#include "Foundation/NSSet.h"
#include "QuartzCore/CATransaction.h"
#include "TTTAttributedLabelInternal.h"
#include "UIKit/UIEvent.h"
#include "UIKit/UITouch.h"

namespace {

// The delegate's methods, in the protocol's order.
constexpr const char* kDidSelectURL = "attributedLabel:didSelectLinkWithURL:";
constexpr const char* kDidSelectAddress = "attributedLabel:didSelectLinkWithAddress:";
constexpr const char* kDidSelectPhoneNumber = "attributedLabel:didSelectLinkWithPhoneNumber:";
constexpr const char* kDidSelectDate = "attributedLabel:didSelectLinkWithDate:";
constexpr const char* kDidSelectDateTimeZoneDuration =
    "attributedLabel:didSelectLinkWithDate:timeZone:duration:";
constexpr const char* kDidSelectTransitInformation =
    "attributedLabel:didSelectLinkWithTransitInformation:";
constexpr const char* kDidSelectTextCheckingResult =
    "attributedLabel:didSelectLinkWithTextCheckingResult:";

// Whether `range` holds `index`, compared unsigned: an empty range holds nothing and a
// negative index lies beyond every range.
bool rangeHoldsIndex(NSRange range, NSInteger index) {
  auto i = static_cast<NSUInteger>(index);
  return range.location <= i && i - range.location < range.length;
}

// Below this alpha a point over a link goes to the base class. The view keeps its alpha
// in single precision, so the threshold is compared in that precision too: an alpha set
// to exactly 0.01 reads back as 0.00999999977648258 and must still count as 0.01.
constexpr float kMinimumHitAlpha = 0.01f;

// Where one finger of the set is in the label (the label takes one finger at a time).
CGPoint touchLocation(NSSet* touches, const UIView* view) {
  auto touch = touches ? objc_cast<UITouch>(touches->anyObject()) : nullptr;
  return touch ? touch->locationInView(view) : CGPointMake(-1, -1);
}

// Sends one of the delegate's methods to it.
template <class... Args>
void tell(NSObject* delegate, const char* selector, TTTAttributedLabel* label, Args... args) {
  objc_msgSend(delegate, sel_registerName(selector), static_cast<NSObject*>(label), args...);
}

}  // namespace

Strong<NSTextCheckingResult> TTTAttributedLabel::linkAtCharacterIndex(NSInteger index) const {
  if (!_links) return nullptr;
  for (NSUInteger i = _links->count(); i-- > 0;) {
    auto link = _links->objectAtIndexAs<NSTextCheckingResult>(i);
    if (link && rangeHoldsIndex(link->range(), index)) return link;
  }
  return nullptr;
}

Strong<NSTextCheckingResult> TTTAttributedLabel::linkAtPoint(CGPoint point) {
  return linkAtCharacterIndex(characterIndexAtPoint(point));
}

void TTTAttributedLabel::setActiveLink(const Strong<NSTextCheckingResult>& link) {
  _activeLink = link;
  if (link && _activeLinkAttributes && _activeLinkAttributes->count() > 0) {
    if (!_inactiveAttributedText) setInactiveAttributedText(_attributedText);
    // Without any text there is nothing to highlight, but the label still redraws.
    Strong<NSMutableAttributedString> highlighted;
    if (_inactiveAttributedText) highlighted = _inactiveAttributedText->mutableCopy();
    NSRange range = link->range();
    if (highlighted && range.length > 0 &&
        range.location + range.length - 1 < highlighted->length())
      highlighted->addAttributesRange(_activeLinkAttributes, range);
    setAttributedText(highlighted);
    setNeedsDisplay();
    // Shown now, not at the end of the run-loop turn, so the finger sees it at once.
    CATransaction::flush();
    return;
  }
  if (_inactiveAttributedText) {
    setAttributedText(_inactiveAttributedText);
    setInactiveAttributedText(nullptr);
    setNeedsDisplay();
  }
}

void TTTAttributedLabel::notifyDelegateOfSelectedLink(const Strong<NSTextCheckingResult>& link) {
  Strong<NSObject> delegate = this->delegate();
  if (!delegate || !link) return;
  auto answers = [&](const char* selector) {
    return delegate->respondsToSelector(sel_registerName(selector));
  };
  NSObject* d = delegate.get();
  switch (link->resultType()) {
    case NSTextCheckingTypeDate:
      if (link->timeZone() && answers(kDidSelectDateTimeZoneDuration)) {
        tell(d, kDidSelectDateTimeZoneDuration, this, link->date().get(), link->timeZone().get(),
             link->duration());
        return;
      }
      if (answers(kDidSelectDate)) return tell(d, kDidSelectDate, this, link->date().get());
      break;
    case NSTextCheckingTypeAddress:
      if (answers(kDidSelectAddress))
        return tell(d, kDidSelectAddress, this, link->addressComponents().get());
      break;
    case NSTextCheckingTypeLink:
      if (answers(kDidSelectURL)) return tell(d, kDidSelectURL, this, link->URL().get());
      break;
    case NSTextCheckingTypePhoneNumber:
      if (answers(kDidSelectPhoneNumber))
        return tell(d, kDidSelectPhoneNumber, this, link->phoneNumber().get());
      break;
    case NSTextCheckingTypeTransitInformation:
      if (answers(kDidSelectTransitInformation))
        return tell(d, kDidSelectTransitInformation, this, link->components().get());
      break;
    default:
      break;
  }
  if (answers(kDidSelectTextCheckingResult))
    tell(d, kDidSelectTextCheckingResult, this, static_cast<NSObject*>(link.get()));
}

// ---- touches

void TTTAttributedLabelMethods::touchesBegan(NSObject* self, SEL cmd, NSSet* touches,
                                             UIEvent* event) {
  TTTAttributedLabel* label = l(self);
  label->setActiveLink(label->linkAtPoint(touchLocation(touches, label)));
  if (!label->activeLink()) UIViewSendSuper<void>(UILabel::class_(), self, cmd, touches, event);
}

void TTTAttributedLabelMethods::touchesMoved(NSObject* self, SEL cmd, NSSet* touches,
                                             UIEvent* event) {
  TTTAttributedLabel* label = l(self);
  if (!label->activeLink()) {
    UIViewSendSuper<void>(UILabel::class_(), self, cmd, touches, event);
    return;
  }
  // The very same link object: another link over the same characters ends the press too.
  if (label->linkAtPoint(touchLocation(touches, label)) != label->activeLink())
    label->setActiveLink(nullptr);
}

void TTTAttributedLabelMethods::touchesEnded(NSObject* self, SEL cmd, NSSet* touches,
                                             UIEvent* event) {
  TTTAttributedLabel* label = l(self);
  Strong<NSTextCheckingResult> link = label->activeLink();
  if (!link) {
    UIViewSendSuper<void>(UILabel::class_(), self, cmd, touches, event);
    return;
  }
  // The highlight goes before the delegate hears of the tap.
  label->setActiveLink(nullptr);
  label->notifyDelegateOfSelectedLink(link);
}

void TTTAttributedLabelMethods::touchesCancelled(NSObject* self, SEL cmd, NSSet* touches,
                                                 UIEvent* event) {
  TTTAttributedLabel* label = l(self);
  if (label->activeLink()) {
    label->setActiveLink(nullptr);
    return;
  }
  UIViewSendSuper<void>(UILabel::class_(), self, cmd, touches, event);
}

UIView* TTTAttributedLabelMethods::hitTest(NSObject* self, SEL cmd, CGPoint point, UIEvent* event) {
  TTTAttributedLabel* label = l(self);
  if (label->isUserInteractionEnabled() && !label->isHidden() &&
      static_cast<float>(label->alpha()) >= kMinimumHitAlpha && label->linkAtPoint(point))
    return label;
  return UIViewSendSuper<UIView*>(UILabel::class_(), self, cmd, point, event);
}

// ---- tint

void TTTAttributedLabelMethods::tintColorDidChange(NSObject* self, SEL) {
  TTTAttributedLabel* label = l(self);
  Strong<NSDictionary> inactive = label->inactiveLinkAttributes();
  if (!inactive || inactive->count() == 0) return;
  bool dimmed = label->tintAdjustmentMode() == UIViewTintAdjustmentModeDimmed;
  Strong<NSDictionary> remove = dimmed ? label->linkAttributes() : inactive;
  Strong<NSDictionary> add = dimmed ? inactive : label->linkAttributes();
  Strong<NSAttributedString> text = label->attributedText();
  if (!text) return;
  auto restyled = text->mutableCopy();
  for (NSUInteger i = 0; i < label->links()->count(); ++i) {
    auto link = label->links()->objectAtIndexAs<NSTextCheckingResult>(i);
    if (!link) continue;
    // Links reaching past the text (kept as given) restyle only what lies inside it.
    NSRange range = TTTClippedToText(link->range(), restyled->length());
    if (range.length == 0) continue;
    if (remove) {
      remove->enumerateKeysAndObjectsUsingBlock([&](const id& key, const id&, BOOL*) {
        if (auto name = objc_cast<NSString>(key)) restyled->removeAttributeRange(name, range);
      });
    }
    if (add) restyled->addAttributesRange(add, range);
  }
  label->setAttributedText(restyled);
  label->setNeedsDisplay();
}

// ---- responder answers

BOOL TTTAttributedLabelMethods::canBecomeFirstResponder(NSObject*, SEL) {
  return YES;
}

BOOL TTTAttributedLabelMethods::canPerformActionWithSender(NSObject*, SEL, SEL action, NSObject*) {
  return action == sel_registerName("copy:");
}
