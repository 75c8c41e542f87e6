// Property-list reading and writing shared by the collections, NSData and
// NSPropertyListSerialization.
#pragma once

#include <plist/plist.h>

#include <cstdint>
#include <string>

#include "Foundation/NSPropertyListSerialization.h"

class NSNumber;

namespace foundation {

// Reads a regular file whole; false when it cannot be read or is larger than `cap`.
bool readWholeFile(const std::string& path, std::string& out, std::size_t cap);
// Writes `n` bytes to `path`; atomically through a flushed temporary file in the same
// folder that is renamed over the path. False on any failure, leaving the old file.
// Temporaries that writers killed mid-write left beside the path are removed first.
bool writeWholeFile(const std::string& path, const void* data, std::size_t n, bool atomically);

namespace plist {

enum class Root { Any, Array, Dictionary };

// An unsigned big-endian number of `size` bytes (1 to 8): the sizes, offsets,
// references and numbers of a binary list. Inline, as every reader calls it per object.
inline uint64_t readBigEndian(const uint8_t* p, unsigned size) {
  // References and offsets are mostly one or two bytes wide: those without the loop.
  if (size == 1) return p[0];
  if (size == 2) return (uint64_t{p[0]} << 8) | p[1];
  uint64_t v = 0;
  for (unsigned k = 0; k < size; ++k) v = (v << 8) | p[k];
  return v;
}

// The last 32 bytes of a binary list: the widths of its offsets and references, its
// object count, its top object and where its offset table starts.
struct BinaryTrailer {
  static constexpr std::size_t kSize = 32;
  unsigned offsetSize = 0;
  unsigned refSize = 0;
  uint64_t count = 0;
  uint64_t top = 0;
  uint64_t table = 0;

  // As stored at the end of `n` bytes (n >= kSize); checkBytes checks it.
  static BinaryTrailer at(const uint8_t* d, std::size_t n) {
    const uint8_t* t = d + n - kSize;
    return {t[6], t[7], readBigEndian(t + 8, 8), readBigEndian(t + 16, 8),
            readBigEndian(t + 24, 8)};
  }
};

// None for anything but a whole, well-formed, bounded property list whose root is of
// the requested kind.
id parse(const void* data, std::size_t n, Root root, bool mutableTop, bool mutableContainers,
         NSPropertyListFormat* format, std::string* error);
id readFile(const std::string& path, Root root, bool mutableTop);

// The same checks, answering libplist's own node tree (the keyed archives need their UIDs
// as they are), which the caller frees with plist_free. `maxValues` also bounds the
// values of the list, shared values counted each time they are referenced.
plist_t parseNode(const void* data, std::size_t n, std::size_t maxValues,
                  NSPropertyListFormat* format, std::string* error);
// Only the checks parseNode runs before libplist reads the bytes; `binary` tells the form.
bool checkBytes(const void* data, std::size_t n, std::size_t maxValues, bool* binary,
                std::string* error);
// A date node's seconds since the reference date, with the fraction's sign libplist drops.
double dateSeconds(plist_t node);
// Binary, or XML for NSPropertyListXMLFormat_v1_0. False when libplist writes nothing.
bool writeNode(plist_t node, NSPropertyListFormat format, std::string& out);

// The node of a number: a boolean, an integer (a negative one as libplist keeps it, in
// two's complement) or a real.
plist_t numberNode(const NSNumber* number);
// The object a node holds when it is a single value (a boolean, integer, real, string,
// date or data); none for a collection, a UID or anything else.
id scalarOf(plist_t node);

// False (and `error` filled) when `obj` is not a property-list object.
bool validate(const NSObject* obj, std::string* error);
bool toXML(const NSObject* obj, std::string& out, std::string* error);
bool toBinary(const NSObject* obj, std::string& out, std::string* error);
bool writeFile(const NSObject* obj, const std::string& path, bool atomically);

}  // namespace plist
}  // namespace foundation
