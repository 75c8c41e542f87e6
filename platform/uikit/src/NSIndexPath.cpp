// UIKit's additions to Foundation's index path, in the runtime table.
#include "UIKit/NSIndexPath.h"

namespace {

bool registerRowAndSection() {
  Class cls = NSIndexPath::class_();
  class_addMethod(cls, OBJC_SEL("row"), objc::method<&NSIndexPath::row>());
  class_addMethod(cls, OBJC_SEL("section"), objc::method<&NSIndexPath::section>());
  return true;
}

[[maybe_unused]] const bool rowAndSectionRegistered = registerRowAndSection();

}  // namespace
