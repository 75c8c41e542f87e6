// Colours. Grey colours keep a grey space (their CGColor has two components) but answer
// RGB questions with (w, w, w). Equality compares the RGBA components.
#pragma once

#include "CoreGraphics/CGColor.h"
#include "UIKit/UIKitExport.h"
#include "objc/NSObject.h"

class NIMBRA_UIKIT_API UIColor : public NSObject {
  OBJC_CLASS(UIColor, NSObject)
 public:
  UIColor(CGFloat r, CGFloat g, CGFloat b, CGFloat a, bool gray);
  explicit UIColor(const CGColorRef& color);

  static Strong<UIColor> colorWithRedGreenBlueAlpha(CGFloat r, CGFloat g, CGFloat b, CGFloat a);
  static Strong<UIColor> colorWithWhiteAlpha(CGFloat white, CGFloat alpha);
  static Strong<UIColor> colorWithHueSaturationBrightnessAlpha(CGFloat h, CGFloat s, CGFloat b,
                                                               CGFloat a);
  // None for none.
  static Strong<UIColor> colorWithCGColor(const CGColorRef& color);

  // The predefined colours are made once and shared, as colours never change.
  static const Strong<UIColor>& blackColor();
  static const Strong<UIColor>& darkGrayColor();
  static const Strong<UIColor>& lightGrayColor();
  static const Strong<UIColor>& whiteColor();
  static const Strong<UIColor>& grayColor();
  static const Strong<UIColor>& redColor();
  static const Strong<UIColor>& greenColor();
  static const Strong<UIColor>& blueColor();
  static const Strong<UIColor>& cyanColor();
  static const Strong<UIColor>& yellowColor();
  static const Strong<UIColor>& magentaColor();
  static const Strong<UIColor>& orangeColor();
  static const Strong<UIColor>& purpleColor();
  static const Strong<UIColor>& brownColor();
  static const Strong<UIColor>& clearColor();

  const CGColorRef& CGColor() const { return cgColor_; }
  // Always succeeds here (every colour has RGB components); nulls are skipped.
  bool getRedGreenBlueAlpha(CGFloat* r, CGFloat* g, CGFloat* b, CGFloat* a) const;
  // Only for grey colours; NO (and nothing written) otherwise.
  bool getWhiteAlpha(CGFloat* white, CGFloat* alpha) const;
  bool getHueSaturationBrightnessAlpha(CGFloat* h, CGFloat* s, CGFloat* b, CGFloat* a) const;
  Strong<UIColor> colorWithAlphaComponent(CGFloat alpha) const;
  CGFloat alpha() const { return a_; }

  // Fill and stroke colour of the current UIKit context.
  void set() const;
  void setFill() const;
  void setStroke() const;

  using NSObject::isEqual;
  BOOL isEqual(const NSObject* other) const override;
  std::size_t hash() const override;
  std::string description() const override;

 private:
  CGFloat r_, g_, b_, a_;
  bool gray_;
  CGColorRef cgColor_;
};
