// Key/value maps. Keys compare by isEqual and hash (so an NSString key finds an equal
// NSString); a mutable string key is copied on insertion. Enumeration follows insertion
// order.
#pragma once

#include <functional>
#include <initializer_list>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "Foundation/FoundationExport.h"
#include "Foundation/NSObjCRuntime.h"

class NSArray;
class NSString;
class NSMutableDictionary;

class NIMBRA_FOUNDATION_API NSDictionary : public NSObject {
  OBJC_CLASS(NSDictionary, NSObject)

 public:
  using Entry = std::pair<id, id>;  // key, value

  NSDictionary();
  ~NSDictionary() override;

  static Strong<NSDictionary> dictionary();
  // Pairs of {key, value}. NSInvalidArgumentException for a none key or value.
  static Strong<NSDictionary> dictionaryWithObjectsAndKeys(std::initializer_list<Entry> entries);
  static Strong<NSDictionary> dictionaryWithDictionary(const Strong<NSDictionary>& other);
  // objects[i] under keys[i]; a later equal key wins. NSInvalidArgumentException when the
  // counts differ or an object or key is none.
  static Strong<NSDictionary> dictionaryWithObjectsForKeys(const std::vector<id>& objects,
                                                           const std::vector<id>& keys);
  // The device's initWithContentsOfFile:. None for a file that is missing, unreadable,
  // empty, truncated, too large or too deep, not a property list, or whose root is not
  // a dictionary. XML and binary property lists are both read.
  static Strong<NSDictionary> dictionaryWithContentsOfFile(const std::string& path);
  static Strong<NSDictionary> dictionaryWithContentsOfFile(const Strong<NSString>& path);

  NSUInteger count() const { return entries_.size(); }
  // None when absent. The value is lent, as the device's getter lends it: valid while the
  // dictionary keeps it, so a read touches no reference count; copy it into an `id` to keep
  // it past a change to the dictionary. A key of any class is taken as it is, without the
  // count an `id` made of it would cost.
  const id& objectForKey(const NSObject* key) const;
  template <class K>
  const id& objectForKey(const Strong<K>& key) const {
    return objectForKey(static_cast<const NSObject*>(key.get()));
  }
  template <class T, class K>
  Strong<T> objectForKeyAs(const Strong<K>& key) const {
    return objc_cast<T>(objectForKey(key));
  }
  Strong<NSArray> allKeys() const;
  Strong<NSArray> allValues() const;
  BOOL isEqualToDictionary(const Strong<NSDictionary>& other) const;
  BOOL isEqual(const NSObject* other) const override;
  using NSObject::isEqual;
  std::size_t hash() const override;
  std::string description() const override;
  void enumerateKeysAndObjectsUsingBlock(
      const std::function<void(const id& key, const id& obj, BOOL* stop)>& block) const;

  Strong<NSDictionary> copy() const;
  Strong<NSMutableDictionary> mutableCopy() const;

  // Writes an XML property list with keys sorted. Returns NO, writing nothing, when
  // any value is not a property-list object (strings, numbers, dates, data, arrays,
  // dictionaries with string keys) or nesting is deeper than 512. Atomically: through
  // a temporary file in the same folder, flushed and renamed over the path, so the
  // path holds the old file or the new one whole. Any failure returns NO.
  BOOL writeToFileAtomically(const std::string& path, BOOL atomically) const;
  BOOL writeToFileAtomically(const Strong<NSString>& path, BOOL atomically) const;

  // Range-for over {key, value} pairs in insertion order.
  std::vector<Entry>::const_iterator begin() const { return entries_.begin(); }
  std::vector<Entry>::const_iterator end() const { return entries_.end(); }

 protected:
  struct KeyHash {
    std::size_t operator()(const id& k) const { return k->hash(); }
  };
  struct KeyEqual {
    bool operator()(const id& a, const id& b) const {
      return a.get() == b.get() || a->isEqual(b.get());
    }
  };
  void set(const id& obj, const id& key);
  void remove(const id& key);

  std::vector<Entry> entries_;
  // entries_[i]'s key hash, kept beside it: a small dictionary is read by a scan that
  // compares hashes before it asks a key to compare itself.
  std::vector<std::size_t> hashes_;
  std::unordered_map<id, std::size_t, KeyHash, KeyEqual> index_;
};

class NIMBRA_FOUNDATION_API NSMutableDictionary : public NSDictionary {
  OBJC_CLASS(NSMutableDictionary, NSDictionary)

 public:
  static Strong<NSMutableDictionary> dictionary();
  static Strong<NSMutableDictionary> dictionaryWithCapacity(NSUInteger capacity);
  static Strong<NSMutableDictionary> dictionaryWithObjectsAndKeys(
      std::initializer_list<Entry> entries);
  static Strong<NSMutableDictionary> dictionaryWithDictionary(const Strong<NSDictionary>& other);
  static Strong<NSMutableDictionary> dictionaryWithContentsOfFile(const std::string& path);
  static Strong<NSMutableDictionary> dictionaryWithContentsOfFile(const Strong<NSString>& path);

  // NSInvalidArgumentException for a none object or key.
  void setObjectForKey(const id& obj, const id& key);
  void removeObjectForKey(const id& key);
  void removeAllObjects();
  void addEntriesFromDictionary(const Strong<NSDictionary>& other);
};
