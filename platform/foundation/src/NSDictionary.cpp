#include "Foundation/NSDictionary.h"

#include <algorithm>

#include "Foundation/NSArray.h"
#include "Foundation/NSCoder.h"
#include "Foundation/NSError.h"
#include "Foundation/NSString.h"
#include "PropertyList.h"
#include "objc/alloc.h"

// {"NS.keys": [UID...], "NS.objects": [UID...]}, pairwise.
namespace {

// Up to this many entries a lookup scans the kept hashes instead of the index: the scan
// wins while it is shorter than a bucket's division and its chain.
constexpr std::size_t kScanLimit = 8;

void dictionaryEncode(NSObject* self, SEL, NSCoder* coder) {
  auto* d = static_cast<NSDictionary*>(self);
  std::vector<id> keys, objects;
  keys.reserve(d->count());
  objects.reserve(d->count());
  for (const auto& [k, v] : *d) {
    keys.push_back(k);
    objects.push_back(v);
  }
  coder->encodeArrayOfObjectsForKey(keys, NSSTR("NS.keys"));
  coder->encodeArrayOfObjectsForKey(objects, NSSTR("NS.objects"));
}

id dictionaryInitWithCoder(NSObject* self, SEL, NSCoder* coder) {
  std::vector<id> keys, objects;
  if (!coder->decodeArrayOfObjectsForKey(NSSTR("NS.keys"), keys) ||
      !coder->decodeArrayOfObjectsForKey(NSSTR("NS.objects"), objects))
    return nullptr;
  if (keys.size() != objects.size()) {
    coder->failWithError(NSError::errorWithCode(
        NSCoderReadCorruptError, "a dictionary has " + std::to_string(keys.size()) + " keys but " +
                                     std::to_string(objects.size()) + " objects"));
    return nullptr;
  }
  if (self->getClass() == NSMutableDictionary::class_()) {
    auto d = NSMutableDictionary::dictionaryWithCapacity(keys.size());
    for (std::size_t i = 0; i < keys.size(); ++i) d->setObjectForKey(objects[i], keys[i]);
    return d;
  }
  return NSDictionary::dictionaryWithObjectsForKeys(objects, keys);
}

}  // namespace

OBJC_CLASS_IMPL(NSDictionary) {
  objc::registerAlloc<NSDictionary>(cls);
  class_addMethod(cls, OBJC_SEL("encodeWithCoder:"), objc::method<&dictionaryEncode>());
  class_addMethod(cls, OBJC_SEL("initWithCoder:"), objc::method<&dictionaryInitWithCoder>());
}
OBJC_CLASS_IMPL(NSMutableDictionary) {
  objc::registerAlloc<NSMutableDictionary>(cls);
}

NSDictionary::NSDictionary() = default;
NSDictionary::~NSDictionary() = default;

void NSDictionary::set(const id& obj, const id& key) {
  if (!obj || !key)
    NSException::raise(NSInvalidArgumentException,
                       std::string("-[NSMutableDictionary setObject:forKey:]: ") +
                           (key ? "object" : "key") + " cannot be nil");
  auto it = index_.find(key);
  if (it != index_.end()) {
    entries_[it->second].second = obj;
    return;
  }
  // Keys are copied so a later change to a mutable string cannot move them.
  id stored = key;
  if (auto* ms = objc_cast<NSMutableString>(key.get())) stored = ms->copy();
  index_.emplace(stored, entries_.size());
  entries_.emplace_back(stored, obj);
  hashes_.push_back(stored->hash());
}

void NSDictionary::remove(const id& key) {
  if (!key) return;
  auto it = index_.find(key);
  if (it == index_.end()) return;
  std::size_t pos = it->second;
  index_.erase(it);
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(pos));
  hashes_.erase(hashes_.begin() + static_cast<std::ptrdiff_t>(pos));
  for (auto& [k, i] : index_)
    if (i > pos) --i;
}

Strong<NSDictionary> NSDictionary::dictionary() {
  return std::make_shared<NSDictionary>();
}

Strong<NSDictionary> NSDictionary::dictionaryWithObjectsAndKeys(
    std::initializer_list<Entry> entries) {
  auto d = std::make_shared<NSDictionary>();
  for (const auto& [k, v] : entries) d->set(v, k);
  return d;
}

Strong<NSDictionary> NSDictionary::dictionaryWithDictionary(const Strong<NSDictionary>& other) {
  auto d = std::make_shared<NSDictionary>();
  if (other)
    for (const auto& [k, v] : *other) d->set(v, k);
  return d;
}

Strong<NSDictionary> NSDictionary::dictionaryWithObjectsForKeys(const std::vector<id>& objects,
                                                                const std::vector<id>& keys) {
  if (objects.size() != keys.size())
    NSException::raise(NSInvalidArgumentException,
                       "+[NSDictionary dictionaryWithObjects:forKeys:]: count of objects (" +
                           std::to_string(objects.size()) + ") differs from count of keys (" +
                           std::to_string(keys.size()) + ")");
  auto d = std::make_shared<NSDictionary>();
  d->entries_.reserve(keys.size());
  d->hashes_.reserve(keys.size());
  d->index_.reserve(keys.size());
  for (std::size_t i = 0; i < keys.size(); ++i) d->set(objects[i], keys[i]);
  return d;
}

Strong<NSDictionary> NSDictionary::dictionaryWithContentsOfFile(const std::string& path) {
  return objc_cast<NSDictionary>(
      foundation::plist::readFile(path, foundation::plist::Root::Dictionary, false));
}

Strong<NSDictionary> NSDictionary::dictionaryWithContentsOfFile(const Strong<NSString>& path) {
  return path ? dictionaryWithContentsOfFile(path->stdString()) : nullptr;
}

namespace {
// What a read of an absent key lends.
constinit const id none;
}  // namespace

const id& NSDictionary::objectForKey(const NSObject* key) const {
  if (!key) return none;
  if (entries_.size() <= kScanLimit) {
    // Settings and attribute dictionaries hold a handful of keys: a scan over the kept
    // hashes finds one without hashing into buckets, and the same key object needs no
    // comparison at all.
    const Class stringClass = NSString::class_();
    if (key->isKindOfClass(stringClass)) {
      // A string equals only a string, and NSString's equality and hash are final: a
      // string key, the usual kind, is compared here without a virtual call.
      const auto* string = static_cast<const NSString*>(key);
      const std::size_t h = string->hash();
      const auto& units = string->characters();
      const Entry* entry = entries_.data();
      for (const std::size_t *kept = hashes_.data(), *end = kept + hashes_.size(); kept != end;
           ++kept, ++entry) {
        if (*kept != h) continue;
        const NSObject* k = entry->first.get();
        if (k == key ||
            (k->isKindOfClass(stringClass) &&
             foundation::sameUnits(static_cast<const NSString*>(k)->characters(), units)))
          return entry->second;
      }
      return none;
    }
    std::size_t h = key->hash();
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      if (hashes_[i] != h) continue;
      const NSObject* k = entries_[i].first.get();
      if (k == key || key->isEqual(k)) return entries_[i].second;
    }
    return none;
  }
  // A non-owning handle, only for the lookup.
  id probe(id(), const_cast<NSObject*>(key));
  auto it = index_.find(probe);
  return it == index_.end() ? none : entries_[it->second].second;
}

Strong<NSArray> NSDictionary::allKeys() const {
  std::vector<id> v;
  v.reserve(entries_.size());
  for (const auto& e : entries_) v.push_back(e.first);
  return std::make_shared<NSArray>(std::move(v));
}

Strong<NSArray> NSDictionary::allValues() const {
  std::vector<id> v;
  v.reserve(entries_.size());
  for (const auto& e : entries_) v.push_back(e.second);
  return std::make_shared<NSArray>(std::move(v));
}

BOOL NSDictionary::isEqualToDictionary(const Strong<NSDictionary>& other) const {
  return other && isEqual(other.get());
}

BOOL NSDictionary::isEqual(const NSObject* other) const {
  auto* d = dynamic_cast<const NSDictionary*>(other);
  if (!d) return NO;
  if (d == this) return YES;
  if (d->entries_.size() != entries_.size()) return NO;
  for (const auto& [k, v] : entries_) {
    id o = d->objectForKey(k);
    if (!o || (o != v && !v->isEqual(o.get()))) return NO;
  }
  return YES;
}

std::size_t NSDictionary::hash() const {
  return entries_.size();
}

std::string NSDictionary::description() const {
  std::string out = "{\n";
  for (const auto& [k, v] : entries_) {
    std::string value = v->description();
    std::string shifted;
    for (char c : value) {
      shifted += c;
      if (c == '\n') shifted += "    ";
    }
    out += "    " + k->description() + " = " + shifted + ";\n";
  }
  return out + "}";
}

void NSDictionary::enumerateKeysAndObjectsUsingBlock(
    const std::function<void(const id&, const id&, BOOL*)>& block) const {
  std::vector<Entry> snapshot = entries_;
  BOOL stop = NO;
  for (std::size_t i = 0; i < snapshot.size() && !stop; ++i)
    block(snapshot[i].first, snapshot[i].second, &stop);
}

Strong<NSDictionary> NSDictionary::copy() const {
  auto d = std::make_shared<NSDictionary>();
  d->entries_ = entries_;
  d->hashes_ = hashes_;
  d->index_ = index_;
  return d;
}

Strong<NSMutableDictionary> NSDictionary::mutableCopy() const {
  auto d = std::make_shared<NSMutableDictionary>();
  d->addEntriesFromDictionary(std::const_pointer_cast<NSDictionary>(copy()));
  return d;
}

BOOL NSDictionary::writeToFileAtomically(const std::string& path, BOOL atomically) const {
  return foundation::plist::writeFile(this, path, atomically);
}

BOOL NSDictionary::writeToFileAtomically(const Strong<NSString>& path, BOOL atomically) const {
  return path && writeToFileAtomically(path->stdString(), atomically);
}

// NSMutableDictionary

Strong<NSMutableDictionary> NSMutableDictionary::dictionary() {
  return std::make_shared<NSMutableDictionary>();
}
Strong<NSMutableDictionary> NSMutableDictionary::dictionaryWithCapacity(NSUInteger) {
  return dictionary();
}
Strong<NSMutableDictionary> NSMutableDictionary::dictionaryWithObjectsAndKeys(
    std::initializer_list<Entry> entries) {
  auto d = dictionary();
  for (const auto& [k, v] : entries) d->set(v, k);
  return d;
}
Strong<NSMutableDictionary> NSMutableDictionary::dictionaryWithDictionary(
    const Strong<NSDictionary>& other) {
  auto d = dictionary();
  d->addEntriesFromDictionary(other);
  return d;
}
Strong<NSMutableDictionary> NSMutableDictionary::dictionaryWithContentsOfFile(
    const std::string& path) {
  return objc_cast<NSMutableDictionary>(
      foundation::plist::readFile(path, foundation::plist::Root::Dictionary, true));
}
Strong<NSMutableDictionary> NSMutableDictionary::dictionaryWithContentsOfFile(
    const Strong<NSString>& path) {
  return path ? dictionaryWithContentsOfFile(path->stdString()) : nullptr;
}

void NSMutableDictionary::setObjectForKey(const id& obj, const id& key) {
  set(obj, key);
}
void NSMutableDictionary::removeObjectForKey(const id& key) {
  remove(key);
}
void NSMutableDictionary::removeAllObjects() {
  entries_.clear();
  hashes_.clear();
  index_.clear();
}
void NSMutableDictionary::addEntriesFromDictionary(const Strong<NSDictionary>& other) {
  if (!other) return;
  std::vector<Entry> copy(other->begin(), other->end());  // `other` may be the receiver
  for (const auto& [k, v] : copy) set(v, k);
}
