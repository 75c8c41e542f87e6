// Text and links: the text setters, the link adders and the background link scan.
#include <algorithm>

#include "Foundation/NSAssertionHandler.h"
#include "TTTAttributedLabelInternal.h"
#include "UIKit/NSAttributedStringKeys.h"
#include "dispatch/queue.h"

namespace {

// Where the assertion handler says the precondition of setText: lives: the file and line
// its failure report names, as the device's build of the label reports them.
constexpr const char* kSetTextFile = "thanks/TTTAttributedLabel";
constexpr NSInteger kSetTextPreconditionReportedLine = 1036;
constexpr const char* kSetTextCondition =
    "!text || [text isKindOfClass:[NSAttributedString class]] || [text isKindOfClass:[NSString "
    "class]]";

// The target of an NSLinkAttributeName value: a URL, or a string read as one.
Strong<NSURL> linkTarget(const id& value) {
  if (auto string = objc_cast<NSString>(value)) return NSURL::URLWithString(string);
  return objc_cast<NSURL>(value);
}

}  // namespace

void TTTAttributedLabel::setText(const id& text) {
  objc_msgSend(this, OBJC_SEL("setText:"), text.get());
}

void TTTAttributedLabelMethods::setText(NSObject* self, SEL cmd, NSObject* text) {
  TTTAttributedLabel* label = l(self);
  if (text && !objc_cast<NSAttributedString>(text) && !objc_cast<NSString>(text)) {
    NSAssertionHandler::currentHandler()->handleFailureInMethodObjectFileLineNumberDescription(
        cmd, self, kSetTextFile, kSetTextPreconditionReportedLine,
        "Invalid parameter not satisfying: %s", kSetTextCondition);
  }
  if (auto* string = objc_cast<NSString>(text)) {
    label->setTextAfterInheritingLabelAttributesAndConfiguringWithBlock(
        string->retainedSelf<NSString>(), nullptr);
    return;
  }
  auto* attributed = static_cast<NSAttributedString*>(text);
  label->setAttributedText(attributed ? attributed->retainedSelf<NSAttributedString>() : nullptr);
  // The text saved under a pressed link is the old one: putting it back would undo the
  // text just set, so it goes before the pressed state ends.
  label->setInactiveAttributedText(nullptr);
  label->setActiveLink(nullptr);
  label->setLinks(NSArray::array());

  Strong<NSAttributedString> current = label->_attributedText;
  if (current && label->enabledTextCheckingTypes() != 0) label->detectLinksInText(current);
  if (current) {
    current->enumerateAttributeInRangeOptionsUsingBlock(
        NSLinkAttributeName, NSMakeRange(0, current->length()), 0,
        [&](const id& value, NSRange range, BOOL*) {
          if (value) label->addLinkToURLWithRange(linkTarget(value), range);
        });
  }
  UIViewSendSuper<void>(UILabel::class_(), self, cmd,
                        static_cast<NSObject*>(current ? current->string().get() : nullptr));
}

void TTTAttributedLabel::setTextAfterInheritingLabelAttributesAndConfiguringWithBlock(
    const id& text, const ConfiguringBlock& block) {
  Strong<NSMutableAttributedString> built;
  if (auto string = objc_cast<NSString>(text)) {
    built = NSMutableAttributedString::initWithStringAttributes(string, inheritedLabelAttributes());
  } else if (auto attributed = objc_cast<NSAttributedString>(text)) {
    built = NSMutableAttributedString::initWithAttributedString(attributed);
    built->addAttributesRange(inheritedLabelAttributes(), NSMakeRange(0, built->length()));
  } else {
    // None clears the text; another kind of object meets setText's precondition.
    setText(text);
    return;
  }
  if (block) built = block(built);
  setText(built);
}

// ---- links

void TTTAttributedLabel::addLinksWithTextCheckingResultsAttributes(
    const Strong<NSArray>& results, const Strong<NSDictionary>& attributes) {
  auto list = _links ? _links->mutableCopy() : NSMutableArray::array();
  if (attributes && _attributedText) {
    auto styled = _attributedText->mutableCopy();
    for (const id& item : results ? results->objects() : std::vector<id>{}) {
      auto result = objc_cast<NSTextCheckingResult>(item);
      if (!result) continue;
      NSRange range = TTTClippedToText(result->range(), styled->length());
      if (range.length > 0) styled->addAttributesRange(attributes, range);
    }
    setAttributedText(styled);
    setNeedsDisplay();
  }
  if (results) list->addObjectsFromArray(results);
  setLinks(list->copy());
}

void TTTAttributedLabel::addLinkWithTextCheckingResultAttributes(
    const Strong<NSTextCheckingResult>& result, const Strong<NSDictionary>& attributes) {
  addLinksWithTextCheckingResultsAttributes(
      result ? NSArray::arrayWithObject(result) : NSArray::array(), attributes);
}

void TTTAttributedLabel::addLinkWithTextCheckingResult(const Strong<NSTextCheckingResult>& result) {
  addLinkWithTextCheckingResultAttributes(result, _linkAttributes);
}

void TTTAttributedLabel::addLinkToURLWithRange(const Strong<NSURL>& url, NSRange range) {
  addLinkWithTextCheckingResult(NSTextCheckingResult::linkCheckingResultWithRangeURL(range, url));
}

void TTTAttributedLabel::addLinkToAddressWithRange(const Strong<NSDictionary>& components,
                                                   NSRange range) {
  addLinkWithTextCheckingResult(
      NSTextCheckingResult::addressCheckingResultWithRangeComponents(range, components));
}

void TTTAttributedLabel::addLinkToPhoneNumberWithRange(const Strong<NSString>& phoneNumber,
                                                       NSRange range) {
  addLinkWithTextCheckingResult(
      NSTextCheckingResult::phoneNumberCheckingResultWithRangePhoneNumber(range, phoneNumber));
}

void TTTAttributedLabel::addLinkToDateWithRange(const Strong<NSDate>& date, NSRange range) {
  addLinkWithTextCheckingResult(NSTextCheckingResult::dateCheckingResultWithRangeDate(range, date));
}

void TTTAttributedLabel::addLinkToDateTimeZoneDurationWithRange(const Strong<NSDate>& date,
                                                                const Strong<NSTimeZone>& timeZone,
                                                                NSTimeInterval duration,
                                                                NSRange range) {
  addLinkWithTextCheckingResult(
      NSTextCheckingResult::dateCheckingResultWithRangeDateTimeZoneDuration(range, date, timeZone,
                                                                            duration));
}

void TTTAttributedLabel::addLinkToTransitInformationWithRange(
    const Strong<NSDictionary>& components, NSRange range) {
  addLinkWithTextCheckingResult(
      NSTextCheckingResult::transitInformationCheckingResultWithRangeComponents(range, components));
}

// ---- detection

// The scan holds the label weakly and never takes it: it reads the detector through the
// shared slot, so the label is only ever retained, and released, on the main thread.
// It scans the plain string taken now, which nobody can change under it.
void TTTAttributedLabel::detectLinksInText(const Strong<NSAttributedString>& text) {
  // A scan already queued will take this text instead of the one it was queued for.
  if (_dataDetector->exchangeWaiting(text->string())) return;
  Weak<TTTAttributedLabel> weakLabel =
      std::static_pointer_cast<TTTAttributedLabel>(weak_from_this().lock());
  if (weakLabel.expired()) {  // not owned, so nothing could ever receive the links
    _dataDetector->exchangeWaiting(nullptr);
    return;
  }
  std::shared_ptr<DetectorSlot> slot = _dataDetector;
  dispatch_async(dispatch_get_global_queue(DISPATCH_QUEUE_PRIORITY_DEFAULT, 0), [weakLabel, slot] {
    Strong<NSString> scanned = slot->exchangeWaiting(nullptr);
    if (!scanned || weakLabel.expired()) return;
    Strong<NSDataDetector> detector = slot->detector();
    SEL matches = OBJC_SEL("matchesInString:options:range:");
    if (!detector || !detector->respondsToSelector(matches)) return;
    auto found = objc_cast<NSArray>(objc_msgSend<id>(
        detector, matches, scanned.get(), NSUInteger{0}, NSMakeRange(0, scanned->length())));
    if (!found || found->count() == 0) return;
    dispatch_sync(dispatch_get_main_queue(), [&] {
      Strong<TTTAttributedLabel> label = weakLabel.lock();
      if (!label) return;
      Strong<NSAttributedString> shown = label->_attributedText;
      if (shown && shown->string()->isEqualToString(scanned))
        label->addLinksWithTextCheckingResultsAttributes(found, label->linkAttributes());
    });
  });
}
