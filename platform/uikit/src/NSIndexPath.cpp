#include "UIKit/NSIndexPath.h"

#include <functional>

OBJC_CLASS_IMPL(NSIndexPath) {
  class_addMethod(cls, OBJC_SEL("row"), objc::imp<&NSIndexPath::row>(), "q@:");
  class_addMethod(cls, OBJC_SEL("section"), objc::imp<&NSIndexPath::section>(), "q@:");
}

BOOL NSIndexPath::isEqual(const NSObject* other) const {
  auto* p = objc_cast<NSIndexPath>(other);
  return p && p->row_ == row_ && p->section_ == section_;
}

std::size_t NSIndexPath::hash() const {
  return std::hash<NSInteger>()(section_) * 31 + std::hash<NSInteger>()(row_);
}

std::string NSIndexPath::description() const {
  return "<NSIndexPath: {" + std::to_string(section_) + ", " + std::to_string(row_) + "}>";
}
