// Accessibility: what a screen reader asks of objects. Every object answers these through
// the runtime's method table (the defaults live on NSObject, so a class of any kind
// overrides them by registering its own; UIViewSendSuper reaches the superclass's):
//   "isAccessibilityElement"         () -> BOOL               NO
//   "accessibilityLabel"             () -> Strong<NSString>   none
//   "accessibilityHint"              () -> Strong<NSString>   none
//   "accessibilityValue"             () -> Strong<NSString>   none
//   "accessibilityTraits"            () -> uint64_t           UIAccessibilityTraitNone
//   "accessibilityFrame"             () -> CGRect             CGRectZero; in screen points
//   "accessibilityActivationPoint"   () -> CGPoint            the frame's centre; where a
//                                                             screen reader activates it
//   "accessibilityElementCount"      () -> NSInteger          0: not a container
//   "accessibilityElementAtIndex:"   (NSInteger) -> Strong<NSObject>  none
//   "indexOfAccessibilityElement:"   (NSObject*) -> NSInteger          NSNotFound
// A container answers NO to isAccessibilityElement and lists its elements with the last
// three; a screen reader reads an element and does not look inside it, reads a
// container's elements in its order, and otherwise looks at a view's subviews, top to
// bottom and then left to right on the screen. Views (UIView.h) keep what is set on them;
// UILabel is an element when it has text, labelled by that text, with the static-text
// trait; UISwitch is a button whose value is "1" or "0".
#pragma once

#include <string>
#include <vector>

#include "Foundation/NSObjCRuntime.h"
#include "UIKit/UIGeometry.h"
#include "UIKit/UIKitExport.h"

class NSString;

using UIAccessibilityTraits = uint64_t;

// The device's bit values.
NIMBRA_UIKIT_API extern const UIAccessibilityTraits UIAccessibilityTraitNone;                // 0
NIMBRA_UIKIT_API extern const UIAccessibilityTraits UIAccessibilityTraitButton;              // 1
NIMBRA_UIKIT_API extern const UIAccessibilityTraits UIAccessibilityTraitLink;                // 2
NIMBRA_UIKIT_API extern const UIAccessibilityTraits UIAccessibilityTraitImage;               // 4
NIMBRA_UIKIT_API extern const UIAccessibilityTraits UIAccessibilityTraitSelected;            // 8
NIMBRA_UIKIT_API extern const UIAccessibilityTraits UIAccessibilityTraitPlaysSound;          // 16
NIMBRA_UIKIT_API extern const UIAccessibilityTraits UIAccessibilityTraitKeyboardKey;         // 32
NIMBRA_UIKIT_API extern const UIAccessibilityTraits UIAccessibilityTraitStaticText;          // 64
NIMBRA_UIKIT_API extern const UIAccessibilityTraits UIAccessibilityTraitSummaryElement;      // 128
NIMBRA_UIKIT_API extern const UIAccessibilityTraits UIAccessibilityTraitNotEnabled;          // 256
NIMBRA_UIKIT_API extern const UIAccessibilityTraits UIAccessibilityTraitUpdatesFrequently;   // 512
NIMBRA_UIKIT_API extern const UIAccessibilityTraits UIAccessibilityTraitSearchField;         // 1024
NIMBRA_UIKIT_API extern const UIAccessibilityTraits UIAccessibilityTraitStartsMediaSession;  // 2048
NIMBRA_UIKIT_API extern const UIAccessibilityTraits UIAccessibilityTraitAdjustable;          // 4096
NIMBRA_UIKIT_API extern const UIAccessibilityTraits
    UIAccessibilityTraitAllowsDirectInteraction;                                         // 8192
NIMBRA_UIKIT_API extern const UIAccessibilityTraits UIAccessibilityTraitCausesPageTurn;  // 16384
NIMBRA_UIKIT_API extern const UIAccessibilityTraits UIAccessibilityTraitHeader;          // 65536

// The traits' names joined by "|" ("none" for 0), unknown bits in hexadecimal.
NIMBRA_UIKIT_API std::string UIAccessibilityTraitsDescription(UIAccessibilityTraits traits);

// Our extension: the elements a screen reader visits under `root`, in its order. Hidden
// and fully transparent views and their subviews are passed over.
NIMBRA_UIKIT_API std::vector<id> UIAccessibilityElementsInOrder(NSObject* root);

// An element that is not a view: a part of a view (a link in a label) that a screen reader
// reads on its own. Its container is not owned; the frame is in screen coordinates, set
// by whoever makes the element (convert from the container's view to its window).
class NIMBRA_UIKIT_API UIAccessibilityElement : public NSObject {
  OBJC_CLASS(UIAccessibilityElement, NSObject)

 public:
  UIAccessibilityElement() = default;
  static Strong<UIAccessibilityElement> initWithAccessibilityContainer(const id& container);

  id accessibilityContainer() const { return container_.lock(); }
  void setAccessibilityContainer(const id& container) { container_ = container; }

  // YES by default.
  bool isAccessibilityElement() const { return element_; }
  void setIsAccessibilityElement(bool element) { element_ = element; }
  Strong<NSString> accessibilityLabel() const { return label_; }
  void setAccessibilityLabel(const Strong<NSString>& label) { label_ = label; }
  Strong<NSString> accessibilityHint() const { return hint_; }
  void setAccessibilityHint(const Strong<NSString>& hint) { hint_ = hint; }
  Strong<NSString> accessibilityValue() const { return value_; }
  void setAccessibilityValue(const Strong<NSString>& value) { value_ = value; }
  UIAccessibilityTraits accessibilityTraits() const { return traits_; }
  void setAccessibilityTraits(UIAccessibilityTraits traits) { traits_ = traits; }
  CGRect accessibilityFrame() const { return frame_; }
  void setAccessibilityFrame(CGRect frame) { frame_ = frame; }
  // In screen coordinates; the frame's centre until one is set.
  CGPoint accessibilityActivationPoint() const;
  void setAccessibilityActivationPoint(CGPoint point) {
    activationPoint_ = point;
    hasActivationPoint_ = true;
  }

 private:
  Weak<NSObject> container_;
  bool element_ = true;
  Strong<NSString> label_, hint_, value_;
  UIAccessibilityTraits traits_ = 0;
  CGRect frame_{};
  CGPoint activationPoint_{};
  bool hasActivationPoint_ = false;
};
