// What the label's sources share and its clients do not see: the implementations
// behind the runtime table, the scan's detector slot, the label's lock and the helpers
// measurement and drawing have in common.
#pragma once

#include <algorithm>
#include <mutex>
#include <vector>

#include "TTTAttributedLabel.h"

class NSCoder;
class NSSet;
class UIEvent;

// The implementations registered for the label's overrides; each is defined in the
// source of its concern.
struct TTTAttributedLabelMethods {
  static TTTAttributedLabel* l(NSObject* self) { return static_cast<TTTAttributedLabel*>(self); }

  // model
  static id initWithFrame(NSObject* self, SEL, CGRect frame);
  static NSAttributedString* attributedText(NSObject* self, SEL);
  static void setAttributedText(NSObject* self, SEL, NSAttributedString* text);
  static UIColor* textColor(NSObject* self, SEL);
  static void setTextColor(NSObject* self, SEL, UIColor* color);
  static void setHighlighted(NSObject* self, SEL, BOOL highlighted);
  // text
  static void setText(NSObject* self, SEL, NSObject* text);
  // layout
  static CGRect textRectForBounds(NSObject* self, SEL, CGRect bounds, NSInteger numberOfLines);
  static CGSize sizeThatFits(NSObject* self, SEL, CGSize size);
  static CGSize intrinsicContentSize(NSObject* self, SEL);
  // drawing
  static void drawTextInRect(NSObject* self, SEL, CGRect rect);
  // touches
  static void touchesBegan(NSObject* self, SEL, NSSet* touches, UIEvent* event);
  static void touchesMoved(NSObject* self, SEL, NSSet* touches, UIEvent* event);
  static void touchesEnded(NSObject* self, SEL, NSSet* touches, UIEvent* event);
  static void touchesCancelled(NSObject* self, SEL, NSSet* touches, UIEvent* event);
  static UIView* hitTest(NSObject* self, SEL, CGPoint point, UIEvent* event);
  static void tintColorDidChange(NSObject* self, SEL);
  static BOOL canBecomeFirstResponder(NSObject* self, SEL);
  static BOOL canPerformActionWithSender(NSObject* self, SEL, SEL action, NSObject* sender);
  // accessibility
  static BOOL isAccessibilityElement(NSObject* self, SEL);
  static NSInteger accessibilityElementCount(NSObject* self, SEL);
  static Strong<NSObject> accessibilityElementAtIndex(NSObject* self, SEL, NSInteger index);
  static NSInteger indexOfAccessibilityElement(NSObject* self, SEL, NSObject* element);
  static void copy(NSObject* self, SEL, NSObject* sender);
  // archiving
  static void encodeWithCoder(NSObject* self, SEL, NSCoder* coder);
  static id initWithCoder(NSObject* self, SEL, NSCoder* coder);
};

// What the label shares with its scans: the data detector, and the newest text waiting
// for a scan. A queued scan takes whatever text waits when it starts, so texts set
// while it waits are scanned once, as the newest, instead of each in turn only to have
// all but the last dropped (or, for a string set twice, applied twice).
// A plain mutex guards both: it is held only to copy or swap a reference.
class TTTAttributedLabel::DetectorSlot {
 public:
  Strong<NSDataDetector> detector() const {
    std::lock_guard guard(lock_);
    return detector_;
  }
  void setDetector(Strong<NSDataDetector> detector) {
    std::lock_guard guard(lock_);
    detector_.swap(detector);
  }
  // Puts `text` in the waiting place and answers what was there.
  Strong<NSString> exchangeWaiting(Strong<NSString> text) {
    std::lock_guard guard(lock_);
    waiting_.swap(text);
    return text;
  }

 private:
  mutable std::mutex lock_;
  Strong<NSDataDetector> detector_;
  Strong<NSString> waiting_;
};

// The label's recursive per-object lock, held for a scope.
class TTTLabelLock {
 public:
  explicit TTTLabelLock(const NSObject* label) : label_(label) { objc_sync_enter(label_); }
  ~TTTLabelLock() { objc_sync_exit(label_); }
  TTTLabelLock(const TTTLabelLock&) = delete;
  TTTLabelLock& operator=(const TTTLabelLock&) = delete;

 private:
  const NSObject* label_;
};

// The part of `range` inside a text of `length` characters (empty when none is): what a
// link's range may style or hit.
inline NSRange TTTClippedToText(NSRange range, NSUInteger length) {
  NSUInteger start = std::min(range.location, length);
  NSUInteger end = range.length > length - start ? length : start + range.length;
  return NSMakeRange(start, end - start);
}

// The size `string` needs at the constraints' width within `numberOfLines` lines, each
// dimension rounded up; the constraint height is not used.
CGSize TTTSuggestedFrameSize(const CTFramesetterRef& framesetter,
                             const Strong<NSAttributedString>& string, CGSize size,
                             NSUInteger numberOfLines);

// The flush factor of each of a frame's lines (in string order): TTTAlignmentFlushFactor,
// except that natural alignment follows the direction of the line's paragraph in
// `string` (right to left: flush right).
std::vector<CGFloat> TTTLineFlushFactors(const CFArrayRef& lines, NSInteger textAlignment,
                                         const Strong<NSAttributedString>& string);

// A copy of `string` whose fonts are `scale` times their size, floored (at least 1).
Strong<NSAttributedString> TTTAttributedStringWithScaledFonts(
    const Strong<NSAttributedString>& string, CGFloat scale);
