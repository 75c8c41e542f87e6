// Sets of unsigned integers below NSNotFound, kept as ascending, separate ranges (two
// ranges that touch are one).
//
// In an archive: {"NSRangeCount": n}, and with one range "NSLocation" and "NSLength",
// with several "NSRangeData", a data object of packed numbers (PackedIntegers.h), each
// range's location then length. Archives whose ranges overlap, run backwards, are empty,
// reach NSNotFound or do not match their count are refused.
#pragma once

#include <vector>

#include "Foundation/FoundationExport.h"
#include "Foundation/NSObjCRuntime.h"
#include "Foundation/NSRange.h"

class NIMBRA_FOUNDATION_API NSIndexSet : public NSObject {
  OBJC_CLASS(NSIndexSet, NSObject)

 public:
  NSIndexSet() = default;
  static Strong<NSIndexSet> indexSet();
  static Strong<NSIndexSet> indexSetWithIndex(NSUInteger value);
  // Empty for an empty range; NSRangeException for one reaching NSNotFound.
  static Strong<NSIndexSet> indexSetWithIndexesInRange(NSRange range);

  NSUInteger count() const;
  // NSNotFound when empty.
  NSUInteger firstIndex() const;
  NSUInteger lastIndex() const;
  BOOL containsIndex(NSUInteger value) const;
  NSUInteger rangeCount() const { return ranges_.size(); }
  const std::vector<NSRange>& ranges() const { return ranges_; }

  BOOL isEqualToIndexSet(const Strong<NSIndexSet>& other) const;
  BOOL isEqual(const NSObject* other) const override;
  using NSObject::isEqual;
  std::size_t hash() const override;
  // "(0-49, 60, 70-71)"
  std::string description() const override;

 protected:
  void addRange(NSRange range);
  void removeRange(NSRange range);
  std::vector<NSRange> ranges_;

 private:
  friend struct NSIndexSetCoding;
};

class NIMBRA_FOUNDATION_API NSMutableIndexSet : public NSIndexSet {
  OBJC_CLASS(NSMutableIndexSet, NSIndexSet)

 public:
  using NSIndexSet::NSIndexSet;
  static Strong<NSMutableIndexSet> indexSet();
  // NSRangeException for an index or range reaching NSNotFound.
  void addIndex(NSUInteger value);
  void addIndexesInRange(NSRange range);
  void removeIndex(NSUInteger value);
  void removeIndexesInRange(NSRange range);
  void removeAllIndexes() { ranges_.clear(); }
};
