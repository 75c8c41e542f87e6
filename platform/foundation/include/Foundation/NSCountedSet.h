// A mutable set that counts how often each object was added; removing takes one off the
// count, and the object leaves at zero.
//
// In an archive: {"NS.count": number of distinct objects, "NS.object0": UID,
// "NS.count0": its count, "NS.object1": ...}, as the device writes it. Archives whose
// count does not match their objects, or with a count below one, are refused.
#pragma once

#include "Foundation/FoundationExport.h"
#include "Foundation/NSSet.h"

class NIMBRA_FOUNDATION_API NSCountedSet : public NSMutableSet {
  OBJC_CLASS(NSCountedSet, NSMutableSet)

 public:
  NSCountedSet() = default;
  // Each repeat adds one to the object's count.
  explicit NSCountedSet(const std::vector<id>& items);

  // 0 for an object that is not in the set.
  NSUInteger countForObject(const id& obj) const;

  void addObject(const id& obj) override;
  void removeObject(const id& obj) override;
  void removeAllObjects() override;

  // The same objects with the same counts; against a plain set, the same objects.
  BOOL isEqual(const NSObject* other) const override;
  using NSObject::isEqual;
  std::string description() const override;

 private:
  friend struct NSCountedSetCoding;
  // The count of items_[i], always at least one.
  std::vector<NSUInteger> counts_;
};
