// The label's model: registration, defaults, the attributes it derives from its own
// properties, the attributed-text setter, colour and highlight, the rendered text and
// the class-load step.
#include <array>

#include "CoreFoundation/CFBase.h"
#include "Foundation/NSCoder.h"
#include "Foundation/NSNumber.h"
#include "TTTAttributedLabelInternal.h"
#include "UIKit/NSParagraphStyle.h"
#include "dispatch/queue.h"
#include "objc/alloc.h"

namespace {

// The container methods a platform older than the class-load threshold cannot serve.
constexpr std::array<const char*, 4> kAccessibilityContainerSelectors{
    "isAccessibilityElement", "accessibilityElementCount",
    "accessibilityElementAtIndex:", "indexOfAccessibilityElement:"};

}  // namespace

OBJC_CLASS_IMPL(TTTAttributedLabel) {
  using M = TTTAttributedLabelMethods;
  objc::registerAlloc<TTTAttributedLabel>(cls);
  class_addMethod(cls, OBJC_SEL("initWithFrame:"), objc::method<&M::initWithFrame>());
  class_addMethod(cls, OBJC_SEL("attributedText"), objc::method<&M::attributedText>());
  class_addMethod(cls, OBJC_SEL("setAttributedText:"), objc::method<&M::setAttributedText>());
  class_addMethod(cls, OBJC_SEL("textColor"), objc::method<&M::textColor>());
  class_addMethod(cls, OBJC_SEL("setTextColor:"), objc::method<&M::setTextColor>());
  class_addMethod(cls, OBJC_SEL("setHighlighted:"), objc::method<&M::setHighlighted>());
  class_addMethod(cls, OBJC_SEL("setText:"), objc::method<&M::setText>());
  class_addMethod(cls, OBJC_SEL("textRectForBounds:limitedToNumberOfLines:"),
                  objc::method<&M::textRectForBounds>());
  class_addMethod(cls, OBJC_SEL("sizeThatFits:"), objc::method<&M::sizeThatFits>());
  class_addMethod(cls, OBJC_SEL("intrinsicContentSize"), objc::method<&M::intrinsicContentSize>());
  class_addMethod(cls, OBJC_SEL("drawTextInRect:"), objc::method<&M::drawTextInRect>());
  class_addMethod(cls, OBJC_SEL("touchesBegan:withEvent:"), objc::method<&M::touchesBegan>());
  class_addMethod(cls, OBJC_SEL("touchesMoved:withEvent:"), objc::method<&M::touchesMoved>());
  class_addMethod(cls, OBJC_SEL("touchesEnded:withEvent:"), objc::method<&M::touchesEnded>());
  class_addMethod(cls, OBJC_SEL("touchesCancelled:withEvent:"),
                  objc::method<&M::touchesCancelled>());
  class_addMethod(cls, OBJC_SEL("hitTest:withEvent:"), objc::method<&M::hitTest>());
  class_addMethod(cls, OBJC_SEL("tintColorDidChange"), objc::method<&M::tintColorDidChange>());
  class_addMethod(cls, OBJC_SEL("canBecomeFirstResponder"),
                  objc::method<&M::canBecomeFirstResponder>());
  class_addMethod(cls, OBJC_SEL("canPerformAction:withSender:"),
                  objc::method<&M::canPerformActionWithSender>());
  class_addMethod(cls, OBJC_SEL("isAccessibilityElement"),
                  objc::method<&M::isAccessibilityElement>());
  class_addMethod(cls, OBJC_SEL("accessibilityElementCount"),
                  objc::method<&M::accessibilityElementCount>());
  class_addMethod(cls, OBJC_SEL("accessibilityElementAtIndex:"),
                  objc::method<&M::accessibilityElementAtIndex>());
  class_addMethod(cls, OBJC_SEL("indexOfAccessibilityElement:"),
                  objc::method<&M::indexOfAccessibilityElement>());
  class_addMethod(cls, OBJC_SEL("copy:"), objc::method<&M::copy>());
  class_addMethod(cls, OBJC_SEL("encodeWithCoder:"), objc::method<&M::encodeWithCoder>());
  class_addMethod(cls, OBJC_SEL("initWithCoder:"), objc::method<&M::initWithCoder>());
}

// The device's +load: once, when the library that holds the class loads.
OBJC_CLASS_LOAD(TTTAttributedLabel) {
  TTTAttributedLabel::load();
}

TTTAttributedLabel::TTTAttributedLabel() : TTTAttributedLabel(CGRectZero) {}

TTTAttributedLabel::TTTAttributedLabel(CGRect frame)
    : UILabel(frame), _dataDetector(std::make_shared<DetectorSlot>()) {
  commonInit();
}

// The framesetters and every owned property go with their smart pointers; the delegate
// is only referenced weakly.
TTTAttributedLabel::~TTTAttributedLabel() = default;

Strong<TTTAttributedLabel> TTTAttributedLabel::initWithFrame(CGRect frame) {
  return std::make_shared<TTTAttributedLabel>(frame);
}

id TTTAttributedLabelMethods::initWithFrame(NSObject* self, SEL, CGRect frame) {
  TTTAttributedLabel* label = l(self);
  label->setFrame(frame);
  label->commonInit();
  return label->retainedSelf();
}

void TTTAttributedLabel::commonInit() {
  setUserInteractionEnabled(true);
  setMultipleTouchEnabled(false);
  _textInsets = UIEdgeInsetsZero;
  _lineHeightMultiple = 1.0;
  setLinks(NSArray::array());

  auto link = NSMutableDictionary::dictionary();
  auto active = NSMutableDictionary::dictionary();
  auto inactive = NSMutableDictionary::dictionary();
  link->setObjectForKey(NSNumber::numberWithBool(YES), kCTUnderlineStyleAttributeName);
  active->setObjectForKey(NSNumber::numberWithBool(NO), kCTUnderlineStyleAttributeName);
  inactive->setObjectForKey(NSNumber::numberWithBool(NO), kCTUnderlineStyleAttributeName);
  link->setObjectForKey(UIColor::blueColor(), kCTForegroundColorAttributeName);
  active->setObjectForKey(UIColor::redColor(), kCTForegroundColorAttributeName);
  inactive->setObjectForKey(UIColor::grayColor(), kCTForegroundColorAttributeName);
  auto style = NSMutableParagraphStyle::paragraphStyle();
  style->setLineBreakMode(NSLineBreakByWordWrapping);
  link->setObjectForKey(style, kCTParagraphStyleAttributeName);
  active->setObjectForKey(style, kCTParagraphStyleAttributeName);
  inactive->setObjectForKey(style, kCTParagraphStyleAttributeName);
  _linkAttributes = link->copy();
  _activeLinkAttributes = active->copy();
  _inactiveLinkAttributes = inactive->copy();
}

// ---- detector

Strong<NSDataDetector> TTTAttributedLabel::dataDetector() const {
  return _dataDetector->detector();
}

void TTTAttributedLabel::setDataDetector(const Strong<NSDataDetector>& detector) {
  _dataDetector->setDetector(detector);
}

void TTTAttributedLabel::setEnabledTextCheckingTypes(NSTextCheckingTypes types) {
  _enabledTextCheckingTypes = types;
  setDataDetector(types ? NSDataDetector::dataDetectorWithTypesError(types, nullptr) : nullptr);
}

// ---- links and caches

void TTTAttributedLabel::setLinks(const Strong<NSArray>& links) {
  _links = links;
  setAccessibilityElements(nullptr);
}

void TTTAttributedLabel::setAccessibilityElements(const Strong<NSArray>& elements) {
  _accessibilityElements = elements;
}

void TTTAttributedLabel::setInactiveAttributedText(const Strong<NSAttributedString>& text) {
  _inactiveAttributedText = text ? text->copy() : nullptr;
}

void TTTAttributedLabel::setRenderedAttributedText(const Strong<NSAttributedString>& text) {
  _renderedAttributedText = text ? text->copy() : nullptr;
}

void TTTAttributedLabel::setNeedsFramesetter() {
  _renderedAttributedText = nullptr;
  _needsFramesetter = true;
}

Strong<NSAttributedString> TTTAttributedLabel::renderedAttributedText() {
  if (_renderedAttributedText) return _renderedAttributedText;
  Strong<UIColor> color = textColor();
  if (!_attributedText || !color) {
    setRenderedAttributedText(_attributedText);
    return _renderedAttributedText;
  }
  auto rendered = _attributedText->mutableCopy();
  auto only =
      NSDictionary::dictionaryWithObjectsAndKeys({{kCTForegroundColorAttributeName, color}});
  _attributedText->enumerateAttributeInRangeOptionsUsingBlock(
      kCTForegroundColorFromContextAttributeName, NSMakeRange(0, _attributedText->length()), 0,
      [&](const id& value, NSRange range, BOOL*) {
        if (!value) return;
        rendered->setAttributesRange(only, range);
        rendered->removeAttributeRange(kCTForegroundColorFromContextAttributeName, range);
      });
  setRenderedAttributedText(rendered);
  return _renderedAttributedText;
}

// ---- attributed text, colour, highlight

void TTTAttributedLabel::setAttributedText(const Strong<NSAttributedString>& text) {
  if (text && text->isEqualToAttributedString(_attributedText)) return;
  _attributedText = text ? text->copy() : nullptr;
  setNeedsFramesetter();
  setNeedsDisplay();
  if (respondsToSelector(OBJC_SEL("invalidateIntrinsicContentSize")))
    objc_msgSend(this, OBJC_SEL("invalidateIntrinsicContentSize"));
}

NSAttributedString* TTTAttributedLabelMethods::attributedText(NSObject* self, SEL) {
  return l(self)->_attributedText.get();
}

void TTTAttributedLabelMethods::setAttributedText(NSObject* self, SEL, NSAttributedString* text) {
  l(self)->setAttributedText(text ? text->retainedSelf<NSAttributedString>() : nullptr);
}

UIColor* TTTAttributedLabelMethods::textColor(NSObject* self, SEL cmd) {
  // The answer is borrowed, so the stand-in black must outlive it.
  static const Strong<UIColor> black = UIColor::blackColor();
  auto* base = UIViewSendSuper<UIColor*>(UILabel::class_(), self, cmd);
  return base ? base : black.get();
}

void TTTAttributedLabelMethods::setTextColor(NSObject* self, SEL cmd, UIColor* color) {
  TTTAttributedLabel* label = l(self);
  Strong<UIColor> old = label->textColor();
  UIViewSendSuper<void>(UILabel::class_(), self, cmd, color);
  if (color != old.get()) {
    label->setNeedsFramesetter();
    label->setNeedsDisplay();
  }
}

void TTTAttributedLabelMethods::setHighlighted(NSObject* self, SEL cmd, BOOL highlighted) {
  UIViewSendSuper<void>(UILabel::class_(), self, cmd, highlighted);
  l(self)->setNeedsDisplay();
}

// ---- inherited attributes

Strong<NSDictionary> TTTAttributedLabel::inheritedLabelAttributes() {
  Strong<UIFont> labelFont = font();
  CGFloat fontLineHeight = labelFont ? labelFont->lineHeight() : 0;
  auto style = NSMutableParagraphStyle::paragraphStyle();
  style->setAlignment(textAlignment());
  style->setLineSpacing(_lineSpacing);
  style->setMinimumLineHeight(_minimumLineHeight > 0 ? _minimumLineHeight
                                                     : fontLineHeight * _lineHeightMultiple);
  style->setMaximumLineHeight(_maximumLineHeight > 0 ? _maximumLineHeight
                                                     : fontLineHeight * _lineHeightMultiple);
  style->setLineHeightMultiple(_lineHeightMultiple);
  style->setFirstLineHeadIndent(_firstLineIndent);
  // Every line of a paragraph starts at the same indent.
  style->setHeadIndent(_firstLineIndent);
  style->setLineBreakMode(numberOfLines() == 1
                              ? lineBreakMode()
                              : static_cast<NSLineBreakMode>(TTTLineBreakByWordWrapping));

  auto attributes = NSMutableDictionary::dictionary();
  if (labelFont) attributes->setObjectForKey(labelFont, kCTFontAttributeName);
  attributes->setObjectForKey(textColor(), kCTForegroundColorAttributeName);
  attributes->setObjectForKey(NSNumber::numberWithDouble(_kern), kCTKernAttributeName);
  attributes->setObjectForKey(style, kCTParagraphStyleAttributeName);
  return attributes->copy();
}

// ---- class load

void TTTAttributedLabel::load() {
  static dispatch_once_t once;
  dispatch_once(&once, [] {
    replaceAccessibilityMethodsBelowVersion(objc_getClass("TTTAttributedLabel"),
                                            kCFCoreFoundationVersionNumber);
  });
}

void TTTAttributedLabel::replaceAccessibilityMethodsBelowVersion(Class cls, double version) {
  if (!cls || version >= kCFCoreFoundationVersionNumber_iOS_7_0) return;
  Class superclass = class_getSuperclass(cls);
  for (const char* name : kAccessibilityContainerSelectors) {
    SEL sel = sel_registerName(name);
    Method own = class_getInstanceMethod(cls, sel);
    IMP inherited = class_getMethodImplementation(superclass, sel);
    // A platform without the method at all has nothing to fall back to.
    if (!own || !inherited) continue;
    class_replaceMethod(cls, sel, inherited, method_getTypeEncoding(own));
  }
}
