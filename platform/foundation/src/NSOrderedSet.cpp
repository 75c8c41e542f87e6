#include "Foundation/NSOrderedSet.h"

#include <algorithm>

#include "Foundation/NSArray.h"
#include "Foundation/NSCoder.h"
#include "Foundation/NSError.h"
#include "Foundation/NSString.h"
#include "objc/alloc.h"

namespace {

bool same(const id& a, const id& b) {
  return a == b || a->isEqual(b.get());
}

Strong<NSString> objectKey(std::size_t i) {
  return NSString::stringWithUTF8String("NS.object." + std::to_string(i));
}

}  // namespace

struct NSOrderedSetCoding {
  static void encode(NSObject* self, SEL, NSCoder* coder) {
    const auto& items = static_cast<NSOrderedSet*>(self)->items_;
    for (std::size_t i = 0; i < items.size(); ++i)
      coder->encodeObjectForKey(items[i], objectKey(i));
  }

  // The keys run from 0 without a gap; the first one missing ends the set.
  static id initWithCoder(NSObject* self, SEL, NSCoder* coder) {
    auto* set = static_cast<NSOrderedSet*>(self);
    set->items_.clear();
    for (std::size_t i = 0;; ++i) {
      auto key = objectKey(i);
      if (!coder->containsValueForKey(key)) break;
      id object = coder->decodeObjectForKey(key);
      if (coder->error()) return nullptr;
      if (!object) {
        coder->failWithError(NSError::errorWithCode(
            NSCoderReadCorruptError, "an ordered set holds none at " + key->stdString()));
        return nullptr;
      }
      set->add(object);
    }
    return set->retainedSelf();
  }
};

OBJC_CLASS_IMPL(NSOrderedSet) {
  objc::registerAlloc<NSOrderedSet>(cls);
  class_addMethod(cls, OBJC_SEL("encodeWithCoder:"), objc::method<&NSOrderedSetCoding::encode>());
  class_addMethod(cls, OBJC_SEL("initWithCoder:"),
                  objc::method<&NSOrderedSetCoding::initWithCoder>());
}
OBJC_CLASS_IMPL(NSMutableOrderedSet) {
  objc::registerAlloc<NSMutableOrderedSet>(cls);
}

NSOrderedSet::NSOrderedSet(const std::vector<id>& items) {
  for (const id& o : items) add(o);
}

void NSOrderedSet::add(const id& obj) {
  if (!obj) NSException::raise(NSInvalidArgumentException, "NSOrderedSet: element cannot be nil");
  if (!containsObject(obj)) items_.push_back(obj);
}

Strong<NSOrderedSet> NSOrderedSet::orderedSet() {
  return std::make_shared<NSOrderedSet>();
}
Strong<NSOrderedSet> NSOrderedSet::orderedSetWithObjects(std::initializer_list<id> items) {
  return std::make_shared<NSOrderedSet>(std::vector<id>(items));
}
Strong<NSOrderedSet> NSOrderedSet::orderedSetWithArray(const Strong<NSArray>& array) {
  return std::make_shared<NSOrderedSet>(array ? array->objects() : std::vector<id>{});
}

id NSOrderedSet::objectAtIndex(NSUInteger index) const {
  if (index >= items_.size())
    NSException::raise(NSRangeException, "NSOrderedSet: index " + std::to_string(index) +
                                             " beyond bounds " + std::to_string(items_.size()));
  return items_[index];
}

NSUInteger NSOrderedSet::indexOfObject(const id& obj) const {
  if (!obj) return NSNotFound;
  auto it = std::find_if(items_.begin(), items_.end(), [&](const id& o) { return same(o, obj); });
  return it == items_.end() ? NSUInteger(NSNotFound) : NSUInteger(it - items_.begin());
}

Strong<NSArray> NSOrderedSet::array() const {
  return std::make_shared<NSArray>(items_);
}

BOOL NSOrderedSet::isEqualToOrderedSet(const Strong<NSOrderedSet>& other) const {
  return other && isEqual(other.get());
}

BOOL NSOrderedSet::isEqual(const NSObject* other) const {
  auto* set = objc_cast<NSOrderedSet>(other);
  return set &&
         std::equal(items_.begin(), items_.end(), set->items_.begin(), set->items_.end(), same);
}

std::string NSOrderedSet::description() const {
  std::string out = "{(";
  for (std::size_t i = 0; i < items_.size(); ++i)
    out += (i ? ",\n    " : "\n    ") + items_[i]->description();
  return out + (items_.empty() ? ")}" : "\n)}");
}

Strong<NSMutableOrderedSet> NSMutableOrderedSet::orderedSet() {
  return std::make_shared<NSMutableOrderedSet>();
}

void NSMutableOrderedSet::removeObject(const id& obj) {
  if (!obj) return;
  std::erase_if(items_, [&](const id& o) { return same(o, obj); });
}
