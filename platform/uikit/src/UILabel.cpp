#include "UIKit/UILabel.h"

#include <algorithm>
#include <cmath>

#include "CoreText/CoreText.h"
#include "UIKit/NSAttributedStringKeys.h"
#include "UIKit/UIAccessibility.h"
#include "UIKit/UIGraphics.h"
#include "UIKit/UIScreen.h"

namespace {

// Stands for "no limit" in a width or height handed to Core Text.
constexpr CGFloat kUnbounded = 100000;

CGFloat screenScale() {
  CGFloat scale = UIScreen::mainScreen()->scale();
  return scale > 0 ? scale : 1;
}

CGFloat ceilToPixel(CGFloat v) {
  CGFloat scale = screenScale();
  // The epsilon keeps a value a rounding error above a pixel edge on that edge.
  return std::ceil(v * scale - 1e-6) / scale;
}

CGFloat roundToPixel(CGFloat v) {
  CGFloat scale = screenScale();
  return std::round(v * scale) / scale;
}

// sizeThatFits:, the intrinsic size and a draw's text rectangle each take one.
constexpr size_t kMeasuredEntries = 4;

template <class T>
Strong<T> retained(T* p) {
  return p ? p->template retainedSelf<T>() : nullptr;
}

bool isParagraphSeparator(char16_t c) {
  return c == u'\n' || c == u'\r' || c == 0x2029 || c == 0x85;
}

bool isBlank(char16_t c) {
  return c == u' ' || c == u'\t' || c == 0x2028 || c == 0xA0 || isParagraphSeparator(c);
}

// Whether anything but white space follows `from`.
bool hasTextFrom(const std::u16string& chars, size_t from) {
  for (size_t i = from; i < chars.size(); ++i)
    if (!isBlank(chars[i])) return true;
  return false;
}

NSTextAlignment validAlignment(NSInteger a) {
  return a >= 0 && a <= 4 ? static_cast<NSTextAlignment>(a) : NSTextAlignmentNatural;
}

NSLineBreakMode validMode(NSInteger m) {
  return m >= 0 && m <= 5 ? static_cast<NSLineBreakMode>(m) : NSLineBreakByTruncatingTail;
}

// How far across the free space a line sits for a Core Text alignment; natural and
// justified lines start at the left, as left-to-right text does.
CGFloat flushFactor(uint8_t alignment) {
  return CTTextAlignmentFlushFactor(static_cast<CTTextAlignment>(alignment),
                                    kCTWritingDirectionLeftToRight);
}

CTParagraphSettings paragraphAt(const Strong<NSAttributedString>& s, NSUInteger index) {
  auto style = objc_cast<CTParagraphStyle>(
      s->attributeAtIndexEffectiveRange(kCTParagraphStyleAttributeName, index, nullptr));
  return style ? style->settings() : CTParagraphSettings{};
}

// A UIKit paragraph style carrying exactly the given settings.
class LabelParagraphStyle final : public NSMutableParagraphStyle {
 public:
  explicit LabelParagraphStyle(const CTParagraphSettings& s) { settings_ = s; }
};

CTLineRef tokenLine(const Strong<NSAttributedString>& s, NSUInteger index) {
  return CTLineCreateTruncationToken(
      s->attributesAtIndexEffectiveRange(std::min<NSUInteger>(index, s->length() - 1), nullptr));
}

CTFontRef scaledFont(const id& value, CGFloat factor) {
  if (auto ui = objc_cast<UIFont>(value)) return ui->fontWithSize(ui->pointSize() * factor);
  if (auto ct = objc_cast<CTFont>(value))
    return CTFontCreateCopyWithAttributes(ct, ct->size() * factor, nullptr, nullptr);
  return nullptr;
}

Strong<NSAttributedString> withScaledFonts(const Strong<NSAttributedString>& s, CGFloat factor) {
  auto m = s->mutableCopy();
  s->enumerateAttributeInRangeOptionsUsingBlock(kCTFontAttributeName, NSMakeRange(0, s->length()),
                                                0, [&](const id& value, NSRange range, BOOL*) {
                                                  if (auto f = scaledFont(value, factor))
                                                    m->addAttributeValueRange(kCTFontAttributeName,
                                                                              f, range);
                                                });
  return m;
}

}  // namespace

struct UILabel::Layout {
  struct Line {
    CTLineRef line;
    CGFloat x = 0;         // pen start from the left of the layout width
    CGFloat baseline = 0;  // from the top of the text
  };
  std::vector<Line> lines;
  CGSize size{};           // not rounded
  bool truncated = false;  // text was left out (or shown cut or with a token)
};

struct UILabel::Drawn {
  CGSize size{};
  CGFloat textHeight = 0;
  CGFloat scale = 0;
  Layout layout;
  // The text starts `centre + shift` below the rectangle's top, before pixel rounding.
  CGFloat centre = 0;
  CGFloat shift = 0;

  bool answers(CGSize s, CGFloat h, CGFloat sc) const {
    return size.width == s.width && size.height == s.height && textHeight == h && scale == sc;
  }
};

// The default implementations behind the runtime's method table.
struct UILabelMethods {
  static UILabel* l(NSObject* self) { return static_cast<UILabel*>(self); }

  static NSString* text(NSObject* self, SEL) { return l(self)->text_.get(); }
  static void setText(NSObject* self, SEL, NSObject* value) {
    UILabel* label = l(self);
    Strong<NSString> text;
    if (auto* s = objc_cast<NSString>(value))
      text = s->copy();
    else if (auto* a = objc_cast<NSAttributedString>(value))
      text = a->string();
    label->text_ = text;
    label->rebuildFromText();
    label->invalidateLayout(UILabel::Changed::Content);
  }
  static NSAttributedString* attributedText(NSObject* self, SEL) {
    return l(self)->attributedText_.get();
  }
  static void setAttributedText(NSObject* self, SEL, NSAttributedString* value) {
    UILabel* label = l(self);
    if (!value) {
      label->text_ = nullptr;
      label->attributedText_ = nullptr;
      label->invalidateLayout(UILabel::Changed::Content);
      return;
    }
    auto m = value->mutableCopy();
    label->text_ = m->string();
    NSUInteger n = m->length();
    if (n > 0) {
      // The label's style properties follow the first character.
      if (auto f = objc_cast<UIFont>(
              m->attributeAtIndexEffectiveRange(kCTFontAttributeName, 0, nullptr)))
        label->font_ = f;
      if (auto c = objc_cast<UIColor>(
              m->attributeAtIndexEffectiveRange(NSForegroundColorAttributeName, 0, nullptr)))
        label->textColor_ = c;
      if (auto p = objc_cast<CTParagraphStyle>(
              m->attributeAtIndexEffectiveRange(kCTParagraphStyleAttributeName, 0, nullptr))) {
        label->textAlignment_ = NSTextAlignmentFromCTTextAlignment(
            static_cast<CTTextAlignment>(p->settings().alignment));
        label->lineBreakMode_ = validMode(p->settings().lineBreakMode);
      }
      // Ranges without a font or colour take the label's, not Core Text's defaults.
      auto fill = [&](const Strong<NSString>& key, const id& filler, bool alsoCT) {
        value->enumerateAttributeInRangeOptionsUsingBlock(
            key, NSMakeRange(0, n), 0, [&](const id& v, NSRange r, BOOL*) {
              if (v) return;
              if (alsoCT) {
                NSRange ct;
                for (NSUInteger i = r.location; i < r.location + r.length;
                     i = ct.location + ct.length) {
                  id other = value->attributeAtIndexEffectiveRange(kCTForegroundColorAttributeName,
                                                                   i, &ct);
                  NSUInteger end = std::min(ct.location + ct.length, r.location + r.length);
                  if (!other) m->addAttributeValueRange(key, filler, NSMakeRange(i, end - i));
                  ct = NSMakeRange(i, end - i);
                }
              } else {
                m->addAttributeValueRange(key, filler, r);
              }
            });
      };
      fill(NSFontAttributeName, label->font_, false);
      fill(NSForegroundColorAttributeName, label->textColor_, true);
    }
    label->attributedText_ = m->copy();
    label->invalidateLayout(UILabel::Changed::Content);
  }

  static UIFont* font(NSObject* self, SEL) { return l(self)->font_.get(); }
  static void setFont(NSObject* self, SEL, UIFont* font) {
    UILabel* label = l(self);
    label->font_ = font ? font->retainedSelf<UIFont>() : UIFont::systemFontOfSize(17);
    label->applyToWholeText(NSFontAttributeName, label->font_);
  }
  static UIColor* textColor(NSObject* self, SEL) { return l(self)->textColor_.get(); }
  static void setTextColor(NSObject* self, SEL, UIColor* color) {
    UILabel* label = l(self);
    if (color && color == label->textColor_.get() && !label->hasCoreTextColor()) {
      return;  // nothing to restyle or redraw
    }
    label->textColor_ = color ? color->retainedSelf<UIColor>() : UIColor::blackColor();
    if (auto& a = label->attributedText_; a && a->length() > 0) {
      auto m = a->mutableCopy();
      m->removeAttributeRange(kCTForegroundColorAttributeName, NSMakeRange(0, m->length()));
      label->attributedText_ = m->copy();
    }
    label->applyToWholeText(NSForegroundColorAttributeName, label->textColor_);
  }
  static NSInteger textAlignment(NSObject* self, SEL) { return l(self)->textAlignment_; }
  static void setTextAlignment(NSObject* self, SEL, NSInteger a) {
    l(self)->textAlignment_ = validAlignment(a);
    l(self)->applyParagraph();
  }
  static NSInteger numberOfLines(NSObject* self, SEL) { return l(self)->numberOfLines_; }
  static void setNumberOfLines(NSObject* self, SEL, NSInteger n) {
    l(self)->numberOfLines_ = std::max<NSInteger>(n, 0);
    l(self)->invalidateLayout(UILabel::Changed::Drawing);
  }
  static NSInteger lineBreakMode(NSObject* self, SEL) { return l(self)->lineBreakMode_; }
  static void setLineBreakMode(NSObject* self, SEL, NSInteger m) {
    l(self)->lineBreakMode_ = validMode(m);
    l(self)->applyParagraph();
  }
  static BOOL isHighlighted(NSObject* self, SEL) { return l(self)->highlighted_; }
  static void setHighlighted(NSObject* self, SEL, BOOL h) {
    if (l(self)->highlighted_ == h) return;
    l(self)->highlighted_ = h;
    l(self)->invalidateLayout(UILabel::Changed::Drawing);
  }
  static BOOL isEnabled(NSObject* self, SEL) { return l(self)->enabled_; }
  static void setEnabled(NSObject* self, SEL, BOOL e) {
    if (l(self)->enabled_ == e) return;
    l(self)->enabled_ = e;
    l(self)->setNeedsDisplay();
  }
  static UIColor* highlightedTextColor(NSObject* self, SEL) {
    return l(self)->highlightedTextColor_.get();
  }
  static void setHighlightedTextColor(NSObject* self, SEL, UIColor* color) {
    l(self)->highlightedTextColor_ = color ? color->retainedSelf<UIColor>() : nullptr;
    l(self)->invalidateLayout(UILabel::Changed::Drawing);
  }
  static UIColor* shadowColor(NSObject* self, SEL) { return l(self)->shadowColor_.get(); }
  static void setShadowColor(NSObject* self, SEL, UIColor* color) {
    l(self)->shadowColor_ = color ? color->retainedSelf<UIColor>() : nullptr;
    l(self)->setNeedsDisplay();
  }
  static CGSize shadowOffset(NSObject* self, SEL) { return l(self)->shadowOffset_; }
  static void setShadowOffset(NSObject* self, SEL, CGSize offset) {
    l(self)->shadowOffset_ = offset;
    l(self)->setNeedsDisplay();
  }
  static BOOL adjustsFontSizeToFitWidth(NSObject* self, SEL) { return l(self)->adjustsFontSize_; }
  static void setAdjustsFontSizeToFitWidth(NSObject* self, SEL, BOOL adjusts) {
    l(self)->adjustsFontSize_ = adjusts;
    l(self)->invalidateLayout(UILabel::Changed::Drawing);
  }
  static CGFloat minimumScaleFactor(NSObject* self, SEL) { return l(self)->minimumScaleFactor_; }
  static void setMinimumScaleFactor(NSObject* self, SEL, CGFloat factor) {
    l(self)->minimumScaleFactor_ = factor;
    l(self)->invalidateLayout(UILabel::Changed::Drawing);
  }
  static NSInteger baselineAdjustment(NSObject* self, SEL) { return l(self)->baselineAdjustment_; }
  static void setBaselineAdjustment(NSObject* self, SEL, NSInteger adjustment) {
    l(self)->baselineAdjustment_ = static_cast<UIBaselineAdjustment>(adjustment);
    l(self)->invalidateLayout(UILabel::Changed::Drawing);
  }
  static CGFloat preferredMaxLayoutWidth(NSObject* self, SEL) {
    return l(self)->preferredMaxLayoutWidth_;
  }
  static void setPreferredMaxLayoutWidth(NSObject* self, SEL, CGFloat width) {
    l(self)->preferredMaxLayoutWidth_ = width;
  }

  static CGRect textRectForBounds(NSObject* self, SEL, CGRect bounds, NSInteger lines) {
    UILabel* label = l(self);
    bounds = CGRectStandardize(bounds);
    CGRect r{bounds.origin, CGSizeZero};
    if (!std::isfinite(bounds.size.width) || !std::isfinite(bounds.size.height)) return r;
    r.size = label->measure(bounds.size.width, std::max<NSInteger>(lines, 0), bounds.size.height);
    if (bounds.size.width > 0) r.size.width = std::min(r.size.width, bounds.size.width);
    return r;
  }
  static CGSize sizeThatFits(NSObject* self, SEL, CGSize size) {
    UILabel* label = l(self);
    // A single line is as wide as its text, whatever width is offered.
    CGFloat width = label->numberOfLines_ == 1 ? 0 : size.width;
    return label->measure(std::isfinite(width) ? width : 0, label->numberOfLines_, 0);
  }
  static CGSize intrinsicContentSize(NSObject* self, SEL) {
    UILabel* label = l(self);
    CGFloat width = label->numberOfLines_ == 1 ? 0 : label->preferredMaxLayoutWidth_;
    return label->measure(std::isfinite(width) ? width : 0, label->numberOfLines_, 0);
  }
  static void drawRect(NSObject* self, SEL, CGRect) {
    objc_msgSend(self, OBJC_SEL("drawTextInRect:"), l(self)->bounds());
  }
  static void drawTextInRect(NSObject* self, SEL, CGRect rect);
  // An element when it has text to read, unless told otherwise.
  static BOOL isAccessibilityElement(NSObject* self, SEL) {
    UILabel* label = l(self);
    int setting = label->accessibilityElementSetting();
    if (setting >= 0) return setting == 1;
    auto text = label->text();
    return text && text->length() > 0;
  }
  // Read as its text unless a label was set.
  static Strong<NSString> accessibilityLabel(NSObject* self, SEL sel) {
    auto set = UIViewSendSuper<Strong<NSString>>(UILabel::super::class_(), self, sel);
    return set ? set : l(self)->text();
  }
};

OBJC_CLASS_IMPL(UILabel) {
  using M = UILabelMethods;
  class_addMethod(cls, OBJC_SEL("text"), objc::method<&M::text>());
  class_addMethod(cls, OBJC_SEL("setText:"), objc::method<&M::setText>());
  class_addMethod(cls, OBJC_SEL("attributedText"), objc::method<&M::attributedText>());
  class_addMethod(cls, OBJC_SEL("setAttributedText:"), objc::method<&M::setAttributedText>());
  class_addMethod(cls, OBJC_SEL("font"), objc::method<&M::font>());
  class_addMethod(cls, OBJC_SEL("setFont:"), objc::method<&M::setFont>());
  class_addMethod(cls, OBJC_SEL("textColor"), objc::method<&M::textColor>());
  class_addMethod(cls, OBJC_SEL("setTextColor:"), objc::method<&M::setTextColor>());
  class_addMethod(cls, OBJC_SEL("textAlignment"), objc::method<&M::textAlignment>());
  class_addMethod(cls, OBJC_SEL("setTextAlignment:"), objc::method<&M::setTextAlignment>());
  class_addMethod(cls, OBJC_SEL("numberOfLines"), objc::method<&M::numberOfLines>());
  class_addMethod(cls, OBJC_SEL("setNumberOfLines:"), objc::method<&M::setNumberOfLines>());
  class_addMethod(cls, OBJC_SEL("lineBreakMode"), objc::method<&M::lineBreakMode>());
  class_addMethod(cls, OBJC_SEL("setLineBreakMode:"), objc::method<&M::setLineBreakMode>());
  class_addMethod(cls, OBJC_SEL("isHighlighted"), objc::method<&M::isHighlighted>());
  class_addMethod(cls, OBJC_SEL("setHighlighted:"), objc::method<&M::setHighlighted>());
  class_addMethod(cls, OBJC_SEL("isEnabled"), objc::method<&M::isEnabled>());
  class_addMethod(cls, OBJC_SEL("setEnabled:"), objc::method<&M::setEnabled>());
  class_addMethod(cls, OBJC_SEL("highlightedTextColor"), objc::method<&M::highlightedTextColor>());
  class_addMethod(cls, OBJC_SEL("setHighlightedTextColor:"),
                  objc::method<&M::setHighlightedTextColor>());
  class_addMethod(cls, OBJC_SEL("shadowColor"), objc::method<&M::shadowColor>());
  class_addMethod(cls, OBJC_SEL("setShadowColor:"), objc::method<&M::setShadowColor>());
  class_addMethod(cls, OBJC_SEL("shadowOffset"), objc::method<&M::shadowOffset>());
  class_addMethod(cls, OBJC_SEL("setShadowOffset:"), objc::method<&M::setShadowOffset>());
  class_addMethod(cls, OBJC_SEL("adjustsFontSizeToFitWidth"),
                  objc::method<&M::adjustsFontSizeToFitWidth>());
  class_addMethod(cls, OBJC_SEL("setAdjustsFontSizeToFitWidth:"),
                  objc::method<&M::setAdjustsFontSizeToFitWidth>());
  class_addMethod(cls, OBJC_SEL("minimumScaleFactor"), objc::method<&M::minimumScaleFactor>());
  class_addMethod(cls, OBJC_SEL("setMinimumScaleFactor:"),
                  objc::method<&M::setMinimumScaleFactor>());
  class_addMethod(cls, OBJC_SEL("baselineAdjustment"), objc::method<&M::baselineAdjustment>());
  class_addMethod(cls, OBJC_SEL("setBaselineAdjustment:"),
                  objc::method<&M::setBaselineAdjustment>());
  class_addMethod(cls, OBJC_SEL("preferredMaxLayoutWidth"),
                  objc::method<&M::preferredMaxLayoutWidth>());
  class_addMethod(cls, OBJC_SEL("setPreferredMaxLayoutWidth:"),
                  objc::method<&M::setPreferredMaxLayoutWidth>());
  class_addMethod(cls, OBJC_SEL("textRectForBounds:limitedToNumberOfLines:"),
                  objc::method<&M::textRectForBounds>());
  class_addMethod(cls, OBJC_SEL("sizeThatFits:"), objc::method<&M::sizeThatFits>());
  class_addMethod(cls, OBJC_SEL("intrinsicContentSize"), objc::method<&M::intrinsicContentSize>());
  class_addMethod(cls, OBJC_SEL("drawRect:"), objc::method<&M::drawRect>());
  class_addMethod(cls, OBJC_SEL("drawTextInRect:"), objc::method<&M::drawTextInRect>());
  class_addMethod(cls, OBJC_SEL("accessibilityLabel"), objc::method<&M::accessibilityLabel>());
  class_addMethod(cls, OBJC_SEL("isAccessibilityElement"),
                  objc::method<&M::isAccessibilityElement>());
}

UILabel::UILabel() : UILabel(CGRectZero) {}

UILabel::UILabel(CGRect frame)
    : UIView(frame), font_(UIFont::systemFontOfSize(17)), textColor_(UIColor::blackColor()) {
  setUserInteractionEnabled(false);
  setOpaque(false);
  setContentMode(UIViewContentModeRedraw);
  // A screen reader reads a label as one piece of static text.
  setAccessibilityTraits(UIAccessibilityTraitStaticText);
}

UILabel::~UILabel() = default;

Strong<UILabel> UILabel::initWithFrame(CGRect frame) {
  return std::make_shared<UILabel>(frame);
}

// ---- properties through the runtime

Strong<NSString> UILabel::text() const {
  return retained(objc_msgSend<NSString*>(const_cast<UILabel*>(this), OBJC_SEL("text")));
}
void UILabel::setText(const Strong<NSString>& text) {
  objc_msgSend(this, OBJC_SEL("setText:"), static_cast<NSObject*>(text.get()));
}
Strong<NSAttributedString> UILabel::attributedText() const {
  return retained(
      objc_msgSend<NSAttributedString*>(const_cast<UILabel*>(this), OBJC_SEL("attributedText")));
}
void UILabel::setAttributedText(const Strong<NSAttributedString>& text) {
  objc_msgSend(this, OBJC_SEL("setAttributedText:"), text.get());
}
Strong<UIFont> UILabel::font() const {
  return retained(objc_msgSend<UIFont*>(const_cast<UILabel*>(this), OBJC_SEL("font")));
}
void UILabel::setFont(const Strong<UIFont>& font) {
  objc_msgSend(this, OBJC_SEL("setFont:"), font.get());
}
Strong<UIColor> UILabel::textColor() const {
  return retained(objc_msgSend<UIColor*>(const_cast<UILabel*>(this), OBJC_SEL("textColor")));
}
// A Core Text colour in the attributed text stands in for the text colour until the
// text colour is set again, even to the colour it already is.
bool UILabel::hasCoreTextColor() const {
  const auto& a = attributedText_;
  if (!a || a->length() == 0) return false;
  NSRange run{};
  if (a->attributeAtIndexEffectiveRange(kCTForegroundColorAttributeName, 0, &run)) return true;
  return NSMaxRange(run) < a->length();
}

void UILabel::setTextColor(const Strong<UIColor>& color) {
  objc_msgSend(this, OBJC_SEL("setTextColor:"), color.get());
}
NSTextAlignment UILabel::textAlignment() const {
  return validAlignment(
      objc_msgSend<NSInteger>(const_cast<UILabel*>(this), OBJC_SEL("textAlignment")));
}
void UILabel::setTextAlignment(NSTextAlignment alignment) {
  objc_msgSend(this, OBJC_SEL("setTextAlignment:"), NSInteger(alignment));
}
NSInteger UILabel::numberOfLines() const {
  return objc_msgSend<NSInteger>(const_cast<UILabel*>(this), OBJC_SEL("numberOfLines"));
}
void UILabel::setNumberOfLines(NSInteger lines) {
  objc_msgSend(this, OBJC_SEL("setNumberOfLines:"), lines);
}
NSLineBreakMode UILabel::lineBreakMode() const {
  return validMode(objc_msgSend<NSInteger>(const_cast<UILabel*>(this), OBJC_SEL("lineBreakMode")));
}
void UILabel::setLineBreakMode(NSLineBreakMode mode) {
  objc_msgSend(this, OBJC_SEL("setLineBreakMode:"), NSInteger(mode));
}
Strong<UIColor> UILabel::shadowColor() const {
  return retained(objc_msgSend<UIColor*>(const_cast<UILabel*>(this), OBJC_SEL("shadowColor")));
}
void UILabel::setShadowColor(const Strong<UIColor>& color) {
  objc_msgSend(this, OBJC_SEL("setShadowColor:"), color.get());
}
CGSize UILabel::shadowOffset() const {
  return objc_msgSend<CGSize>(const_cast<UILabel*>(this), OBJC_SEL("shadowOffset"));
}
void UILabel::setShadowOffset(CGSize offset) {
  objc_msgSend(this, OBJC_SEL("setShadowOffset:"), offset);
}
bool UILabel::isHighlighted() const {
  return objc_msgSend<BOOL>(const_cast<UILabel*>(this), OBJC_SEL("isHighlighted"));
}
void UILabel::setHighlighted(bool highlighted) {
  objc_msgSend(this, OBJC_SEL("setHighlighted:"), BOOL(highlighted));
}
Strong<UIColor> UILabel::highlightedTextColor() const {
  return retained(
      objc_msgSend<UIColor*>(const_cast<UILabel*>(this), OBJC_SEL("highlightedTextColor")));
}
void UILabel::setHighlightedTextColor(const Strong<UIColor>& color) {
  objc_msgSend(this, OBJC_SEL("setHighlightedTextColor:"), color.get());
}
bool UILabel::isEnabled() const {
  return objc_msgSend<BOOL>(const_cast<UILabel*>(this), OBJC_SEL("isEnabled"));
}
void UILabel::setEnabled(bool enabled) {
  objc_msgSend(this, OBJC_SEL("setEnabled:"), BOOL(enabled));
}
bool UILabel::adjustsFontSizeToFitWidth() const {
  return objc_msgSend<BOOL>(const_cast<UILabel*>(this), OBJC_SEL("adjustsFontSizeToFitWidth"));
}
void UILabel::setAdjustsFontSizeToFitWidth(bool adjusts) {
  objc_msgSend(this, OBJC_SEL("setAdjustsFontSizeToFitWidth:"), BOOL(adjusts));
}
CGFloat UILabel::minimumScaleFactor() const {
  return objc_msgSend<CGFloat>(const_cast<UILabel*>(this), OBJC_SEL("minimumScaleFactor"));
}
void UILabel::setMinimumScaleFactor(CGFloat factor) {
  objc_msgSend(this, OBJC_SEL("setMinimumScaleFactor:"), factor);
}
UIBaselineAdjustment UILabel::baselineAdjustment() const {
  NSInteger v = objc_msgSend<NSInteger>(const_cast<UILabel*>(this), OBJC_SEL("baselineAdjustment"));
  return v >= 0 && v <= 2 ? static_cast<UIBaselineAdjustment>(v)
                          : UIBaselineAdjustmentAlignBaselines;
}
void UILabel::setBaselineAdjustment(UIBaselineAdjustment adjustment) {
  objc_msgSend(this, OBJC_SEL("setBaselineAdjustment:"), NSInteger(adjustment));
}
CGFloat UILabel::preferredMaxLayoutWidth() const {
  return objc_msgSend<CGFloat>(const_cast<UILabel*>(this), OBJC_SEL("preferredMaxLayoutWidth"));
}
void UILabel::setPreferredMaxLayoutWidth(CGFloat width) {
  objc_msgSend(this, OBJC_SEL("setPreferredMaxLayoutWidth:"), width);
}
CGRect UILabel::textRectForBoundsLimitedToNumberOfLines(CGRect bounds, NSInteger numberOfLines) {
  return objc_msgSend<CGRect>(this, OBJC_SEL("textRectForBounds:limitedToNumberOfLines:"), bounds,
                              numberOfLines);
}
void UILabel::drawTextInRect(CGRect rect) {
  objc_msgSend(this, OBJC_SEL("drawTextInRect:"), rect);
}

// ---- content

void UILabel::rebuildFromText() {
  if (!text_) {
    attributedText_ = nullptr;
    return;
  }
  CTParagraphSettings s;
  s.alignment = NSTextAlignmentToCTTextAlignment(textAlignment_);
  s.lineBreakMode = static_cast<uint8_t>(lineBreakMode_);
  auto attrs = NSDictionary::dictionaryWithObjectsAndKeys(
      {{NSFontAttributeName, font_},
       {NSForegroundColorAttributeName, textColor_},
       {NSParagraphStyleAttributeName, std::make_shared<LabelParagraphStyle>(s)}});
  attributedText_ = std::make_shared<NSAttributedString>(text_, attrs);
}

void UILabel::applyToWholeText(const Strong<NSString>& key, const id& value) {
  if (attributedText_ && attributedText_->length() > 0) {
    auto m = attributedText_->mutableCopy();
    m->addAttributeValueRange(key, value, NSMakeRange(0, m->length()));
    attributedText_ = m->copy();
  }
  invalidateLayout(Changed::Content);
}

void UILabel::applyParagraph() {
  if (attributedText_ && attributedText_->length() > 0) {
    auto m = attributedText_->mutableCopy();
    attributedText_->enumerateAttributeInRangeOptionsUsingBlock(
        kCTParagraphStyleAttributeName, NSMakeRange(0, m->length()), 0,
        [&](const id& value, NSRange range, BOOL*) {
          auto old = objc_cast<CTParagraphStyle>(value);
          CTParagraphSettings s = old ? old->settings() : CTParagraphSettings{};
          s.alignment = NSTextAlignmentToCTTextAlignment(textAlignment_);
          s.lineBreakMode = static_cast<uint8_t>(lineBreakMode_);
          m->addAttributeValueRange(kCTParagraphStyleAttributeName,
                                    std::make_shared<LabelParagraphStyle>(s), range);
        });
    attributedText_ = m->copy();
  }
  invalidateLayout(Changed::Content);
}

void UILabel::invalidateLayout(Changed changed) {
  if (changed == Changed::Content) {
    layoutString_ = nullptr;
    framesetter_ = nullptr;
    measured_.clear();
  }
  drawn_ = nullptr;
  setNeedsDisplay();
}

// The attributed text with every paragraph wrapping: the framesetter lays out a
// truncating or clipping paragraph as one line, while a label wraps and then cuts only
// its last visible line.
Strong<NSAttributedString> UILabel::layoutString() {
  if (layoutString_ || !attributedText_ || attributedText_->length() == 0) return layoutString_;
  auto m = attributedText_->mutableCopy();
  attributedText_->enumerateAttributeInRangeOptionsUsingBlock(
      kCTParagraphStyleAttributeName, NSMakeRange(0, m->length()), 0,
      [&](const id& value, NSRange range, BOOL*) {
        auto old = objc_cast<CTParagraphStyle>(value);
        if (!old || old->settings().lineBreakMode <= kCTLineBreakByCharWrapping) return;
        CTParagraphSettings s = old->settings();
        s.lineBreakMode = kCTLineBreakByWordWrapping;
        m->addAttributeValueRange(kCTParagraphStyleAttributeName,
                                  std::make_shared<LabelParagraphStyle>(s), range);
      });
  layoutString_ = m->copy();
  framesetter_ = CTFramesetterCreateWithAttributedString(layoutString_);
  return layoutString_;
}

namespace {

// The lines of a label's text in a frame of the layout width, unbounded below.
struct FramedLines {
  CTFrameRef frame;
  CFArrayRef lines;
  std::vector<CGPoint> origins;  // Core Text's, y up from the frame's bottom

  size_t count() const { return origins.size(); }
  CTLineRef at(size_t i) const { return lines->objectAtIndexAs<CTLine>(i); }
  CGFloat baselineOf(size_t i) const { return kUnbounded - origins[i].y; }
  // The bottom of line i's descent, from the top of the text.
  CGFloat bottomOf(size_t i) const {
    CGFloat descent = 0;
    CTLineGetTypographicBounds(at(i), nullptr, &descent, nullptr);
    return baselineOf(i) + descent;
  }
};

FramedLines frameLines(const CTFramesetterRef& fs, CGFloat width) {
  FramedLines f;
  f.frame = CTFramesetterCreateFrame(
      fs, CFRangeMake(0, 0), CGPathCreateWithRect(CGRectMake(0, 0, width, kUnbounded), nullptr),
      nullptr);
  f.lines = CTFrameGetLines(f.frame);
  f.origins.resize(f.lines->count());
  if (!f.origins.empty()) CTFrameGetLineOrigins(f.frame, CFRangeMake(0, 0), f.origins.data());
  return f;
}

// How many lines show: no more than maxLines (0: no limit) and no more than fit
// maxHeight (0: no limit), but always the first.
size_t shownLineCount(const FramedLines& f, NSInteger maxLines, CGFloat maxHeight) {
  size_t n = f.count();
  if (maxLines > 0) n = std::min(n, static_cast<size_t>(maxLines));
  if (maxHeight > 0)
    while (n > 1 && f.bottomOf(n - 1) > maxHeight + 1e-6) --n;
  return n;
}

// Where the paragraph holding `start` ends: at its separator or the end of the text.
size_t paragraphEndFrom(const std::u16string& chars, size_t start) {
  size_t end = start;
  while (end < chars.size() && !isParagraphSeparator(chars[end])) ++end;
  return end;
}

// The paragraph with the token character put at its end, in the attributes of the
// character at `at`: what a last line is cut from when text beyond its paragraph is hidden.
CTLineRef paragraphWithTokenCharacter(const Strong<NSAttributedString>& string, size_t start,
                                      size_t paraEnd, NSUInteger at) {
  auto m = string->attributedSubstringFromRange(NSMakeRange(start, paraEnd - start))->mutableCopy();
  auto attrs = string->attributesAtIndexEffectiveRange(at, nullptr);
  m->appendAttributedString(std::make_shared<NSAttributedString>(
      NSString::stringWithCharacters(std::u16string_view(&kCTTruncationTokenCharacter, 1)), attrs));
  return CTLineCreateWithAttributedString(m);
}

// The paragraph `content` (from `start` to `paraEnd`) cut to `width` with the token, at
// the end when text beyond the paragraph is hidden, else where the mode puts it; the
// uncut line when even the token does not fit.
CTLineRef truncatedLastLine(const Strong<NSAttributedString>& string, const CTLineRef& content,
                            size_t start, size_t paraEnd, NSLineBreakMode mode, CGFloat width) {
  // Text beyond this paragraph is hidden, so the token goes at the end even when the
  // paragraph itself fits.
  bool forced = hasTextFrom(string->characters(), paraEnd);
  CTLineTruncationType type =
      forced ? kCTLineTruncationEnd
             : CTLineTruncationTypeForLineBreakMode(static_cast<CTLineBreakMode>(mode));
  NSUInteger at = CTTruncationTokenIndex(type, start, paraEnd);
  CTLineRef token = tokenLine(string, at);
  CTLineRef source = forced ? paragraphWithTokenCharacter(string, start, paraEnd, at) : content;
  if (!source) return content;
  CTLineRef shown = CTLineCreateTruncatedLine(source, width, type, token);
  if (!shown) shown = CTLineCreateTruncatedLine(source, width, type, nullptr);
  return shown ? shown : source;
}

// The last shown line of a text that does not all fit, for a clipping or truncating
// mode: its whole paragraph on one line, clipped or cut with the token. None for an
// empty paragraph.
CTLineRef lastLineAsShown(const Strong<NSAttributedString>& string, const CTFramesetterRef& fs,
                          size_t start, NSLineBreakMode mode, CGFloat width) {
  size_t paraEnd = paragraphEndFrom(string->characters(), start);
  CTLineRef content =
      paraEnd > start ? CTTypesetterCreateLine(CTFramesetterGetTypesetter(fs),
                                               CFRangeMake(static_cast<CFIndex>(start),
                                                           static_cast<CFIndex>(paraEnd - start)))
                      : nullptr;
  if (mode == NSLineBreakByClipping) return content;
  return truncatedLastLine(string, content, start, paraEnd, mode, width);
}

// The widest line without its trailing white space.
template <class Lines>
CGFloat widestLine(const Lines& lines) {
  CGFloat widest = 0;
  for (const auto& line : lines) {
    double w = CTLineGetTypographicBounds(line.line, nullptr, nullptr, nullptr) -
               CTLineGetTrailingWhitespaceWidth(line.line);
    widest = std::max(widest, w);
  }
  return widest;
}

}  // namespace

UILabel::Layout UILabel::layOut(const Strong<NSAttributedString>& string,
                                const CTFramesetterRef& fs, CGFloat width, NSInteger maxLines,
                                CGFloat maxHeight) const {
  Layout out;
  if (!string || string->length() == 0 || !fs) return out;
  CGFloat W = width > 0 ? std::min(width, kUnbounded) : kUnbounded;
  FramedLines framed = frameLines(fs, W);
  if (framed.count() == 0) return out;

  size_t n = shownLineCount(framed, maxLines, maxHeight);
  for (size_t i = 0; i < n; ++i)
    out.lines.push_back({framed.at(i), framed.origins[i].x, framed.baselineOf(i)});
  out.size.height = framed.bottomOf(n - 1);

  CFRange last = CTLineGetStringRange(out.lines.back().line);
  out.truncated =
      hasTextFrom(string->characters(), static_cast<size_t>(last.location + last.length));
  if (out.truncated && lineBreakMode_ >= NSLineBreakByClipping) {
    size_t start = static_cast<size_t>(last.location);
    if (CTLineRef shown = lastLineAsShown(string, fs, start, lineBreakMode_, W)) {
      Layout::Line& line = out.lines.back();
      line.line = shown;
      CGFloat factor = flushFactor(paragraphAt(string, start).alignment);
      if (factor > 0) line.x = CTLineGetPenOffsetForFlush(shown, factor, W);
    }
  }

  out.size.width = widestLine(out.lines);
  if (width > 0) out.size.width = std::min(out.size.width, width);
  return out;
}

CGSize UILabel::measure(CGFloat width, NSInteger maxLines, CGFloat maxHeight) {
  auto string = layoutString();
  if (!string) return CGSizeZero;
  CGFloat scale = screenScale();
  for (const Measured& m : measured_)
    if (m.width == width && m.maxLines == maxLines && m.maxHeight == maxHeight && m.scale == scale)
      return m.size;
  Layout l = layOut(string, framesetter_, width, maxLines, maxHeight);
  CGSize size = l.lines.empty() ? CGSizeZero
                                : CGSizeMake(ceilToPixel(l.size.width), ceilToPixel(l.size.height));
  if (measured_.size() == kMeasuredEntries) measured_.erase(measured_.begin());
  measured_.push_back({width, maxHeight, scale, maxLines, size});
  return size;
}

// ---- drawing

// The lines to paint in a rectangle of `size` whose text rectangle is `textHeight` high:
// the layout, shrunk to fit and recoloured for the highlight when those apply.
const UILabel::Drawn& UILabel::drawnLines(CGSize size, CGFloat textHeight) {
  CGFloat scale = screenScale();
  if (drawn_ && drawn_->answers(size, textHeight, scale)) return *drawn_;
  auto drawn = std::make_unique<Drawn>();
  drawn->size = size;
  drawn->textHeight = textHeight;
  drawn->scale = scale;
  Layout& layout = drawn->layout;
  Strong<NSAttributedString> string = layoutString();
  NSInteger lines = numberOfLines_;
  layout = layOut(string, framesetter_, size.width, lines, size.height);
  drawn->centre = (size.height - textHeight) / 2;
  if (!layout.lines.empty()) {
    CGFloat minScale = minimumScaleFactor_;
    if (adjustsFontSize_ && minScale > 0 && minScale < 1 && layout.truncated) {
      auto fitsAt = [&](CGFloat s, Layout* result) {
        auto scaled = withScaledFonts(string, s);
        Layout l = layOut(scaled, CTFramesetterCreateWithAttributedString(scaled), size.width,
                          lines, size.height);
        bool fits = !l.truncated;
        if (result) *result = std::move(l);
        return fits;
      };
      CGFloat lo = minScale, hi = 1;
      if (fitsAt(lo, nullptr)) {
        for (int i = 0; i < 10; ++i) {
          CGFloat mid = (lo + hi) / 2;
          (fitsAt(mid, nullptr) ? lo : hi) = mid;
        }
      }
      Layout shrunk;
      fitsAt(lo, &shrunk);
      string = withScaledFonts(string, lo);
      if (lines == 1 && baselineAdjustment_ == UIBaselineAdjustmentAlignBaselines)
        drawn->shift = layout.lines[0].baseline - shrunk.lines[0].baseline;
      else if (lines != 1 || baselineAdjustment_ == UIBaselineAdjustmentAlignCenters)
        drawn->centre = (size.height - ceilToPixel(shrunk.size.height)) / 2;
      layout = std::move(shrunk);
    }

    if (highlighted_ && highlightedTextColor_) {
      auto m = string->mutableCopy();
      m->addAttributeValueRange(kCTForegroundColorAttributeName, highlightedTextColor_->CGColor(),
                                NSMakeRange(0, m->length()));
      // Same glyphs, new colour: lay out again so the lines carry it.
      layout =
          layOut(m, CTFramesetterCreateWithAttributedString(m), size.width, lines, size.height);
    }
  }
  drawn_ = std::move(drawn);
  return *drawn_;
}

void UILabelMethods::drawTextInRect(NSObject* self, SEL, CGRect rect) {
  UILabel* label = l(self);
  CGContextRef ctx = UIGraphicsGetCurrentContext();
  rect = CGRectStandardize(rect);
  if (!ctx || CGRectIsNull(rect) || !(rect.size.width > 0) || !std::isfinite(rect.size.width) ||
      !std::isfinite(rect.size.height))
    return;
  if (!label->layoutString()) return;
  // Sent each time: a subclass's text rectangle may change without the label knowing.
  CGRect textRect = objc_msgSend<CGRect>(
      self, OBJC_SEL("textRectForBounds:limitedToNumberOfLines:"), rect, label->numberOfLines_);
  const UILabel::Drawn& drawn = label->drawnLines(rect.size, textRect.size.height);
  const UILabel::Layout& layout = drawn.layout;
  if (layout.lines.empty()) return;

  CGFloat top = roundToPixel(rect.origin.y + drawn.centre + drawn.shift);
  CGContextSaveGState(ctx);
  if (!label->enabled_) CGContextSetAlpha(ctx, 0.5);
  if (label->shadowColor_)
    CGContextSetShadowInUserSpace(ctx, label->shadowOffset_, 0, label->shadowColor_->CGColor());
  if (label->lineBreakMode_ == NSLineBreakByClipping) CGContextClipToRect(ctx, rect);
  // Text space is y-up: one flip for every line, and each line starts at its text
  // position, its baseline's origin in the flipped space.
  CGContextScaleCTM(ctx, 1, -1);
  CGContextSetTextMatrix(ctx, CGAffineTransformIdentity);
  for (const auto& line : layout.lines) {
    CGContextSetTextPosition(ctx, rect.origin.x + line.x, -(top + line.baseline));
    CTLineDraw(line.line, ctx);
  }
  CGContextRestoreGState(ctx);
}
