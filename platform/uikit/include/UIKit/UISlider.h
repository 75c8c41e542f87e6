// A slider over a range of values. A finger down on the thumb or the track moves the thumb
// there and drags it while it moves, sending value-changed actions as the value changes.
// Screen readers read it as adjustable with its value.
#pragma once

#include "UIKit/UIControl.h"
#include "UIKit/UIKitExport.h"

class UIColor;
class UIAppearance;

class NIMBRA_UIKIT_API UISlider : public UIControl {
  OBJC_CLASS(UISlider, UIControl)

 public:
  UISlider();

  static Strong<UIAppearance> appearance();
  static Strong<UIAppearance> appearanceWhenContainedIn(Class container);

  float value() const { return value_; }
  // Clamped into [minimumValue, maximumValue]; a value that is not a number gives the
  // minimum.
  void setValue(float value);
  void setValueAnimated(float value, BOOL animated) { setValue(value); }
  float minimumValue() const { return min_; }
  float maximumValue() const { return max_; }
  // Moving one end past the other drags it along; the value is clamped again.
  void setMinimumValue(float v);
  void setMaximumValue(float v);
  // A user's drag to `value`: sets it and sends the value-changed actions.
  void slideTo(float value);
  // The value under the point `x` (the slider's own points) of the track: the ends past
  // the track's ends.
  float valueAtX(CGFloat x) const;
  // A finger at `x`: slides there when that changes the value.
  void trackTo(CGFloat x);
  // An assistive technology's increment (+1) or decrement (-1): a tenth of the range.
  void accessibilityStep(int direction);

  Strong<UIColor> tintColor() const;
  void setTintColor(const Strong<UIColor>& color) { tint_ = color; }

  void layoutSubviews();

 private:
  float value_ = 0;
  float min_ = 0;
  float max_ = 1;
  Strong<UIColor> tint_;
  Strong<UIView> track_;
  Strong<UIView> fill_;
  Strong<UIView> thumb_;
};
