#include "NimbraListController.h"

#include "Foundation/NSArray.h"
#include "Foundation/NSString.h"
#include "Foundation/NSURL.h"
#include "NimbraLinks.h"
#include "Preferences/PSAllocation.h"
#include "UIKit/UIAppearance.h"
#include "UIKit/UIApplication.h"
#include "UIKit/UIColor.h"
#include "UIKit/UISegmentedControl.h"
#include "UIKit/UISlider.h"
#include "UIKit/UISwitch.h"

namespace {

// Borrowed: the controller keeps its specifiers.
NSArray* sendSpecifiers(NSObject* self, SEL) {
  return static_cast<NimbraListController*>(self)->specifiers().get();
}

Strong<UIColor> tint() {
  return UIColor::colorWithRedGreenBlueAlpha(0.85, 0, 0, 1);
}

void open(const char* url) {
  UIApplication::sharedApplication()->openURL(NSURL::URLWithString(std::string(url)).get());
}

}  // namespace

OBJC_CLASS_IMPL(NimbraListController) {
  objc::registerAlloc<NimbraListController>(cls);
  class_addMethod(cls, OBJC_SEL("specifiers"), objc::method<&sendSpecifiers>());
  class_addMethod(cls, OBJC_SEL("openTwitter"), objc::method<&NimbraListController::openTwitter>());
  class_addMethod(cls, OBJC_SEL("openDonate"), objc::method<&NimbraListController::openDonate>());
  class_addMethod(cls, OBJC_SEL("openWebsite"), objc::method<&NimbraListController::openWebsite>());
}

Strong<NSArray> NimbraListController::specifiers() {
  if (!_specifiers) {
    _specifiers =
        objc_msgSend<Strong<NSArray>>(this, OBJC_SEL("loadSpecifiersFromPlistName:target:"),
                                      NSSTR("Nimbra").get(), static_cast<NSObject*>(this));
  }
  Class mine = getClass();
  UISwitch::appearanceWhenContainedIn(mine)->setTintColor(tint());
  UISwitch::appearanceWhenContainedIn(mine)->setOnTintColor(tint());
  UISegmentedControl::appearanceWhenContainedIn(mine)->setTintColor(tint());
  UISlider::appearanceWhenContainedIn(mine)->setTintColor(tint());
  return _specifiers;
}

void NimbraListController::openTwitter() {
  open(nimbra::kTwitterURL);
}
void NimbraListController::openDonate() {
  open(nimbra::kDonateURL);
}
void NimbraListController::openWebsite() {
  open(nimbra::kWebsiteURL);
}
