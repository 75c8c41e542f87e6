// A property list held as a flat table of values, for readers that look keys up many
// times (the keyed unarchiver): a binary list is read straight from its bytes, one value
// per object of its table, so a value shared by reference stays one value and nothing is
// allocated per value; an XML list is read by libplist and its nodes indexed in the same table.
// Keys are compared as byte strings in one contiguous array, not through libplist's nodes.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "Foundation/NSPropertyListSerialization.h"

namespace foundation::plist {

class PropertyTree {
 public:
  enum class Kind : uint8_t { None, Boolean, Integer, Real, Date, String, Data, Uid, Array, Dict };

  struct Value {
    Kind kind = Kind::None;
    // Items of an array, entries of a dictionary.
    uint32_t count = 0;
    // Where the references of an array or dictionary start in `refs_`: a dictionary's keys
    // first, then its values.
    uint32_t first = 0;
    // A boolean, integer (a negative one in two's complement) or UID.
    uint64_t integer = 0;
    // A real, or a date in seconds since the reference date.
    double real = 0;
    // A string's UTF-8 or data's bytes (not terminated).
    const char* bytes = nullptr;
    uint64_t length = 0;

    std::string_view text() const { return {bytes ? bytes : "", bytes ? length : 0}; }
  };

  PropertyTree() = default;
  ~PropertyTree() { clear(); }
  PropertyTree(const PropertyTree&) = delete;
  PropertyTree& operator=(const PropertyTree&) = delete;

  // Reads the list (after the checks every reader runs, see PropertyList.h); false and
  // `error` filled when it is not a whole, well-formed, bounded property list.
  bool read(const void* data, std::size_t n, std::size_t maxValues, std::string* error);
  void clear();

  const Value* top() const { return values_.empty() ? nullptr : &values_[top_]; }
  // The `i`th item of an array (i < count).
  const Value* item(const Value& array, uint32_t i) const {
    return &values_[refs_[array.first + i]];
  }
  // A dictionary's value for `key`, the first entry with that key; none when it has none.
  const Value* valueFor(const Value& dict, std::string_view key) const;

 private:
  bool readBinary(std::string* error);
  bool readXML(const void* data, std::size_t n, std::size_t maxValues, std::string* error);

  // The bytes of a binary list (copied: the values point into them).
  std::string bytes_;
  std::vector<Value> values_;
  std::vector<uint32_t> refs_;
  // UTF-16 strings of a binary list, as UTF-8.
  std::deque<std::string> text_;
  // An XML list's nodes, whose strings and data the values point into, and the copies of
  // its keys libplist made.
  void* xml_ = nullptr;
  std::vector<char*> keys_;
  uint32_t top_ = 0;
};

}  // namespace foundation::plist
