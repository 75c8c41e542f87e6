#include "Foundation/NSCountedSet.h"

#include "Foundation/NSCoder.h"
#include "Foundation/NSError.h"
#include "Foundation/NSString.h"
#include "objc/alloc.h"

namespace {

Strong<NSString> numbered(const char* stem, std::size_t i) {
  return NSString::stringWithUTF8String(stem + std::to_string(i));
}

}  // namespace

struct NSCountedSetCoding {
  static void encode(NSObject* self, SEL, NSCoder* coder) {
    auto* set = static_cast<NSCountedSet*>(self);
    coder->encodeIntegerForKey(static_cast<NSInteger>(set->items_.size()), NSSTR("NS.count"));
    for (std::size_t i = 0; i < set->items_.size(); ++i) {
      coder->encodeObjectForKey(set->items_[i], numbered("NS.object", i));
      coder->encodeIntegerForKey(static_cast<NSInteger>(set->counts_[i]), numbered("NS.count", i));
    }
  }

  static id initWithCoder(NSObject* self, SEL, NSCoder* coder) {
    auto* set = static_cast<NSCountedSet*>(self);
    auto fail = [&](const std::string& why) -> id {
      coder->failWithError(NSError::errorWithCode(NSCoderReadCorruptError, "a counted set " + why));
      return nullptr;
    };
    set->removeAllObjects();
    NSInteger distinct = coder->decodeIntegerForKey(NSSTR("NS.count"));
    if (distinct < 0) return fail("has a negative NS.count");
    // Each object is a key of its own, so a count past the keys fails at the first gap.
    for (NSInteger i = 0; i < distinct && !coder->error(); ++i) {
      auto objectKey = numbered("NS.object", static_cast<std::size_t>(i));
      auto countKey = numbered("NS.count", static_cast<std::size_t>(i));
      id object = coder->decodeObjectForKey(objectKey);
      NSInteger count = coder->decodeIntegerForKey(countKey);
      if (coder->error()) return nullptr;
      if (!object) return fail("has no object for " + objectKey->stdString());
      if (count < 1)
        return fail("counts " + objectKey->stdString() + " " + std::to_string(count) + " times");
      for (std::size_t k = 0; k < set->items_.size(); ++k) {
        if (set->items_[k] == object || set->items_[k]->isEqual(object.get())) {
          set->counts_[k] += static_cast<NSUInteger>(count);
          object = nullptr;
          break;
        }
      }
      if (object) {
        set->items_.push_back(object);
        set->counts_.push_back(static_cast<NSUInteger>(count));
      }
    }
    if (coder->error()) return nullptr;
    return set->retainedSelf();
  }
};

OBJC_CLASS_IMPL(NSCountedSet) {
  objc::registerAlloc<NSCountedSet>(cls);
  class_addMethod(cls, OBJC_SEL("encodeWithCoder:"), objc::method<&NSCountedSetCoding::encode>());
  class_addMethod(cls, OBJC_SEL("initWithCoder:"),
                  objc::method<&NSCountedSetCoding::initWithCoder>());
}

NSCountedSet::NSCountedSet(const std::vector<id>& items) {
  for (const id& o : items) addObject(o);
}

NSUInteger NSCountedSet::countForObject(const id& obj) const {
  if (!obj) return 0;
  for (std::size_t i = 0; i < items_.size(); ++i)
    if (items_[i] == obj || items_[i]->isEqual(obj.get())) return counts_[i];
  return 0;
}

void NSCountedSet::addObject(const id& obj) {
  if (!obj) NSException::raise(NSInvalidArgumentException, "NSCountedSet: element cannot be nil");
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (items_[i] == obj || items_[i]->isEqual(obj.get())) {
      ++counts_[i];
      return;
    }
  }
  items_.push_back(obj);
  counts_.push_back(1);
}

void NSCountedSet::removeObject(const id& obj) {
  if (!obj) return;
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (items_[i] == obj || items_[i]->isEqual(obj.get())) {
      if (--counts_[i] == 0) {
        items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i));
        counts_.erase(counts_.begin() + static_cast<std::ptrdiff_t>(i));
      }
      return;
    }
  }
}

void NSCountedSet::removeAllObjects() {
  items_.clear();
  counts_.clear();
}

BOOL NSCountedSet::isEqual(const NSObject* other) const {
  if (!NSSet::isEqual(other)) return NO;
  auto* counted = objc_cast<NSCountedSet>(other);
  if (!counted) return YES;
  for (std::size_t i = 0; i < items_.size(); ++i)
    if (counted->countForObject(items_[i]) != counts_[i]) return NO;
  return YES;
}

std::string NSCountedSet::description() const {
  std::string out = "<NSCountedSet> (";
  for (std::size_t i = 0; i < items_.size(); ++i)
    out += (i ? ", " : "") + items_[i]->description() + " [" + std::to_string(counts_[i]) + "]";
  return out + ")";
}
