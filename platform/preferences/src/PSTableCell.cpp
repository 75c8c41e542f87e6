#include "Preferences/PSTableCell.h"

#include "Foundation/NSString.h"
#include "Preferences/PSAllocation.h"
#include "Preferences/PSSpecifier.h"
#include "UIKit/UILabel.h"

namespace {

id cellInit(NSObject* self, SEL, NSInteger style, NSString* reuseIdentifier,
            PSSpecifier* specifier) {
  return static_cast<PSTableCell*>(self)->initWithStyleReuseIdentifierSpecifier(
      style, reuseIdentifier ? reuseIdentifier->retainedSelf<NSString>() : nullptr,
      specifier ? specifier->retainedSelf<PSSpecifier>() : nullptr);
}

}  // namespace

OBJC_CLASS_IMPL(PSTableCell) {
  objc::registerAlloc<PSTableCell>(cls);
  class_addMethod(cls, OBJC_SEL("initWithStyle:reuseIdentifier:specifier:"),
                  objc::method<&cellInit>());
}

Strong<PSTableCell> PSTableCell::initWithStyleReuseIdentifierSpecifier(
    NSInteger style, const Strong<NSString>& reuseIdentifier,
    const Strong<PSSpecifier>& specifier) {
  initWithStyleReuseIdentifier(style, reuseIdentifier);
  specifier_ = specifier;
  if (specifier && specifier->name()) textLabel()->setText(specifier->name());
  return retainedSelf<PSTableCell>();
}

id PSTableCell::sendInitWithStyleReuseIdentifierSpecifier(Class from, NSObject* cell,
                                                          NSInteger style,
                                                          NSString* reuseIdentifier,
                                                          PSSpecifier* specifier) {
  return UIViewSendSuper<id>(from, cell, OBJC_SEL("initWithStyle:reuseIdentifier:specifier:"),
                             style, reuseIdentifier, specifier);
}
