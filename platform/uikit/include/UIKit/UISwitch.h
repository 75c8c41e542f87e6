// An on/off switch. Its colours come from the switch itself, else from its appearance
// proxies, else the defaults.
#pragma once

#include "UIKit/UIControl.h"
#include "UIKit/UIKitExport.h"

class UIColor;
class UIAppearance;

class NIMBRA_UIKIT_API UISwitch : public UIControl {
  OBJC_CLASS(UISwitch, UIControl)

 public:
  static constexpr CGFloat kWidth = 51;
  static constexpr CGFloat kHeight = 31;

  UISwitch();

  static Strong<UIAppearance> appearance();
  static Strong<UIAppearance> appearanceWhenContainedIn(Class container);

  BOOL isOn() const { return on_; }
  void setOn(BOOL on);
  void setOnAnimated(BOOL on, BOOL animated) { setOn(on); }
  // A user's tap: flips the switch and sends the value-changed actions.
  void toggle();

  // Explicit colour, else appearance, else none (the default is drawn).
  Strong<UIColor> tintColor() const;
  void setTintColor(const Strong<UIColor>& color) { tint_ = color; }
  Strong<UIColor> onTintColor() const;
  void setOnTintColor(const Strong<UIColor>& color) { onTint_ = color; }

  void layoutSubviews();

 private:
  BOOL on_ = NO;
  Strong<UIColor> tint_;
  Strong<UIColor> onTint_;
  Strong<UIView> knob_;
};
