#include "ThanksCell.h"

#include "CoreText/CTFont.h"
#include "Foundation/NSArray.h"
#include "Foundation/NSLog.h"
#include "Foundation/NSString.h"
#include "Foundation/NSURL.h"
#include "HeaderCell.h"
#include "NimbraLinks.h"
#include "Preferences/PSAllocation.h"
#include "TTTAttributedLabel.h"
#include "UIKit/NSAttributedStringKeys.h"
#include "UIKit/UIApplication.h"

namespace {

constexpr CGFloat kFontSize = 14;
constexpr CGFloat kRowHeight = 60;

// Sets the handle (found without regard to case) in the bold system font, as a Core Text
// font, and black.
Strong<NSMutableAttributedString> emboldenHandle(const Strong<NSMutableAttributedString>& text) {
  NSRange handle =
      text->string()->rangeOfStringOptions(NSSTR(ThanksCell::kHandle), NSCaseInsensitiveSearch);
  if (handle.location == static_cast<NSUInteger>(NSNotFound)) return text;
  Strong<UIFont> bold = UIFont::boldSystemFontOfSize(kFontSize);
  CTFontRef font = CTFontCreateWithName(bold->fontName(), bold->pointSize(), nullptr);
  if (font) {
    text->addAttributeValueRange(NSFontAttributeName, font, handle);
    text->addAttributeValueRange(NSForegroundColorAttributeName, UIColor::blackColor(), handle);
  }
  return text;
}

}  // namespace

OBJC_CLASS_IMPL(ThanksCell) {
  objc::registerAlloc<ThanksCell>(cls);
  class_addMethod(cls, OBJC_SEL("initWithSpecifier:"),
                  objc::method<&ThanksCell::initWithSpecifier>());
  class_addMethod(cls, OBJC_SEL("attributedLabel:didSelectLinkWithURL:"),
                  objc::method<&ThanksCell::attributedLabelDidSelectLinkWithURL>());
  class_addMethod(cls, OBJC_SEL("preferredHeightForWidth:inTableView:"),
                  objc::method<&ThanksCell::preferredHeightForWidthInTableView>());
}

id ThanksCell::initWithSpecifier(PSSpecifier* specifier) {
  id made = PSTableCell::sendInitWithStyleReuseIdentifierSpecifier(
      super::class_(), this, 0, NSSTR("thanksCell").get(), specifier);
  if (!made) return nullptr;
  setBackgroundColor(UIColor::whiteColor());
  // Whole numbers, as the width is cut before the margin is taken off.
  int64_t width = static_cast<int64_t>(HeaderCell::screenWidth()) - 10;
  CGRect frame = CGRectMake(10, 0, static_cast<CGFloat>(width), kRowHeight);
  id allocated = PSAllocInstance(objc_getClass("TTTAttributedLabel"));
  mainLabel = objc_cast<TTTAttributedLabel>(
      allocated ? objc_msgSend<id>(allocated, OBJC_SEL("initWithFrame:"), frame) : nullptr);
  if (!mainLabel) return made;

  mainLabel->setNumberOfLines(0);
  mainLabel->setLineBreakMode(NSLineBreakByWordWrapping);
  mainLabel->setFont(UIFont::systemFontOfSize(kFontSize));
  mainLabel->setTextAfterInheritingLabelAttributesAndConfiguringWithBlock(
      NSString::stringWithFormat("Special thanks to @%@ for the icon!", NSSTR(kHandle)),
      emboldenHandle);
  mainLabel->setTextColor(UIColor::blackColor());
  mainLabel->setDelegate(retainedSelf());
  NSRange handle = mainLabel->text()->rangeOfString(NSSTR(kHandle));
  mainLabel->addLinkToURLWithRange(
      NSURL::URLWithString(NSString::stringWithFormat("action://twitter-%@", NSSTR(kHandle))),
      handle);
  contentView()->addSubview(mainLabel);
  return made;
}

void ThanksCell::attributedLabelDidSelectLinkWithURL(NSObject*, NSURL* url) {
  auto host = url ? url->host() : nullptr;
  if (!host || !host->hasPrefix(NSSTR("twitter-"))) return;
  // The prefix holds a "-", so there are always at least two pieces.
  auto pieces = host->componentsSeparatedByString(NSSTR("-"));
  auto handle = objc_cast<NSString>(pieces->objectAtIndex(1));
  NSLog("[%@] %@", NSSTR("Nimbra"), NSString::stringWithFormat("Opening url for %@...", handle));
  UIApplication::sharedApplication()->openURL(
      NSURL::URLWithString(
          NSString::stringWithFormat("http://%s/%@", nimbra::kSocialNetworkHost, handle))
          .get());
}

CGFloat ThanksCell::preferredHeightForWidthInTableView(CGFloat, UITableView*) {
  return mainLabel ? mainLabel->frame().size.height : kRowHeight;
}
