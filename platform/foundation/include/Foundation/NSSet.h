// Unordered collections of distinct objects (by isEqual), as touch sets travel. Elements
// are never none. Iteration follows the order the objects were first added, so results
// are the same from run to run.
//
// In an archive: {"NS.objects": [UID...]}; an archive repeating an object keeps it once.
#pragma once

#include <initializer_list>
#include <vector>

#include "Foundation/FoundationExport.h"
#include "Foundation/NSObjCRuntime.h"

class NSArray;

class NIMBRA_FOUNDATION_API NSSet : public NSObject {
  OBJC_CLASS(NSSet, NSObject)

 public:
  NSSet() = default;
  // Repeated objects are kept once; NSInvalidArgumentException for a none element.
  explicit NSSet(const std::vector<id>& items);

  static Strong<NSSet> set();
  static Strong<NSSet> setWithObject(const id& obj);
  static Strong<NSSet> setWithObjects(std::initializer_list<id> items);
  static Strong<NSSet> setWithArray(const Strong<NSArray>& array);  // empty for none

  NSUInteger count() const { return items_.size(); }
  // Some member (the first added); none when empty.
  id anyObject() const;
  BOOL containsObject(const id& obj) const;
  id member(const id& obj) const;  // the equal member, none when absent
  Strong<NSArray> allObjects() const;
  BOOL isEqualToSet(const Strong<NSSet>& other) const;
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
  friend struct NSSetCoding;
};

class NIMBRA_FOUNDATION_API NSMutableSet : public NSSet {
  OBJC_CLASS(NSMutableSet, NSSet)

 public:
  using NSSet::NSSet;
  static Strong<NSMutableSet> set();
  virtual void addObject(const id& obj);  // NSInvalidArgumentException for none
  virtual void removeObject(const id& obj);
  virtual void removeAllObjects() { items_.clear(); }
};
