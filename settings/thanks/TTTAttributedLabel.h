// The rich text label: a UILabel that keeps its content as an attributed string,
// derives text attributes from its own properties, turns ranges of its text into links
// (added by the caller, or found in the background by a data detector), and lays out
// and draws with Core Text: text insets, vertical alignment, last-line truncation with a
// token, background boxes and strike-outs on marked runs, font shrinking.
//
// One class over several sources, one per concern:
//   TTTAttributedLabelModel.cpp    properties and defaults, inherited attributes, the
//                                  rendered text, registration and the class-load step
//   TTTAttributedLabelText.cpp     text setters, link adders, background link detection
//   TTTAttributedLabelLayout.cpp   framesetter cache, measurement, text rectangle, hit
//                                  testing, character bounds
//   TTTAttributedLabelDrawing.cpp  drawing: shrinking, shadows, highlight colour,
//                                  truncation, background boxes, strike-outs
//   TTTAttributedLabelTouches.cpp  links under the finger: the pressed-link highlight,
//                                  touches, hit-testing, tint, the delegate's report
//   TTTAttributedLabelAccessibility.cpp  the label as a container of link elements; Copy
//   TTTAttributedLabelArchiving.cpp      keyed archiving of the label's own settings
//
// The class is registered with the runtime as "TTTAttributedLabel" (with an "alloc"
// factory, so hosts can make one by name) and overrides these of the label through its
// method table: "initWithFrame:", "attributedText", "setAttributedText:", "text" (the
// base's), "setText:", "textColor", "setTextColor:", "setHighlighted:",
// "textRectForBounds:limitedToNumberOfLines:", "sizeThatFits:", "intrinsicContentSize",
// "drawTextInRect:", the four touch methods, "hitTest:withEvent:", "tintColorDidChange",
// "canBecomeFirstResponder", "canPerformAction:withSender:", "copy:", the four
// accessibility container methods, "encodeWithCoder:" and "initWithCoder:". The UILabel members
// that send those (setText, attributedText, sizeThatFits, drawTextInRect, ...) therefore reach the
// label's versions. The base label never sees the attributed text, only its plain string.
//
// Every method runs on the main thread, except the link scan, which runs on the global
// queue and hands its matches back to the main queue.
#pragma once

#include <atomic>
#include <memory>
#include <vector>

#include "CoreText/CoreText.h"
#include "Foundation/NSArray.h"
#include "Foundation/NSAttributedString.h"
#include "Foundation/NSDataDetector.h"
#include "Foundation/NSDate.h"
#include "Foundation/NSTextCheckingResult.h"
#include "Foundation/NSTimeZone.h"
#include "Foundation/NSURL.h"
#include "UIKit/UIGeometry.h"
#include "UIKit/UILabel.h"

// The label's numbering of text alignment and line break modes (the platform's).
inline constexpr NSInteger TTTTextAlignmentLeft = NSTextAlignmentLeft;
inline constexpr NSInteger TTTTextAlignmentCenter = NSTextAlignmentCenter;
inline constexpr NSInteger TTTTextAlignmentRight = NSTextAlignmentRight;
inline constexpr NSInteger TTTTextAlignmentJustified = NSTextAlignmentJustified;
inline constexpr NSInteger TTTTextAlignmentNatural = NSTextAlignmentNatural;
inline constexpr NSInteger TTTLineBreakByWordWrapping = NSLineBreakByWordWrapping;
inline constexpr NSInteger TTTLineBreakByCharWrapping = NSLineBreakByCharWrapping;
inline constexpr NSInteger TTTLineBreakByClipping = NSLineBreakByClipping;
inline constexpr NSInteger TTTLineBreakByTruncatingHead = NSLineBreakByTruncatingHead;
inline constexpr NSInteger TTTLineBreakByTruncatingTail = NSLineBreakByTruncatingTail;
inline constexpr NSInteger TTTLineBreakByTruncatingMiddle = NSLineBreakByTruncatingMiddle;

// Vertical placement of the text block inside the text insets.
enum TTTAttributedLabelVerticalAlignment : NSInteger {
  TTTAttributedLabelVerticalAlignmentCenter = 0,
  TTTAttributedLabelVerticalAlignmentTop = 1,
  TTTAttributedLabelVerticalAlignmentBottom = 2,
};

// Stands for an unlimited width or height handed to Core Text.
inline constexpr CGFloat TTTUnboundedDimension = 100000;
// Factor on the measured width of wrapping multi-line text before fonts shrink (π / e).
inline constexpr CGFloat TTTWordWrapWidthFactor = 1.1557273497909217;

// Attribute keys a client puts on runs of the text; the label only reads them.
// A value answering a true boolValue draws a line through the run.
extern const Strong<NSString> kTTTStrikeOutAttributeName;  // "TTTStrikeOutAttribute"
// A CGColor filling the run's box.
extern const Strong<NSString> kTTTBackgroundFillColorAttributeName;  // "TTTBackgroundFillColor"
// A boxed UIEdgeInsets (NSValueWithUIEdgeInsets) growing the run's box; absent: zeros.
extern const Strong<NSString> kTTTBackgroundFillPaddingAttributeName;  // "TTTBackgroundFillPadding"
// A CGColor stroking the box's outline.
extern const Strong<NSString> kTTTBackgroundStrokeColorAttributeName;  // "TTTBackgroundStrokeColor"
// A number (read in single precision) shrinking the box on every side; not the stroke
// width.
extern const Strong<NSString> kTTTBackgroundLineWidthAttributeName;  // "TTTBackgroundLineWidth"
// A number (read in single precision), the box's corner radius.
extern const Strong<NSString>
    kTTTBackgroundCornerRadiusAttributeName;  // "TTTBackgroundCornerRadius"

// The flush factor of a label text alignment: 0.5 centre, 1 right, 0 for the others.
CGFloat TTTAlignmentFlushFactor(NSInteger textAlignment);

// TTTAttributedLabelDelegate: what the label asks of its delegate when a finger lifts
// from a pressed link. Every method is optional, found with respondsToSelector:, and
// takes the label first (NSObject*), then the link's payload as a raw pointer:
//   "attributedLabel:didSelectLinkWithURL:"                     (NSURL*)
//   "attributedLabel:didSelectLinkWithAddress:"                 (NSDictionary* components)
//   "attributedLabel:didSelectLinkWithPhoneNumber:"             (NSString*)
//   "attributedLabel:didSelectLinkWithDate:"                    (NSDate*)
//   "attributedLabel:didSelectLinkWithDate:timeZone:duration:"  (NSDate*, NSTimeZone*, double)
//   "attributedLabel:didSelectLinkWithTransitInformation:"      (NSDictionary* components)
//   "attributedLabel:didSelectLinkWithTextCheckingResult:"      (NSTextCheckingResult*)
// A tap reaches at most one of them: the one for the link's kind (a date with a zone
// prefers the zone method), else the text-checking-result method. The label never opens
// a link itself.

class TTTAttributedLabel : public UILabel {
  OBJC_CLASS(TTTAttributedLabel, UILabel)
 public:
  TTTAttributedLabel();
  explicit TTTAttributedLabel(CGRect frame);
  ~TTTAttributedLabel() override;

  static Strong<TTTAttributedLabel> initWithFrame(CGRect frame);

  // The defaults every initialiser starts from.
  void commonInit();

  // ---- model (TTTAttributedLabelModel.cpp)

  // Receives link taps; not kept alive by the label.
  Strong<NSObject> delegate() const { return _delegate.lock(); }
  void setDelegate(const Strong<NSObject>& delegate) { _delegate = delegate; }

  // Kinds of links the data detector looks for in each new text (0: none). Setting a
  // mask makes the detector; it takes effect at the next setText.
  NSTextCheckingTypes enabledTextCheckingTypes() const { return _enabledTextCheckingTypes; }
  void setEnabledTextCheckingTypes(NSTextCheckingTypes types);
  NSTextCheckingTypes dataDetectorTypes() const { return enabledTextCheckingTypes(); }
  void setDataDetectorTypes(NSTextCheckingTypes types) { setEnabledTextCheckingTypes(types); }
  // Made by setEnabledTextCheckingTypes; readable from the scan's thread.
  Strong<NSDataDetector> dataDetector() const;
  void setDataDetector(const Strong<NSDataDetector>& detector);

  // Every link of the current text, in the order added. Setting drops the accessibility
  // elements.
  Strong<NSArray> links() const { return _links; }
  void setLinks(const Strong<NSArray>& links);

  // Put on a link's range when it is added; on the pressed link; in place of the link
  // attributes while the tint is dimmed.
  Strong<NSDictionary> linkAttributes() const { return _linkAttributes; }
  void setLinkAttributes(const Strong<NSDictionary>& a) { _linkAttributes = a; }
  Strong<NSDictionary> activeLinkAttributes() const { return _activeLinkAttributes; }
  void setActiveLinkAttributes(const Strong<NSDictionary>& a) { _activeLinkAttributes = a; }
  Strong<NSDictionary> inactiveLinkAttributes() const { return _inactiveLinkAttributes; }
  void setInactiveLinkAttributes(const Strong<NSDictionary>& a) { _inactiveLinkAttributes = a; }

  // Text shadow: the base label's colour and offset with this blur when not
  // highlighted, the highlighted trio when highlighted.
  CGFloat shadowRadius() const { return _shadowRadius; }
  void setShadowRadius(CGFloat r) { _shadowRadius = r; }
  CGFloat highlightedShadowRadius() const { return _highlightedShadowRadius; }
  void setHighlightedShadowRadius(CGFloat r) { _highlightedShadowRadius = r; }
  CGSize highlightedShadowOffset() const { return _highlightedShadowOffset; }
  void setHighlightedShadowOffset(CGSize o) { _highlightedShadowOffset = o; }
  Strong<UIColor> highlightedShadowColor() const { return _highlightedShadowColor; }
  void setHighlightedShadowColor(const Strong<UIColor>& c) { _highlightedShadowColor = c; }

  // Inherited into plain text by setText (see inheritedLabelAttributes); changing them
  // does not restyle text already set.
  CGFloat kern() const { return _kern; }
  void setKern(CGFloat k) { _kern = k; }
  CGFloat firstLineIndent() const { return _firstLineIndent; }
  void setFirstLineIndent(CGFloat i) { _firstLineIndent = i; }
  CGFloat leading() const { return lineSpacing(); }  // a second name of lineSpacing
  void setLeading(CGFloat l) { setLineSpacing(l); }
  CGFloat lineSpacing() const { return _lineSpacing; }
  void setLineSpacing(CGFloat s) { _lineSpacing = s; }
  // 0: the font's line height × lineHeightMultiple.
  CGFloat minimumLineHeight() const { return _minimumLineHeight; }
  void setMinimumLineHeight(CGFloat h) { _minimumLineHeight = h; }
  CGFloat maximumLineHeight() const { return _maximumLineHeight; }
  void setMaximumLineHeight(CGFloat h) { _maximumLineHeight = h; }
  CGFloat lineHeightMultiple() const { return _lineHeightMultiple; }
  void setLineHeightMultiple(CGFloat m) { _lineHeightMultiple = m; }

  UIEdgeInsets textInsets() const { return _textInsets; }
  void setTextInsets(UIEdgeInsets insets) { _textInsets = insets; }
  // A TTTAttributedLabelVerticalAlignment; other values place the text at the top.
  NSInteger verticalAlignment() const { return _verticalAlignment; }
  void setVerticalAlignment(NSInteger a) { _verticalAlignment = a; }

  // Drawn where a truncated last line is cut; none: "…" with the cut text's attributes.
  Strong<NSString> truncationTokenString() const { return _truncationTokenString; }
  void setTruncationTokenString(const Strong<NSString>& s) { _truncationTokenString = s; }
  Strong<NSDictionary> truncationTokenStringAttributes() const {
    return _truncationTokenStringAttributes;
  }
  void setTruncationTokenStringAttributes(const Strong<NSDictionary>& a) {
    _truncationTokenStringAttributes = a;
  }

  // The label's content, kept as an immutable copy. An equal text changes nothing;
  // another one marks the framesetter stale and redraws. Links stay as they are.
  // (attributedText itself is the base's member, answered by the label's override.)
  void setAttributedText(const Strong<NSAttributedString>& text);
  // The content before the pressed link's attributes went on.
  Strong<NSAttributedString> inactiveAttributedText() const { return _inactiveAttributedText; }
  void setInactiveAttributedText(const Strong<NSAttributedString>& t);
  // The content as laid out and drawn: attributedText with every run carrying
  // kCTForegroundColorFromContextAttributeName reduced to the label's textColor.
  Strong<NSAttributedString> renderedAttributedText();
  void setRenderedAttributedText(const Strong<NSAttributedString>& t);
  // Drops the rendered text and marks the framesetter stale.
  void setNeedsFramesetter();

  // The attributes the label gives plain text: font, foreground colour, kern and a
  // paragraph style built from the label's properties, anew at each call.
  Strong<NSDictionary> inheritedLabelAttributes();

  // The link under the finger (TTTAttributedLabelTouches.cpp). Setting a link shows it
  // with activeLinkAttributes over the text saved as inactiveAttributedText, at once;
  // setting none (or any link while activeLinkAttributes is empty) puts the saved text
  // back. A link whose range is empty or runs past the text is not highlighted.
  Strong<NSTextCheckingResult> activeLink() const { return _activeLink; }
  void setActiveLink(const Strong<NSTextCheckingResult>& link);

  // The accessibility elements (TTTAttributedLabelAccessibility.cpp): one per link whose
  // text lies (at least in part) inside the label's text, with the link trait, that
  // text as label and, when it says something else, the date, URL or phone number as
  // value; then one for the whole label. Built under the label's lock at the first
  // request and kept until setLinks, whatever else changes.
  Strong<NSArray> accessibilityElements();
  void setAccessibilityElements(const Strong<NSArray>& elements);

  // ---- text and links (TTTAttributedLabelText.cpp)

  // None, a string or an attributed string; anything else is a caller error reported
  // through the assertion handler. A string inherits the label's attributes; an
  // attributed string keeps its own. Either way the links start over, runs carrying
  // NSLinkAttributeName become links, and detection (when on) scans the new text.
  void setText(const id& text);
  // `text`, a string or attributed string, with inheritedLabelAttributes over all of it
  // (replacing its own font, colour, kern and paragraph style); `block`, when given,
  // may change or replace that string before it goes to setText.
  using ConfiguringBlock =
      std::function<Strong<NSMutableAttributedString>(const Strong<NSMutableAttributedString>&)>;
  void setTextAfterInheritingLabelAttributesAndConfiguringWithBlock(const id& text,
                                                                    const ConfiguringBlock& block);

  // Appends links; with attributes, puts them over each link's range first. Ranges
  // reaching past the text are clipped to it for the attributes (an empty or wholly
  // outside range styles nothing); the links themselves are kept as given.
  void addLinksWithTextCheckingResultsAttributes(const Strong<NSArray>& results,
                                                 const Strong<NSDictionary>& attributes);
  void addLinkWithTextCheckingResultAttributes(const Strong<NSTextCheckingResult>& result,
                                               const Strong<NSDictionary>& attributes);
  void addLinkWithTextCheckingResult(const Strong<NSTextCheckingResult>& result);
  void addLinkToURLWithRange(const Strong<NSURL>& url, NSRange range);
  void addLinkToAddressWithRange(const Strong<NSDictionary>& components, NSRange range);
  void addLinkToPhoneNumberWithRange(const Strong<NSString>& phoneNumber, NSRange range);
  void addLinkToDateWithRange(const Strong<NSDate>& date, NSRange range);
  void addLinkToDateTimeZoneDurationWithRange(const Strong<NSDate>& date,
                                              const Strong<NSTimeZone>& timeZone,
                                              NSTimeInterval duration, NSRange range);
  void addLinkToTransitInformationWithRange(const Strong<NSDictionary>& components, NSRange range);

  // ---- links under the finger (TTTAttributedLabelTouches.cpp)

  // The last added link whose range holds `index` (compared unsigned, so a negative
  // index or NSNotFound matches none), or none.
  Strong<NSTextCheckingResult> linkAtCharacterIndex(NSInteger index) const;
  // The link of the character under `point` in the label; none off the glyphs.
  Strong<NSTextCheckingResult> linkAtPoint(CGPoint point);
  // Tells the delegate of a tap on `link` through the one method its kind calls for, or
  // else the text-checking-result method; nothing when the delegate answers neither.
  // A lifted finger calls it after the highlight is gone.
  void notifyDelegateOfSelectedLink(const Strong<NSTextCheckingResult>& link);

  // ---- layout and measurement (TTTAttributedLabelLayout.cpp)

  // The framesetter of renderedAttributedText, rebuilt under the label's lock when
  // stale; borrowed (the label keeps it). None before any text.
  CTFramesetterRef framesetter();
  void setFramesetter(const CTFramesetterRef& fs) { _framesetter = fs; }
  // The framesetter of the highlighted-colour text, made by drawing.
  CTFramesetterRef highlightFramesetter() const { return _highlightFramesetter; }
  void setHighlightFramesetter(const CTFramesetterRef& fs) { _highlightFramesetter = fs; }

  // Size of `string` at the constraints' width (height unused) within `lines` lines
  // (0: no limit; 1: one line at its natural width); whole points. (0, 0) for none.
  static CGSize sizeThatFitsAttributedStringWithConstraintsLimitedToNumberOfLines(
      const Strong<NSAttributedString>& string, CGSize size, NSUInteger numberOfLines);
  // The character under a point in the label, NSNotFound when none is.
  NSInteger characterIndexAtPoint(CGPoint p);
  // The rectangle of a range of characters, laid out in the label's bounds size (text
  // insets and vertical placement not applied).
  CGRect boundingRectForCharacterRange(NSRange range);
  // Where a range of characters is drawn in the label: one rectangle per line it spans
  // (insets and vertical placement applied, as drawing and characterIndexAtPoint place
  // the text), left to right within a line; empty when none of it is drawn.
  std::vector<CGRect> drawnRectsForCharacterRange(NSRange range);

  // ---- drawing (TTTAttributedLabelDrawing.cpp)

  // Boxes, lines (the last one truncated when text is left over), then strike-outs, of
  // `textRange` of `string` in `rect` of a flipped (y-up) context.
  void drawFramesetterAttributedStringTextRangeInRectContext(
      const CTFramesetterRef& framesetter, const Strong<NSAttributedString>& string,
      CFRange textRange, CGRect rect, const CGContextRef& c);
  void drawBackgroundInRectContext(const CTFrameRef& frame, CGRect rect, const CGContextRef& c);
  void drawStrikeInRectContext(const CTFrameRef& frame, CGRect rect, const CGContextRef& c);

  // The class-load step: below Core Foundation 847.2 the four accessibility container
  // methods of `cls` give way to its superclass's. Run once per process from the
  // class's registration; exposed with the version for tests.
  static void load();
  static void replaceAccessibilityMethodsBelowVersion(Class cls, double coreFoundationVersion);

 private:
  friend struct TTTAttributedLabelMethods;
  class DetectorSlot;
  struct HitTestLayout;
  const HitTestLayout& hitTestLayout(CGRect bounds);
  void detectLinksInText(const Strong<NSAttributedString>& text);
  // The part of the plain text a link covers; none when the link starts past its end.
  Strong<NSString> linkText(NSRange range) const;
  // A link element's frame in the label's coordinates, and where activating it lands.
  struct LinkPlace {
    CGRect frame;
    CGPoint activationPoint;
  };
  LinkPlace linkPlace(NSRange range);
  void drawTruncatedLine(const CTLineRef& line, const Strong<NSAttributedString>& string,
                         CGFloat flush, CGRect rect, CGFloat y, CGFloat descent,
                         NSInteger numberOfLines, const CGContextRef& c);

  Weak<NSObject> _delegate;
  NSTextCheckingTypes _enabledTextCheckingTypes = 0;
  Strong<NSArray> _links;
  Strong<NSDictionary> _linkAttributes;
  Strong<NSDictionary> _activeLinkAttributes;
  Strong<NSDictionary> _inactiveLinkAttributes;
  CGFloat _shadowRadius = 0;
  CGFloat _highlightedShadowRadius = 0;
  CGSize _highlightedShadowOffset{0, 0};
  Strong<UIColor> _highlightedShadowColor;
  CGFloat _kern = 0;
  CGFloat _firstLineIndent = 0;
  CGFloat _lineSpacing = 0;
  CGFloat _minimumLineHeight = 0;
  CGFloat _maximumLineHeight = 0;
  CGFloat _lineHeightMultiple = 1.0;
  UIEdgeInsets _textInsets{};
  NSInteger _verticalAlignment = TTTAttributedLabelVerticalAlignmentCenter;
  Strong<NSString> _truncationTokenString;
  Strong<NSDictionary> _truncationTokenStringAttributes;
  Strong<NSAttributedString> _attributedText;
  Strong<NSAttributedString> _inactiveAttributedText;
  Strong<NSTextCheckingResult> _activeLink;

  // The detector, shared with scans in flight: a scan reads it on its own thread while
  // setEnabledTextCheckingTypes may replace it, and never needs the label itself to do
  // so (so the label is never released off the main thread).
  std::shared_ptr<DetectorSlot> _dataDetector;

  // Caches. Each is derived from the inputs named and dropped only where stated.
  //
  // renderedAttributedText: from _attributedText and textColor; dropped by
  // setNeedsFramesetter (a changed text or a new colour object).
  Strong<NSAttributedString> _renderedAttributedText;
  // _framesetter: from renderedAttributedText; stale while _needsFramesetter, rebuilt
  // by framesetter() under the label's lock.
  CTFramesetterRef _framesetter;
  // _highlightFramesetter: from renderedAttributedText in highlightedTextColor; made by
  // a highlighted draw, dropped by every rebuild of _framesetter.
  CTFramesetterRef _highlightFramesetter;
  bool _needsFramesetter = false;
  // accessibilityElements: from links (and their frames at build time); dropped by
  // every setLinks.
  Strong<NSArray> _accessibilityElements;
  // _hitTestLayout: the text rectangle, lines and line metrics characterIndexAtPoint
  // reads, from the framesetter, bounds, insets, vertical alignment, font size, text
  // alignment and line limit it records; rebuilt by the first hit test after any of
  // them differs, so it is never dropped and never stale.
  std::shared_ptr<HitTestLayout> _hitTestLayout;
};
