// UILabel in an archive, after the view's own keys: the device's "UIText", "UIFont",
// "UITextColor", "UIHighlightedColor", "UIShadowColor", "UIShadowOffset",
// "UITextAlignment", "UINumberOfLines", "UILineBreakMode", "UIAdjustsFontSizeToFit",
// "UIMinimumScaleFactor", "UIEnabled"; and of ours "UIHighlighted",
// "UIBaselineAdjustment", "UIPreferredMaxLayoutWidth" and "UIAttributedText" (the text
// with its runs, so a label given attributed text comes back whole).
//
// Both directions work on the label's own state, not through its runtime methods: a
// subclass's overrides of the setters must not run before its own initialiser has.
#include "Foundation/NSCoder.h"
#include "UIKit/UILabel.h"
#include "objc/alloc.h"

struct UILabelCoding {
  static void encode(NSObject* self, SEL sel, NSCoder* coder) {
    UIViewSendSuper<void>(UIView::class_(), self, sel, coder);
    auto* l = static_cast<UILabel*>(self);
    if (l->text_) coder->encodeObjectForKey(l->text_, NSSTR("UIText"));
    if (l->attributedText_)
      coder->encodeObjectForKey(l->attributedText_, NSSTR("UIAttributedText"));
    coder->encodeObjectForKey(l->font_, NSSTR("UIFont"));
    coder->encodeObjectForKey(l->textColor_, NSSTR("UITextColor"));
    if (l->highlightedTextColor_)
      coder->encodeObjectForKey(l->highlightedTextColor_, NSSTR("UIHighlightedColor"));
    if (l->shadowColor_) coder->encodeObjectForKey(l->shadowColor_, NSSTR("UIShadowColor"));
    coder->encodeCGSizeForKey(l->shadowOffset_, NSSTR("UIShadowOffset"));
    coder->encodeIntegerForKey(l->textAlignment_, NSSTR("UITextAlignment"));
    coder->encodeIntegerForKey(l->numberOfLines_, NSSTR("UINumberOfLines"));
    coder->encodeIntegerForKey(l->lineBreakMode_, NSSTR("UILineBreakMode"));
    if (l->highlighted_) coder->encodeBoolForKey(YES, NSSTR("UIHighlighted"));
    coder->encodeBoolForKey(l->enabled_, NSSTR("UIEnabled"));
    if (l->adjustsFontSize_) coder->encodeBoolForKey(YES, NSSTR("UIAdjustsFontSizeToFit"));
    if (l->minimumScaleFactor_ != 0)
      coder->encodeDoubleForKey(l->minimumScaleFactor_, NSSTR("UIMinimumScaleFactor"));
    if (l->baselineAdjustment_ != UIBaselineAdjustmentAlignBaselines)
      coder->encodeIntegerForKey(l->baselineAdjustment_, NSSTR("UIBaselineAdjustment"));
    if (l->preferredMaxLayoutWidth_ != 0)
      coder->encodeDoubleForKey(l->preferredMaxLayoutWidth_, NSSTR("UIPreferredMaxLayoutWidth"));
  }

  // Numbers outside their enumerations take the label's defaults, as the setters do.
  static id initWithCoder(NSObject* self, SEL sel, NSCoder* coder) {
    id base = UIViewSendSuper<id>(UIView::class_(), self, sel, coder);
    if (!base) return nullptr;
    auto* l = static_cast<UILabel*>(self);
    auto has = [&](const Strong<NSString>& key) { return coder->containsValueForKey(key); };
    if (auto text = coder->decodeStringForKey(NSSTR("UIText"))) l->text_ = text->copy();
    if (auto font = coder->decodeObjectOfClassForKey<UIFont>(NSSTR("UIFont"))) l->font_ = font;
    if (auto color = coder->decodeObjectOfClassForKey<UIColor>(NSSTR("UITextColor")))
      l->textColor_ = color;
    l->highlightedTextColor_ =
        coder->decodeObjectOfClassForKey<UIColor>(NSSTR("UIHighlightedColor"));
    l->shadowColor_ = coder->decodeObjectOfClassForKey<UIColor>(NSSTR("UIShadowColor"));
    if (has(NSSTR("UIShadowOffset")))
      l->shadowOffset_ = coder->decodeCGSizeForKey(NSSTR("UIShadowOffset"));
    if (has(NSSTR("UITextAlignment"))) {
      NSInteger a = coder->decodeIntegerForKey(NSSTR("UITextAlignment"));
      l->textAlignment_ =
          a >= 0 && a <= 4 ? static_cast<NSTextAlignment>(a) : NSTextAlignmentNatural;
    }
    if (has(NSSTR("UINumberOfLines")))
      l->numberOfLines_ =
          std::max<NSInteger>(0, coder->decodeIntegerForKey(NSSTR("UINumberOfLines")));
    if (has(NSSTR("UILineBreakMode"))) {
      NSInteger m = coder->decodeIntegerForKey(NSSTR("UILineBreakMode"));
      l->lineBreakMode_ =
          m >= 0 && m <= 5 ? static_cast<NSLineBreakMode>(m) : NSLineBreakByTruncatingTail;
    }
    l->highlighted_ = coder->decodeBoolForKey(NSSTR("UIHighlighted"));
    if (has(NSSTR("UIEnabled"))) l->enabled_ = coder->decodeBoolForKey(NSSTR("UIEnabled"));
    l->adjustsFontSize_ = coder->decodeBoolForKey(NSSTR("UIAdjustsFontSizeToFit"));
    l->minimumScaleFactor_ = coder->decodeDoubleForKey(NSSTR("UIMinimumScaleFactor"));
    NSInteger b = coder->decodeIntegerForKey(NSSTR("UIBaselineAdjustment"));
    l->baselineAdjustment_ = b >= 0 && b <= 2 ? static_cast<UIBaselineAdjustment>(b)
                                              : UIBaselineAdjustmentAlignBaselines;
    l->preferredMaxLayoutWidth_ = coder->decodeDoubleForKey(NSSTR("UIPreferredMaxLayoutWidth"));
    auto attributed =
        coder->decodeObjectOfClassForKey<NSAttributedString>(NSSTR("UIAttributedText"));
    if (coder->error()) return nullptr;
    if (attributed) {
      l->attributedText_ = attributed->copy();
      l->text_ = l->attributedText_->string();
    } else {
      l->rebuildFromText();
    }
    l->invalidateLayout(UILabel::Changed::Content);
    return base;
  }

  static bool registerMethods() {
    objc::registerAlloc<UILabel>(UILabel::class_());
    class_addMethod(UILabel::class_(), OBJC_SEL("encodeWithCoder:"), objc::method<&encode>());
    class_addMethod(UILabel::class_(), OBJC_SEL("initWithCoder:"), objc::method<&initWithCoder>());
    return true;
  }
};

[[maybe_unused]] static const bool UILabelCodingRegistered = UILabelCoding::registerMethods();
