// A binary list read into the table by a reader of our own, where the other readers use
// libplist: libplist makes a node per value (a copy per string), once per reference for a
// value shared by reference, while an archive is a table of objects looked up by index
// many times. XML lists are read by libplist (readXML). The checks every reader runs
// (checkBytes) pass first, so sizes and references are trusted here.
#include "PropertyTree.h"

#include <plist/plist.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "Foundation/NSString.h"
#include "PropertyList.h"

namespace foundation::plist {

namespace {

double realAt(const uint8_t* p, unsigned size) {
  if (size == 4) {
    auto bits = static_cast<uint32_t>(readBigEndian(p, 4));
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
  }
  uint64_t bits = readBigEndian(p, 8);
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

}  // namespace

void PropertyTree::clear() {
  bytes_.clear();
  values_.clear();
  refs_.clear();
  text_.clear();
  for (char* key : keys_) free(key);
  keys_.clear();
  if (xml_) plist_free(xml_);
  xml_ = nullptr;
  top_ = 0;
}

bool PropertyTree::read(const void* data, std::size_t n, std::size_t maxValues,
                        std::string* error) {
  clear();
  // XML goes through parseNode, which runs the same checks.
  bool binary = data && n >= 8 && std::memcmp(data, "bplist00", 8) == 0;
  if (!binary) return readXML(data, n, maxValues, error);
  if (!checkBytes(data, n, maxValues, &binary, error)) return false;
  bytes_.assign(static_cast<const char*>(data), n);
  return readBinary(error);
}

const PropertyTree::Value* PropertyTree::valueFor(const Value& dict, std::string_view key) const {
  if (dict.kind != Kind::Dict) return nullptr;
  for (uint32_t i = 0; i < dict.count; ++i) {
    const Value& k = values_[refs_[dict.first + i]];
    if (k.length == key.size() && std::memcmp(k.bytes, key.data(), key.size()) == 0)
      return &values_[refs_[dict.first + dict.count + i]];
  }
  return nullptr;
}

namespace {

// An object's length (count of bytes, units or entries) from its marker, or from the
// integer that follows it; `body` is set to where the object's contents start.
uint64_t lengthAt(const uint8_t* d, uint64_t off, uint64_t* body) {
  unsigned info = d[off] & 0x0F;
  if (info != 0x0F) {
    *body = off + 1;
    return info;
  }
  unsigned bytes = 1u << (d[off + 1] & 0x0F);
  *body = off + 2 + bytes;
  return readBigEndian(d + off + 2, bytes);
}

// Decodes the object at `off` when it holds no references: a boolean, number, date,
// data, string or UID. False for an array, a dictionary or a marker no list uses. A
// UTF-16 string is kept in `text` as UTF-8.
bool decodeLeaf(const uint8_t* d, uint64_t off, PropertyTree::Value* v,
                std::deque<std::string>& text) {
  using Kind = PropertyTree::Kind;
  uint8_t marker = d[off];
  unsigned info = marker & 0x0F;
  uint64_t body = off + 1;
  switch (marker >> 4) {
    case 0x0:
      if (info == 0x8 || info == 0x9) {
        v->kind = Kind::Boolean;
        v->integer = info == 0x9;
      }
      return true;
    case 0x1: {
      // Sixteen-byte integers keep their low eight bytes.
      unsigned size = 1u << info;
      v->kind = Kind::Integer;
      v->integer = size > 8 ? readBigEndian(d + body + size - 8, 8) : readBigEndian(d + body, size);
      return true;
    }
    case 0x2:
      v->kind = Kind::Real;
      v->real = realAt(d + body, 1u << info);
      return true;
    case 0x3:
      v->kind = Kind::Date;
      v->real = realAt(d + body, 8);
      return true;
    case 0x4:
    case 0x5:
      v->kind = marker >> 4 == 0x4 ? Kind::Data : Kind::String;
      v->length = lengthAt(d, off, &body);
      v->bytes = reinterpret_cast<const char*>(d + body);
      return true;
    case 0x6: {
      uint64_t units = lengthAt(d, off, &body);
      std::u16string utf16(units, u'\0');
      for (uint64_t k = 0; k < units; ++k)
        utf16[k] = static_cast<char16_t>((d[body + 2 * k] << 8) | d[body + 2 * k + 1]);
      const std::string& utf8 = text.emplace_back(utf16ToUtf8(utf16));
      v->kind = Kind::String;
      v->bytes = utf8.data();
      v->length = utf8.size();
      return true;
    }
    case 0x8: {
      unsigned size = info + 1;
      v->kind = Kind::Uid;
      v->integer = size > 8 ? readBigEndian(d + body + size - 8, 8) : readBigEndian(d + body, size);
      return true;
    }
    default:
      return false;
  }
}

}  // namespace

// The checks have passed (checkBytes): every object reachable from the top lies inside
// the object table, its references inside the offset table, its keys are strings. Only
// those objects are read, each once however often it is referenced.
bool PropertyTree::readBinary(std::string* error) {
  const auto* d = reinterpret_cast<const uint8_t*>(bytes_.data());
  std::size_t n = bytes_.size();
  const BinaryTrailer trailer = BinaryTrailer::at(d, n);
  const unsigned offsetSize = trailer.offsetSize, refSize = trailer.refSize;
  const uint64_t count = trailer.count, table = trailer.table;
  auto topObject = static_cast<uint32_t>(trailer.top);
  // Values only for the objects reached, in the order they are reached (the checks bound
  // how many): a table of a file's size that claims many objects costs four bytes each.
  constexpr uint32_t kNotReached = UINT32_MAX;
  std::vector<uint32_t> slot(count, kNotReached);
  std::vector<uint32_t> pending{topObject};
  slot[topObject] = top_ = 0;
  values_.emplace_back();
  while (!pending.empty()) {
    uint32_t index = pending.back();
    pending.pop_back();
    // Filled here and stored at the end: reaching new objects grows `values_`.
    Value v;
    uint64_t off = readBigEndian(d + table + uint64_t{index} * offsetSize, offsetSize);
    uint8_t type = d[off] >> 4;
    if (type == 0xA || type == 0xD) {
      // An array's items, or a dictionary's keys and then its values: each object
      // referenced gets its value's place when first reached.
      uint64_t body = 0;
      uint64_t entries = lengthAt(d, off, &body);
      uint64_t refs = type == 0xD ? 2 * entries : entries;
      v.kind = type == 0xD ? Kind::Dict : Kind::Array;
      v.count = static_cast<uint32_t>(entries);
      v.first = static_cast<uint32_t>(refs_.size());
      for (uint64_t k = 0; k < refs; ++k) {
        auto ref = static_cast<uint32_t>(readBigEndian(d + body + k * refSize, refSize));
        if (slot[ref] == kNotReached) {
          slot[ref] = static_cast<uint32_t>(values_.size());
          values_.emplace_back();
          pending.push_back(ref);
        }
        refs_.push_back(slot[ref]);
      }
    } else if (!decodeLeaf(d, off, &v, text_)) {
      if (error) *error = "malformed binary property list: unsupported object type";
      return false;
    }
    values_[slot[index]] = v;
  }
  return true;
}

namespace {

// Copies libplist's nodes of an XML list into the table, depth first. Strings and data
// stay in libplist's nodes, which live as long as the table; keys are libplist's copies.
struct XMLCopier {
  std::vector<PropertyTree::Value>& values;
  std::vector<uint32_t>& refs;
  std::vector<char*>& keys;

  uint32_t copy(plist_t node) {
    auto index = static_cast<uint32_t>(values.size());
    values.emplace_back();
    PropertyTree::Value v;
    switch (plist_get_node_type(node)) {
      case PLIST_BOOLEAN: {
        uint8_t b = 0;
        plist_get_bool_val(node, &b);
        v.kind = PropertyTree::Kind::Boolean;
        v.integer = b != 0;
        break;
      }
      case PLIST_UINT:
        v.kind = PropertyTree::Kind::Integer;
        plist_get_uint_val(node, &v.integer);
        break;
      case PLIST_REAL:
        v.kind = PropertyTree::Kind::Real;
        plist_get_real_val(node, &v.real);
        break;
      case PLIST_DATE:
        v.kind = PropertyTree::Kind::Date;
        v.real = dateSeconds(node);
        break;
      case PLIST_STRING:
        v.kind = PropertyTree::Kind::String;
        v.bytes = plist_get_string_ptr(node, &v.length);
        if (!v.bytes) v.length = 0;
        break;
      case PLIST_DATA:
        v.kind = PropertyTree::Kind::Data;
        v.bytes = plist_get_data_ptr(node, &v.length);
        if (!v.bytes) v.length = 0;
        break;
      case PLIST_UID:
        v.kind = PropertyTree::Kind::Uid;
        plist_get_uid_val(node, &v.integer);
        break;
      case PLIST_ARRAY: {
        // The item's references are placed first; the items' own go after them.
        uint32_t n = plist_array_get_size(node);
        v.kind = PropertyTree::Kind::Array;
        v.first = static_cast<uint32_t>(refs.size());
        refs.resize(refs.size() + n);
        plist_array_iter iter = nullptr;
        plist_array_new_iter(node, &iter);
        std::unique_ptr<void, void (*)(void*)> guard(iter, free);
        for (; iter && v.count < n; ++v.count) {
          plist_t item = nullptr;
          plist_array_next_item(node, iter, &item);
          if (!item) break;
          uint32_t at = copy(item);
          refs[v.first + v.count] = at;
        }
        break;
      }
      case PLIST_DICT: {
        uint32_t n = plist_dict_get_size(node);
        v.kind = PropertyTree::Kind::Dict;
        v.first = static_cast<uint32_t>(refs.size());
        refs.resize(refs.size() + 2 * std::size_t{n});
        plist_dict_iter iter = nullptr;
        plist_dict_new_iter(node, &iter);
        std::unique_ptr<void, void (*)(void*)> guard(iter, free);
        uint32_t entries = 0;
        for (; iter && entries < n; ++entries) {
          char* key = nullptr;
          plist_t item = nullptr;
          plist_dict_next_item(node, iter, &key, &item);
          if (!key) break;
          keys.push_back(key);
          PropertyTree::Value k;
          k.kind = PropertyTree::Kind::String;
          k.bytes = key;
          k.length = std::strlen(key);
          auto keyAt = static_cast<uint32_t>(values.size());
          values.push_back(k);
          refs[v.first + entries] = keyAt;
          uint32_t at = copy(item);
          refs[v.first + n + entries] = at;
        }
        // Entries the iterator did not give (none in a whole list) are left out: the
        // values move up behind the keys.
        if (entries < n) {
          std::copy(refs.begin() + v.first + n, refs.begin() + v.first + n + entries,
                    refs.begin() + v.first + entries);
        }
        v.count = entries;
        break;
      }
      default:
        break;
    }
    values[index] = v;
    return index;
  }
};

}  // namespace

bool PropertyTree::readXML(const void* data, std::size_t n, std::size_t maxValues,
                           std::string* error) {
  xml_ = parseNode(data, n, maxValues, nullptr, error);
  if (!xml_) return false;
  top_ = XMLCopier{values_, refs_, keys_}.copy(xml_);
  return true;
}

}  // namespace foundation::plist
