// A row in a section of a table.
#pragma once

#include "Foundation/NSObjCRuntime.h"

class NSIndexPath : public NSObject {
  OBJC_CLASS(NSIndexPath, NSObject)

 public:
  NSIndexPath(NSInteger row, NSInteger section) : row_(row), section_(section) {}
  static Strong<NSIndexPath> indexPathForRowInSection(NSInteger row, NSInteger section) {
    return std::make_shared<NSIndexPath>(row, section);
  }

  NSInteger row() const { return row_; }
  NSInteger section() const { return section_; }

  BOOL isEqual(const NSObject* other) const override;
  std::size_t hash() const override;
  std::string description() const override;

 private:
  NSInteger row_;
  NSInteger section_;
};
