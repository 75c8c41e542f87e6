#include "HeaderCell.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "Foundation/NSString.h"
#include "Preferences/PSAllocation.h"
#include "UIKit/UILabel.h"
#include "UIKit/UIScreen.h"

namespace {

void headerLayoutSubviews(NSObject* self, SEL cmd) {
  UIViewSendSuper<void>(HeaderCell::super::class_(), self, cmd);
  static_cast<HeaderCell*>(self)->layoutSubviews();
}

Strong<UILabel> makeLabel(CGRect frame, CGFloat size, const Strong<NSString>& text) {
  auto label = std::make_shared<UILabel>(frame);
  label->setNumberOfLines(1);
  label->setFont(UIFont::fontWithNameSize(NSSTR("HelveticaNeue-UltraLight"), size));
  label->setText(text);
  label->setBackgroundColor(UIColor::clearColor());
  label->setTextColor(UIColor::blackColor());
  label->setTextAlignment(NSTextAlignmentCenter);
  return label;
}

}  // namespace

OBJC_CLASS_IMPL(HeaderCell) {
  objc::registerAlloc<HeaderCell>(cls);
  class_addMethod(cls, OBJC_SEL("initWithSpecifier:"),
                  objc::method<&HeaderCell::initWithSpecifier>());
  class_addMethod(cls, OBJC_SEL("layoutSubviews"), objc::method<&headerLayoutSubviews>());
  class_addMethod(cls, OBJC_SEL("preferredHeightForWidth:inTableView:"),
                  objc::method<&HeaderCell::preferredHeightForWidthInTableView>());
}

int32_t HeaderCell::screenWidth() {
  double width = UIScreen::mainScreen()->bounds().size.width;
  if (std::isnan(width)) return 0;
  if (width >= static_cast<double>(std::numeric_limits<int32_t>::max())) {
    return std::numeric_limits<int32_t>::max();
  }
  if (width <= static_cast<double>(std::numeric_limits<int32_t>::min())) {
    return std::numeric_limits<int32_t>::min();
  }
  return static_cast<int32_t>(width);
}

id HeaderCell::initWithSpecifier(PSSpecifier* specifier) {
  id made = PSTableCell::sendInitWithStyleReuseIdentifierSpecifier(
      super::class_(), this, 0, NSSTR("headerCell").get(), specifier);
  if (!made) return nullptr;
  setBackgroundColor(UIColor::clearColor());
  CGFloat width = screenWidth();
  heading = makeLabel(CGRectMake(0, 0, width, 60), 48, NSSTR("Nimbra"));
  subtitle = makeLabel(CGRectMake(0, 35, width, 60), 16, NSSTR("By Varenko"));
  contentView()->addSubview(heading);
  contentView()->addSubview(subtitle);
  return made;
}

void HeaderCell::layoutSubviews() {
  CGFloat width = frame().size.width;
  if (heading) heading->setFrame(CGRectMake(0, 0, width, 60));
  if (subtitle) subtitle->setFrame(CGRectMake(0, 35, width, 60));
}
