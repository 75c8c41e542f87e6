// The label in a keyed archive: its own settings after the base label's state, under
// the names of the properties they carry, read back over the defaults.
#include <cmath>

#include "Foundation/NSCoder.h"
#include "Foundation/NSNumber.h"
#include "TTTAttributedLabelInternal.h"
#include "UIKit/NSParagraphStyle.h"

namespace {

// The keys, in the order they are written.
const Strong<NSString> kEnabledTextCheckingTypesKey = NSSTR("enabledTextCheckingTypes");
const Strong<NSString> kLinksKey = NSSTR("links");
const Strong<NSString> kLinkAttributesKey = NSSTR("linkAttributes");
const Strong<NSString> kActiveLinkAttributesKey = NSSTR("activeLinkAttributes");
const Strong<NSString> kInactiveLinkAttributesKey = NSSTR("inactiveLinkAttributes");
const Strong<NSString> kShadowRadiusKey = NSSTR("shadowRadius");
const Strong<NSString> kHighlightedShadowRadiusKey = NSSTR("highlightedShadowRadius");
const Strong<NSString> kHighlightedShadowOffsetKey = NSSTR("highlightedShadowOffset");
const Strong<NSString> kHighlightedShadowColorKey = NSSTR("highlightedShadowColor");
const Strong<NSString> kKernKey = NSSTR("kern");
const Strong<NSString> kFirstLineIndentKey = NSSTR("firstLineIndent");
const Strong<NSString> kLineSpacingKey = NSSTR("lineSpacing");
const Strong<NSString> kMinimumLineHeightKey = NSSTR("minimumLineHeight");
const Strong<NSString> kMaximumLineHeightKey = NSSTR("maximumLineHeight");
const Strong<NSString> kLineHeightMultipleKey = NSSTR("lineHeightMultiple");
const Strong<NSString> kTextInsetsKey = NSSTR("textInsets");
const Strong<NSString> kVerticalAlignmentKey = NSSTR("verticalAlignment");
const Strong<NSString> kTruncationTokenStringKey = NSSTR("truncationTokenString");
const Strong<NSString> kAttributedTextKey = NSSTR("attributedText");
const Strong<NSString> kTextKey = NSSTR("text");

// The modern form, whose attribute values are objects, is the one that archives the
// three link-attribute dictionaries.
bool modernForm() {
  return objc_getClass("NSMutableParagraphStyle") != nullptr;
}

using CGFloatSetter = void (TTTAttributedLabel::*)(CGFloat);

// The properties stored as numbers made from their CGFloat values, with their setters.
struct FloatProperty {
  const Strong<NSString>& key;
  CGFloat (TTTAttributedLabel::*get)() const;
  CGFloatSetter set;
};
const FloatProperty kFloatProperties[] = {
    {kShadowRadiusKey, &TTTAttributedLabel::shadowRadius, &TTTAttributedLabel::setShadowRadius},
    {kHighlightedShadowRadiusKey, &TTTAttributedLabel::highlightedShadowRadius,
     &TTTAttributedLabel::setHighlightedShadowRadius},
};
const FloatProperty kTextFloatProperties[] = {
    {kKernKey, &TTTAttributedLabel::kern, &TTTAttributedLabel::setKern},
    {kFirstLineIndentKey, &TTTAttributedLabel::firstLineIndent,
     &TTTAttributedLabel::setFirstLineIndent},
    {kLineSpacingKey, &TTTAttributedLabel::lineSpacing, &TTTAttributedLabel::setLineSpacing},
    {kMinimumLineHeightKey, &TTTAttributedLabel::minimumLineHeight,
     &TTTAttributedLabel::setMinimumLineHeight},
    {kMaximumLineHeightKey, &TTTAttributedLabel::maximumLineHeight,
     &TTTAttributedLabel::setMaximumLineHeight},
    {kLineHeightMultipleKey, &TTTAttributedLabel::lineHeightMultiple,
     &TTTAttributedLabel::setLineHeightMultiple},
};

void encodeFloat(TTTAttributedLabel* label, const FloatProperty& p, NSCoder* coder) {
  coder->encodeObjectForKey(NSNumber::numberWithDouble((label->*p.get)()), p.key);
}

// Read in single precision, as written by the device. A value that is not a finite
// number keeps the default: no layout can use it.
void decodeFloat(TTTAttributedLabel* label, const FloatProperty& p, NSCoder* coder) {
  if (!coder->containsValueForKey(p.key)) return;
  auto number = coder->decodeObjectOfClassForKey<NSNumber>(p.key);
  if (!number) return;
  float value = number->floatValue();
  if (std::isfinite(value)) (label->*p.set)(value);
}

bool finite(UIEdgeInsets i) {
  return std::isfinite(i.top) && std::isfinite(i.left) && std::isfinite(i.bottom) &&
         std::isfinite(i.right);
}

// Every entry of `links` is a link; anything else makes the archive unusable.
bool onlyLinks(const Strong<NSArray>& links) {
  for (NSUInteger i = 0; i < links->count(); ++i)
    if (!links->objectAtIndexAs<NSTextCheckingResult>(i)) return false;
  return true;
}

}  // namespace

void TTTAttributedLabelMethods::encodeWithCoder(NSObject* self, SEL cmd, NSCoder* coder) {
  UIViewSendSuper<void>(UILabel::class_(), self, cmd, coder);
  TTTAttributedLabel* label = l(self);
  coder->encodeObjectForKey(NSNumber::numberWithUnsignedLongLong(label->enabledTextCheckingTypes()),
                            kEnabledTextCheckingTypesKey);
  coder->encodeObjectForKey(label->links(), kLinksKey);
  if (modernForm()) {
    coder->encodeObjectForKey(label->linkAttributes(), kLinkAttributesKey);
    coder->encodeObjectForKey(label->activeLinkAttributes(), kActiveLinkAttributesKey);
    coder->encodeObjectForKey(label->inactiveLinkAttributes(), kInactiveLinkAttributesKey);
  }
  for (const auto& p : kFloatProperties) encodeFloat(label, p, coder);
  coder->encodeCGSizeForKey(label->highlightedShadowOffset(), kHighlightedShadowOffsetKey);
  coder->encodeObjectForKey(label->highlightedShadowColor(), kHighlightedShadowColorKey);
  for (const auto& p : kTextFloatProperties) encodeFloat(label, p, coder);
  coder->encodeUIEdgeInsetsForKey(label->textInsets(), kTextInsetsKey);
  coder->encodeIntegerForKey(label->verticalAlignment(), kVerticalAlignmentKey);
  coder->encodeObjectForKey(label->truncationTokenString(), kTruncationTokenStringKey);
  coder->encodeObjectForKey(label->attributedText(), kAttributedTextKey);
  coder->encodeObjectForKey(label->text(), kTextKey);
}

id TTTAttributedLabelMethods::initWithCoder(NSObject* self, SEL cmd, NSCoder* coder) {
  id base = UIViewSendSuper<id>(UILabel::class_(), self, cmd, coder);
  if (!base) return nullptr;
  TTTAttributedLabel* label = l(self);
  label->commonInit();
  auto has = [coder](const Strong<NSString>& key) { return coder->containsValueForKey(key); };

  if (has(kEnabledTextCheckingTypesKey)) {
    if (auto n = coder->decodeObjectOfClassForKey<NSNumber>(kEnabledTextCheckingTypesKey))
      label->setEnabledTextCheckingTypes(n->unsignedLongLongValue());
  }
  if (has(kLinksKey)) {
    auto links = coder->decodeObjectOfClassForKey<NSArray>(kLinksKey);
    if (links && !onlyLinks(links)) return nullptr;
    if (links) label->setLinks(links);
  }
  if (modernForm()) {
    if (has(kLinkAttributesKey))
      label->setLinkAttributes(coder->decodeObjectOfClassForKey<NSDictionary>(kLinkAttributesKey));
    if (has(kActiveLinkAttributesKey))
      label->setActiveLinkAttributes(
          coder->decodeObjectOfClassForKey<NSDictionary>(kActiveLinkAttributesKey));
    if (has(kInactiveLinkAttributesKey))
      label->setInactiveLinkAttributes(
          coder->decodeObjectOfClassForKey<NSDictionary>(kInactiveLinkAttributesKey));
  }
  for (const auto& p : kFloatProperties) decodeFloat(label, p, coder);
  if (has(kHighlightedShadowOffsetKey))
    label->setHighlightedShadowOffset(coder->decodeCGSizeForKey(kHighlightedShadowOffsetKey));
  if (has(kHighlightedShadowColorKey))
    label->setHighlightedShadowColor(
        coder->decodeObjectOfClassForKey<UIColor>(kHighlightedShadowColorKey));
  for (const auto& p : kTextFloatProperties) decodeFloat(label, p, coder);
  if (has(kTextInsetsKey)) {
    UIEdgeInsets insets = coder->decodeUIEdgeInsetsForKey(kTextInsetsKey);
    if (finite(insets)) label->setTextInsets(insets);
  }
  if (has(kVerticalAlignmentKey))
    label->setVerticalAlignment(coder->decodeIntegerForKey(kVerticalAlignmentKey));
  if (has(kTruncationTokenStringKey))
    label->setTruncationTokenString(
        coder->decodeObjectOfClassForKey<NSString>(kTruncationTokenStringKey));
  bool hasAttributedText = has(kAttributedTextKey);
  if (hasAttributedText)
    label->setAttributedText(
        coder->decodeObjectOfClassForKey<NSAttributedString>(kAttributedTextKey));
  // A value of the wrong kind anywhere above fails the coder: refuse the whole label
  // rather than keep what was read before it.
  if (coder->error()) return nullptr;

  // An archive of the base label alone: its plain text, given the label's attributes.
  if (!hasAttributedText) label->setText(label->UILabel::text());
  return base;
}
