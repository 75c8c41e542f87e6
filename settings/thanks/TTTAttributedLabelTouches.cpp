// Links under the finger: finding the link at a character or a point, the pressed-link
// highlight, the report of a tap to the delegate, and the responder answers.
#include "QuartzCore/CATransaction.h"
#include "TTTAttributedLabelInternal.h"

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

// ---- responder answers

BOOL TTTAttributedLabelMethods::canBecomeFirstResponder(NSObject*, SEL) {
  return YES;
}

BOOL TTTAttributedLabelMethods::canPerformActionWithSender(NSObject*, SEL, SEL action, NSObject*) {
  return action == sel_registerName("copy:");
}
