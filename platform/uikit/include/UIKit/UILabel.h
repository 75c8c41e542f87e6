// The label view: a read-only run of text, plain or attributed, laid out and drawn with
// Core Text.
//
// The plain properties (text, font, colour, alignment, line break mode) and the
// attributed text are two views of one content: setting text builds the attributed text
// from the properties; setting attributed text replaces the text and takes the style
// properties from its first character; setting a style property applies it to the whole
// attributed text.
//
// These go through the runtime's method table, so a subclass registering its own
// implementation overrides them and can call the label's with UIViewSendSuper:
//   "text", "setText:", "attributedText", "setAttributedText:", "font", "setFont:",
//   "textColor", "setTextColor:", "textAlignment", "setTextAlignment:", "numberOfLines",
//   "setNumberOfLines:", "lineBreakMode", "setLineBreakMode:", "isHighlighted",
//   "setHighlighted:", "isEnabled", "setEnabled:", "highlightedTextColor",
//   "setHighlightedTextColor:", "shadowColor", "setShadowColor:", "shadowOffset",
//   "setShadowOffset:", "adjustsFontSizeToFitWidth", "setAdjustsFontSizeToFitWidth:",
//   "minimumScaleFactor", "setMinimumScaleFactor:", "baselineAdjustment",
//   "setBaselineAdjustment:", "preferredMaxLayoutWidth", "setPreferredMaxLayoutWidth:",
//   "textRectForBounds:limitedToNumberOfLines:", "drawTextInRect:", "drawRect:",
//   "sizeThatFits:", "intrinsicContentSize".
// Implementations take and return raw pointers for objects: setText: is (NSObject*) (a
// string; an attributed string gives its characters; anything else clears the text),
// setAttributedText: (NSAttributedString*), setFont: (UIFont*), setTextColor:,
// setHighlightedTextColor: and setShadowColor: (UIColor*); text returns NSString*,
// attributedText NSAttributedString*, font UIFont*, the colours UIColor*, all borrowed;
// textRectForBounds:limitedToNumberOfLines: is (CGRect, NSInteger) -> CGRect; drawTextInRect:
// (CGRect); setHighlighted:, setEnabled: and setAdjustsFontSizeToFitWidth: (BOOL); setShadowOffset:
// (CGSize); setMinimumScaleFactor: and setPreferredMaxLayoutWidth: (CGFloat); the enumerations
// travel as NSInteger.
//
// Layout: lines wrap at words (at characters in char-wrapping mode) up to numberOfLines
// (0: no limit) and as many as the height allows (at least one); when text remains, the
// last visible line is truncated with "…" by the line break mode (clipping mode shows the
// rest of that paragraph, clipped). Sizes are rounded up to the main screen's pixel. A
// block of text shorter than the rectangle it is drawn in is centred vertically.
#pragma once

#include <memory>
#include <vector>

#include "CoreText/CTFramesetter.h"
#include "Foundation/NSAttributedString.h"
#include "UIKit/NSParagraphStyle.h"
#include "UIKit/UIFont.h"
#include "UIKit/UIKitExport.h"
#include "UIKit/UIView.h"

enum UIBaselineAdjustment : NSInteger {
  UIBaselineAdjustmentAlignBaselines = 0,
  UIBaselineAdjustmentAlignCenters = 1,
  UIBaselineAdjustmentNone = 2,
};

class NIMBRA_UIKIT_API UILabel : public UIView {
  OBJC_CLASS(UILabel, UIView)
 public:
  UILabel();
  explicit UILabel(CGRect frame);
  ~UILabel() override;

  static Strong<UILabel> initWithFrame(CGRect frame);

  // None until set. Setting none clears the attributed text too.
  Strong<NSString> text() const;
  void setText(const Strong<NSString>& text);
  Strong<NSAttributedString> attributedText() const;
  void setAttributedText(const Strong<NSAttributedString>& text);

  // The system font of size 17 by default; none restores it.
  Strong<UIFont> font() const;
  void setFont(const Strong<UIFont>& font);
  // Black by default; none restores it.
  Strong<UIColor> textColor() const;
  void setTextColor(const Strong<UIColor>& color);
  // Values outside the enumeration count as natural.
  NSTextAlignment textAlignment() const;
  void setTextAlignment(NSTextAlignment alignment);
  // Default 1; 0 means no limit; negative values count as 0.
  NSInteger numberOfLines() const;
  void setNumberOfLines(NSInteger lines);
  // Default truncating tail; values outside the enumeration count as that default.
  NSLineBreakMode lineBreakMode() const;
  void setLineBreakMode(NSLineBreakMode mode);

  // Drawn under the text, offset in the label's (y-down) space, without blur.
  Strong<UIColor> shadowColor() const;
  void setShadowColor(const Strong<UIColor>& color);
  CGSize shadowOffset() const;  // default (0, -1): one point up
  void setShadowOffset(CGSize offset);

  bool isHighlighted() const;
  bool highlighted() const { return isHighlighted(); }
  void setHighlighted(bool highlighted);
  // Used for the whole text while highlighted; none keeps the normal colours.
  Strong<UIColor> highlightedTextColor() const;
  void setHighlightedTextColor(const Strong<UIColor>& color);
  // A disabled label draws its text at half opacity.
  bool isEnabled() const;
  bool enabled() const { return isEnabled(); }
  void setEnabled(bool enabled);

  // Shrinks the fonts while drawing, down to minimumScaleFactor × their size, until the
  // text fits the width (one line) or the line limit and height (several lines).
  // A factor of 0 (the default) or outside (0, 1] means no shrinking.
  bool adjustsFontSizeToFitWidth() const;
  void setAdjustsFontSizeToFitWidth(bool adjusts);
  CGFloat minimumScaleFactor() const;
  void setMinimumScaleFactor(CGFloat factor);
  // Where a shrunk single line sits: on the unshrunk baseline, centred, or at the top.
  UIBaselineAdjustment baselineAdjustment() const;
  void setBaselineAdjustment(UIBaselineAdjustment adjustment);
  // The wrap width of the intrinsic size of a multi-line label; 0 means none.
  CGFloat preferredMaxLayoutWidth() const;
  void setPreferredMaxLayoutWidth(CGFloat width);

  // The rectangle the text needs inside `bounds`: at the bounds' origin, no wider than
  // them, at most `numberOfLines` lines (0: no limit) and as many as fit the height.
  CGRect textRectForBoundsLimitedToNumberOfLines(CGRect bounds, NSInteger numberOfLines);
  // Draws into the current UIKit context.
  void drawTextInRect(CGRect rect);

 private:
  friend struct UILabelMethods;
  friend struct UILabelCoding;
  struct Layout;
  struct Drawn;
  // Which inputs of the caches below changed: the content (the attributed text, and so the
  // text, font, colours, alignment and line break mode) or only what drawing adds to it.
  enum class Changed { Content, Drawing };
  void rebuildFromText();
  bool hasCoreTextColor() const;
  void applyToWholeText(const Strong<NSString>& key, const id& value);
  void applyParagraph();
  // The one place the caches are dropped; every setter of one of their inputs calls it.
  void invalidateLayout(Changed changed);
  Strong<NSAttributedString> layoutString();
  Layout layOut(const Strong<NSAttributedString>& string, const CTFramesetterRef& fs, CGFloat width,
                NSInteger maxLines, CGFloat maxHeight) const;
  CGSize measure(CGFloat width, NSInteger maxLines, CGFloat maxHeight);
  const Drawn& drawnLines(CGSize size, CGFloat textHeight);

  Strong<NSString> text_;
  Strong<NSAttributedString> attributedText_;
  Strong<UIFont> font_;
  Strong<UIColor> textColor_;
  NSTextAlignment textAlignment_ = NSTextAlignmentNatural;
  NSInteger numberOfLines_ = 1;
  NSLineBreakMode lineBreakMode_ = NSLineBreakByTruncatingTail;
  Strong<UIColor> shadowColor_;
  CGSize shadowOffset_{0, -1};
  bool highlighted_ = false;
  Strong<UIColor> highlightedTextColor_;
  bool enabled_ = true;
  bool adjustsFontSize_ = false;
  CGFloat minimumScaleFactor_ = 0;
  UIBaselineAdjustment baselineAdjustment_ = UIBaselineAdjustmentAlignBaselines;
  CGFloat preferredMaxLayoutWidth_ = 0;

  // Caches, all dropped by invalidateLayout.
  // The wrap-ready copy of the attributed text and its typesetting: derived from the
  // content; dropped when it changes.
  Strong<NSAttributedString> layoutString_;
  CTFramesetterRef framesetter_;
  // Sizes measure() answered: derived from the content, keyed by its arguments (width, line
  // limit, height) and the screen scale they are rounded to; dropped when the content
  // changes. A few entries, as a draw's text rectangle and sizeThatFits alternate.
  struct Measured {
    CGFloat width, maxHeight, scale;
    NSInteger maxLines;
    CGSize size;
  };
  std::vector<Measured> measured_;
  // What drawTextInRect: last painted (the lines, shrunk and recoloured as needed, and
  // where they start): derived from the content, numberOfLines, adjustsFontSizeToFitWidth,
  // minimumScaleFactor, baselineAdjustment, highlighted and highlightedTextColor, keyed by
  // the drawn rectangle's size, the text rectangle's height and the screen scale; dropped
  // when any of those properties or the content changes.
  std::unique_ptr<Drawn> drawn_;
};
