// Ordered lists of objects. Elements are never none (use NSNull).
#pragma once

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "Foundation/FoundationExport.h"
#include "Foundation/NSObjCRuntime.h"

class NSString;
class NSMutableArray;

class NIMBRA_FOUNDATION_API NSArray : public NSObject {
  OBJC_CLASS(NSArray, NSObject)

 public:
  NSArray() = default;
  explicit NSArray(std::vector<id> items);

  static Strong<NSArray> array();
  // NSInvalidArgumentException for a none element.
  static Strong<NSArray> arrayWithObjects(std::initializer_list<id> items);
  static Strong<NSArray> arrayWithObject(const id& item);
  // A shallow copy; empty for none.
  static Strong<NSArray> arrayWithArray(const Strong<NSArray>& other);
  // The device's initWithContentsOfFile:. None for a file that is missing, unreadable,
  // malformed, too large or too deep, or whose root is not an array.
  static Strong<NSArray> arrayWithContentsOfFile(const std::string& path);
  static Strong<NSArray> arrayWithContentsOfFile(const Strong<NSString>& path);

  NSUInteger count() const { return items_.size(); }
  // NSRangeException past the end. The reference lasts while the array keeps the object.
  const id& objectAtIndex(NSUInteger index) const;
  template <class T>
  Strong<T> objectAtIndexAs(NSUInteger index) const {
    return objc_cast<T>(objectAtIndex(index));
  }
  id firstObject() const;  // none when empty
  id lastObject() const;
  BOOL containsObject(const id& obj) const;
  // By isEqual; NSNotFound when absent.
  NSUInteger indexOfObject(const id& obj) const;
  NSUInteger indexOfObjectIdenticalTo(const id& obj) const;
  BOOL isEqualToArray(const Strong<NSArray>& other) const;
  BOOL isEqual(const NSObject* other) const override;
  using NSObject::isEqual;
  std::size_t hash() const override;
  std::string description() const override;
  Strong<NSArray> arrayByAddingObject(const id& obj) const;
  Strong<NSString> componentsJoinedByString(const Strong<NSString>& separator) const;
  void enumerateObjectsUsingBlock(
      const std::function<void(const id&, NSUInteger, BOOL*)>& block) const;

  Strong<NSArray> copy() const;
  Strong<NSMutableArray> mutableCopy() const;

  // Writes an XML property list (see NSDictionary::writeToFileAtomically).
  BOOL writeToFileAtomically(const std::string& path, BOOL atomically) const;
  BOOL writeToFileAtomically(const Strong<NSString>& path, BOOL atomically) const;

  // Range-for over the elements. Mutating a mutable array while iterating it is an error.
  std::vector<id>::const_iterator begin() const { return items_.begin(); }
  std::vector<id>::const_iterator end() const { return items_.end(); }
  const std::vector<id>& objects() const { return items_; }

 protected:
  std::vector<id> items_;
};

class NIMBRA_FOUNDATION_API NSMutableArray : public NSArray {
  OBJC_CLASS(NSMutableArray, NSArray)

 public:
  using NSArray::NSArray;

  static Strong<NSMutableArray> array();
  static Strong<NSMutableArray> arrayWithCapacity(NSUInteger capacity);
  static Strong<NSMutableArray> arrayWithObjects(std::initializer_list<id> items);
  static Strong<NSMutableArray> arrayWithArray(const Strong<NSArray>& other);
  static Strong<NSMutableArray> arrayWithContentsOfFile(const std::string& path);
  static Strong<NSMutableArray> arrayWithContentsOfFile(const Strong<NSString>& path);

  // NSInvalidArgumentException for none; NSRangeException for a bad index.
  void addObject(const id& obj);
  void addObjectsFromArray(const Strong<NSArray>& other);
  void insertObjectAtIndex(const id& obj, NSUInteger index);
  void removeObjectAtIndex(NSUInteger index);
  // Removes every element equal to `obj`.
  void removeObject(const id& obj);
  void removeLastObject();
  void replaceObjectAtIndexWithObject(NSUInteger index, const id& obj);
  void removeAllObjects();
};
