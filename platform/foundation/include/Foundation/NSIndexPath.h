// A path of indexes into nested collections; UIKit's tables read one of two as a
// section (index 0) and a row (index 1).
//
// In an archive: {"NSIndexPathLength": n}, and with one index "NSIndexPathValue", with
// several "NSIndexPathData", a data object of packed numbers (PackedIntegers.h), one per
// index. An archive whose data does not hold exactly its length of indexes is refused.
#pragma once

#include <vector>

#include "Foundation/FoundationExport.h"
#include "Foundation/NSObjCRuntime.h"

class NIMBRA_FOUNDATION_API NSIndexPath : public NSObject {
  OBJC_CLASS(NSIndexPath, NSObject)

 public:
  NSIndexPath() = default;
  explicit NSIndexPath(std::vector<NSUInteger> indexes) : indexes_(std::move(indexes)) {}
  static Strong<NSIndexPath> indexPathWithIndex(NSUInteger index);
  static Strong<NSIndexPath> indexPathWithIndexesLength(const NSUInteger* indexes,
                                                        NSUInteger length);
  Strong<NSIndexPath> indexPathByAddingIndex(NSUInteger index) const;

  NSUInteger length() const { return indexes_.size(); }
  // NSNotFound past the end.
  NSUInteger indexAtPosition(NSUInteger position) const;
  const std::vector<NSUInteger>& indexes() const { return indexes_; }

  // UIKit's additions (its runtime methods "row" and "section" are registered there).
  static Strong<NSIndexPath> indexPathForRowInSection(NSInteger row, NSInteger section) {
    return std::make_shared<NSIndexPath>(
        std::vector<NSUInteger>{static_cast<NSUInteger>(section), static_cast<NSUInteger>(row)});
  }
  NSInteger section() const { return static_cast<NSInteger>(indexAtPosition(0)); }
  NSInteger row() const { return static_cast<NSInteger>(indexAtPosition(1)); }

  BOOL isEqual(const NSObject* other) const override;
  using NSObject::isEqual;
  std::size_t hash() const override;
  // "<NSIndexPath: {0, 3}>"
  std::string description() const override;

 private:
  friend struct NSIndexPathCoding;
  std::vector<NSUInteger> indexes_;
};
