// Ordered collections of distinct objects (by isEqual): an array without repeats.
// Elements are never none.
//
// In an archive each object is a key of its own, "NS.object.0", "NS.object.1", ... in
// order, as the device writes them; an archive repeating an object keeps it once.
#pragma once

#include <initializer_list>
#include <vector>

#include "Foundation/FoundationExport.h"
#include "Foundation/NSObjCRuntime.h"

class NSArray;

class NIMBRA_FOUNDATION_API NSOrderedSet : public NSObject {
  OBJC_CLASS(NSOrderedSet, NSObject)

 public:
  NSOrderedSet() = default;
  // Repeated objects are kept once, at their first place; NSInvalidArgumentException for
  // a none element.
  explicit NSOrderedSet(const std::vector<id>& items);

  static Strong<NSOrderedSet> orderedSet();
  static Strong<NSOrderedSet> orderedSetWithObjects(std::initializer_list<id> items);
  static Strong<NSOrderedSet> orderedSetWithArray(const Strong<NSArray>& array);  // empty for none

  NSUInteger count() const { return items_.size(); }
  // NSRangeException past the end.
  id objectAtIndex(NSUInteger index) const;
  // NSNotFound when absent.
  NSUInteger indexOfObject(const id& obj) const;
  BOOL containsObject(const id& obj) const { return indexOfObject(obj) != NSUInteger(NSNotFound); }
  Strong<NSArray> array() const;

  // The same objects in the same order.
  BOOL isEqualToOrderedSet(const Strong<NSOrderedSet>& other) const;
  BOOL isEqual(const NSObject* other) const override;
  using NSObject::isEqual;
  std::size_t hash() const override { return items_.size(); }
  std::string description() const override;

  std::vector<id>::const_iterator begin() const { return items_.begin(); }
  std::vector<id>::const_iterator end() const { return items_.end(); }

 protected:
  void add(const id& obj);
  std::vector<id> items_;

 private:
  friend struct NSOrderedSetCoding;
};

class NIMBRA_FOUNDATION_API NSMutableOrderedSet : public NSOrderedSet {
  OBJC_CLASS(NSMutableOrderedSet, NSOrderedSet)

 public:
  using NSOrderedSet::NSOrderedSet;
  static Strong<NSMutableOrderedSet> orderedSet();
  // Appends unless an equal object is there; NSInvalidArgumentException for none.
  void addObject(const id& obj) { add(obj); }
  void removeObject(const id& obj);
  void removeAllObjects() { items_.clear(); }
};
