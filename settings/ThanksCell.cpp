#include "ThanksCell.h"

#include "Foundation/NSArray.h"
#include "Foundation/NSLog.h"
#include "Foundation/NSString.h"
#include "Foundation/NSURL.h"
#include "HeaderCell.h"
#include "NimbraLinks.h"
#include "Preferences/PSAllocation.h"
#include "UIKit/UIApplication.h"
#include "UIKit/UILabel.h"

OBJC_CLASS_IMPL(ThanksCell) {
  PSRegisterAlloc<ThanksCell>(cls);
  class_addMethod(cls, OBJC_SEL("initWithSpecifier:"), objc::imp<&ThanksCell::initWithSpecifier>(),
                  "@@:@");
  class_addMethod(cls, OBJC_SEL("attributedLabel:didSelectLinkWithURL:"),
                  objc::imp<&ThanksCell::attributedLabelDidSelectLinkWithURL>(), "v@:@@");
  class_addMethod(cls, OBJC_SEL("preferredHeightForWidth:inTableView:"),
                  objc::imp<&ThanksCell::preferredHeightForWidthInTableView>(), "d@:d@");
}

id ThanksCell::initWithSpecifier(PSSpecifier* specifier) {
  id made = PSTableCell::sendInitWithStyleReuseIdentifierSpecifier(
      super::class_(), this, 0, NSSTR("thanksCell").get(), specifier);
  if (!made) return nullptr;
  setBackgroundColor(UIColor::whiteColor());
  // Whole numbers, as the width is cut before the margin is taken off.
  int64_t width = static_cast<int64_t>(HeaderCell::screenWidth()) - 10;
  mainLabel = std::make_shared<UILabel>(CGRectMake(10, 0, static_cast<CGFloat>(width), 60));
  mainLabel->setNumberOfLines(0);
  mainLabel->setLineBreakMode(NSLineBreakByWordWrapping);
  mainLabel->setFont(UIFont::systemFontOfSize(14));
  mainLabel->setText(
      NSString::stringWithFormat("Special thanks to @%@ for the icon!", NSSTR(kHandle)));
  mainLabel->setTextColor(UIColor::blackColor());
  contentView()->addSubview(mainLabel);
  return made;
}

void ThanksCell::attributedLabelDidSelectLinkWithURL(NSObject*, NSURL* url) {
  auto host = url ? url->host() : nullptr;
  if (!host || !host->hasPrefix(NSSTR("twitter-"))) return;
  auto pieces = host->componentsSeparatedByString(NSSTR("-"));
  auto handle = objc_cast<NSString>(pieces->objectAtIndex(1));
  NSLog("[%@] %@", NSSTR("Nimbra"), NSString::stringWithFormat("Opening url for %@...", handle));
  UIApplication::sharedApplication()->openURL(NSURL::URLWithString(
      NSString::stringWithFormat("http://%s/%@", nimbra::kSocialNetworkHost, handle)));
}

CGFloat ThanksCell::preferredHeightForWidthInTableView(CGFloat, UITableView*) {
  return mainLabel ? mainLabel->frame().size.height : 60;
}
